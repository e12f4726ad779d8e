#include "decompress/decoder.h"

#include <algorithm>
#include <cstring>

namespace decompress {

namespace {

using format::ByteCounts;
using format::kByteValues;

// The three codes from half `index` of the stream on, the most a character
// takes, first code in the top four bits: the high half of a byte comes
// before its low half. It may read a byte past the stream's end, into the
// image's spare room.
unsigned codeWindow(const std::uint8_t* stream, std::size_t index) {
    unsigned window = static_cast<unsigned>(stream[index / 2] << 8 | stream[index / 2 + 1]);
    return window << (index % 2 * 4) & 0xFFFF;
}

Fault checkHeader(const format::CompressedHeader& header) {
    if (header.flags == 0) {
        return Fault::Unfinished;
    }
    if (header.flags != format::kFinishedFlags) {
        return Fault::UnknownFlags;
    }
    if (header.reserved != 0) {
        return Fault::ReservedSet;
    }
    return header.characterCount > format::kLargestText ? Fault::CountTooLarge : Fault::None;
}

// Filled positions come first, each byte once; 0 marks the free ones after
// them. The gaps are looked for first, over the whole table.
Fault checkTable(const format::CompressedHeader& header, bool (&inTable)[kByteValues]) {
    const std::uint8_t* table = header.table;
    const std::uint8_t* firstFree = std::find(table, table + format::kTableSize, 0);
    if (std::find_if(firstFree, table + format::kTableSize,
                     [](std::uint8_t entry) { return entry != 0; }) != table + format::kTableSize) {
        return Fault::TableGap;
    }
    for (const std::uint8_t* entry = table; entry != firstFree; ++entry) {
        if (inTable[*entry]) {
            return Fault::TableRepeats;
        }
        inTable[*entry] = true;
    }
    return Fault::None;
}

// What a decoded character says of the file, for a character that the table
// gives and for one that a literal codes: nothing wrong, or its fault.
struct Verdicts {
    Fault entry[kByteValues];
    Fault literal[kByteValues];
};

void judgeCharacters(const bool (&inTable)[kByteValues], Verdicts& verdicts) {
    for (std::size_t value = 0; value != kByteValues; ++value) {
        bool terminator = value == format::kLineFeed || value == format::kEndOfText;
        Fault entry = terminator ? Fault::TerminatorInText : Fault::None;
        verdicts.entry[value] = value == 0 ? Fault::FreePosition : entry;
        verdicts.literal[value] = value == 0       ? Fault::LiteralNul
                                  : inTable[value] ? Fault::NeedlessLiteral
                                                   : entry;
    }
}

// Where decoding stands: the next code, the characters decoded, the bytes
// of text made.
struct Progress {
    std::size_t next;
    std::size_t length;
    std::size_t size;
};

// One character the careful way, any codes at all: a code's followers are
// taken before the stream's end is checked.
Fault decodeCharacter(const FileImage& image, Decoded& decoded, const Verdicts& verdicts,
                      ByteCounts& counts, bool lineFeeds, Progress& at) {
    const std::uint8_t* stream = image.bytes + format::kHeaderSize;
    std::size_t halves = 2 * (image.size - format::kHeaderSize);
    format::ReadCharacter read =
        format::characterAt(codeWindow(stream, at.next), decoded.header.table);
    std::uint8_t character = read.byte;
    at.next += read.codes;
    const Fault* verdict = read.literal ? verdicts.literal : verdicts.entry;
    Fault fault = at.next > halves ? Fault::StreamEnds : verdict[character];
    if (fault != Fault::None) {
        return fault;
    }
    ++at.length;
    ++counts[character];
    decoded.text[at.size++] = static_cast<char>(character);
    decoded.text[at.size] = '\n'; // kept only after a CR, when asked
    at.size += lineFeeds && character == format::kCarriageReturn ? 1 : 0;
    return Fault::None;
}

// What a table character that the file may hold gives, found by the two
// codes it starts with: its byte with the LF that a CR may keep, the bytes of
// text it makes, and the bits its codes take with one character counted above
// them (kCharacterMark). Anything else (a literal, a free position, a
// terminator) takes and makes nothing, so that a run of characters stands
// still on it and leaves it to decodeCharacter.
struct Step {
    std::uint8_t text[2];
    std::uint8_t emitted;
    std::uint8_t taken;
};
inline constexpr unsigned kCodeBits = 4;
inline constexpr unsigned kStepCodes = 2; // what a step looks at: the most a table character takes
inline constexpr unsigned kCharacterMark = 64; // above the shift counts of a 64-bit window
inline constexpr unsigned kBitsTaken = kCharacterMark - 1;
using Steps = Step[kByteValues];

void prepareSteps(const Decoded& decoded, const Verdicts& verdicts, bool lineFeeds, Steps& steps) {
    for (unsigned codes = 0; codes < kByteValues; ++codes) {
        format::ReadCharacter read = format::characterAt(codes << 8, decoded.header.table);
        Step& step = steps[codes];
        step = {{'\n', '\n'}, 0, 0};
        if (!read.literal && verdicts.entry[read.byte] == Fault::None) {
            bool lineFeed = lineFeeds && read.byte == format::kCarriageReturn;
            step.text[0] = read.byte;
            step.emitted = static_cast<std::uint8_t>(lineFeed ? 2 : 1);
            step.taken = static_cast<std::uint8_t>(read.codes * kCodeBits + kCharacterMark);
        }
    }
}

// The stream's bytes from `at` on, the first in the top bits.
std::uint64_t bigEndian64(const std::uint8_t* at) {
    return std::uint64_t{at[0]} << 56 | std::uint64_t{at[1]} << 48 | std::uint64_t{at[2]} << 40 |
           std::uint64_t{at[3]} << 32 | std::uint64_t{at[4]} << 24 | std::uint64_t{at[5]} << 16 |
           std::uint64_t{at[6]} << 8 | std::uint64_t{at[7]};
}

// A run's window holds at least 60 bits of codes: seven characters of at most
// two codes each, with the two codes the last step looks at, fill it.
inline constexpr std::size_t kRunLength = 7;
inline constexpr std::size_t kRunCodes = 2 * sizeof(std::uint64_t);
static_assert(kRunLength * kStepCodes + kStepCodes <= kRunCodes, "a run's codes fit its window");

// Decodes the characters one after another into `text`, counting each byte
// value. Runs of table characters go by steps, counted by the codes that
// start them, while the count and the stream both have a run's worth left;
// every other character, and all near the ends, by decodeCharacter.
Fault decodeStream(const FileImage& image, Decoded& decoded, const bool (&inTable)[kByteValues],
                   ByteCounts& counts, bool lineFeeds) {
    Verdicts verdicts;
    judgeCharacters(inTable, verdicts);
    Steps steps;
    prepareSteps(decoded, verdicts, lineFeeds, steps);
    std::uint32_t stepCounts[kByteValues] = {};
    const std::uint8_t* stream = image.bytes + format::kHeaderSize;
    std::size_t halves = 2 * (image.size - format::kHeaderSize);
    std::size_t count = decoded.header.characterCount;
    Progress at{0, 0, 0};
    Fault fault = Fault::None;
    while (at.length < count) {
        if (at.length + kRunLength <= count && at.next + kRunCodes <= halves) {
            std::uint64_t window = bigEndian64(stream + at.next / 2) << (at.next % 2 * kCodeBits);
            if (steps[window >> 56].taken != 0) {
                unsigned taken = 0;
                std::size_t size = at.size;
                for (std::size_t i = 0; i < kRunLength; ++i) {
                    auto codes = static_cast<std::size_t>(window >> 56);
                    const Step& step = steps[codes];
                    std::memcpy(decoded.text + size, step.text, sizeof step.text);
                    size += step.emitted;
                    ++stepCounts[codes];
                    window <<= step.taken & kBitsTaken;
                    taken += step.taken;
                }
                at.size = size;
                at.next += (taken & kBitsTaken) / kCodeBits;
                at.length += taken / kCharacterMark;
                continue;
            }
        }
        fault = decodeCharacter(image, decoded, verdicts, counts, lineFeeds, at);
        if (fault != Fault::None) {
            break;
        }
    }
    for (std::size_t codes = 0; codes < kByteValues; ++codes) {
        counts[steps[codes].text[0]] += steps[codes].taken != 0 ? stepCounts[codes] : 0;
    }
    decoded.length = at.length;
    decoded.size = at.size;
    decoded.lines = counts[static_cast<std::uint8_t>(format::kCarriageReturn)];
    if (fault != Fault::None || halves - at.next > 1) {
        return fault != Fault::None ? fault : Fault::BytesAfterStream;
    }
    // A half left over is the padding: the low half of the last byte.
    return halves - at.next == 1 && (image.bytes[image.size - 1] & 0x0F) != 0 ? Fault::PaddingSet
                                                                              : Fault::None;
}

// The table a run selects from the counts of the characters it codes: byte
// values by falling count, the lower first among equals, then free positions.
// So every entry occurs in the text, a free position leaves no byte to a
// literal, and every literal ranks after the last entry.
Fault checkCounts(const format::CompressedHeader& header, const bool (&inTable)[kByteValues],
                  const ByteCounts& counts) {
    auto ranksBefore = [&counts](std::size_t a, std::size_t b) {
        return format::ranksBefore(counts, a, b);
    };
    const std::uint8_t* table = header.table;
    const std::uint8_t* firstFree = std::find(table, table + format::kTableSize, 0);
    if (std::any_of(table, firstFree,
                    [&counts](std::uint8_t entry) { return counts[entry] == 0; })) {
        return Fault::TableUnused;
    }
    std::size_t firstLiteral = 0; // none yet: byte value 0 is never coded
    for (std::size_t value = 1; value < kByteValues; ++value) {
        if (counts[value] > 0 && !inTable[value] &&
            (firstLiteral == 0 || ranksBefore(value, firstLiteral))) {
            firstLiteral = value;
        }
    }
    if (firstLiteral != 0 && firstFree != table + format::kTableSize) {
        return Fault::LiteralBesideFree;
    }
    for (const std::uint8_t* entry = table + 1; entry < firstFree; ++entry) {
        if (!ranksBefore(entry[-1], entry[0])) {
            return Fault::TableOutOfOrder;
        }
    }
    return firstLiteral != 0 && !ranksBefore(firstFree[-1], firstLiteral) ? Fault::TableOutOfOrder
                                                                          : Fault::None;
}

} // namespace

Fault decode(const FileImage& image, Decoded& decoded, bool lineFeeds) {
    decoded.headerRead = false;
    decoded.length = 0;
    decoded.size = 0;
    decoded.lines = 0;
    if (image.size < format::kHeaderSize) {
        return Fault::ShortFile;
    }
    std::uint8_t headerBytes[format::kHeaderSize];
    std::copy(image.bytes, image.bytes + format::kHeaderSize, headerBytes);
    decoded.header = format::headerOf(headerBytes);
    if (decoded.header.signature != format::kSignature) {
        return Fault::NotCompressed;
    }
    decoded.headerRead = true;
    if (decoded.header.flags != 0) {
        format::unscrambleTable(decoded.header); // a placeholder's table was never scrambled
    }
    if (image.size > format::kLargestFile) {
        return Fault::FileTooLong;
    }
    bool inTable[kByteValues] = {};
    ByteCounts counts = {};
    Fault fault = checkHeader(decoded.header);
    if (fault == Fault::None) {
        fault = checkTable(decoded.header, inTable);
    }
    if (fault == Fault::None) {
        fault = decodeStream(image, decoded, inTable, counts, lineFeeds);
    }
    return fault == Fault::None ? checkCounts(decoded.header, inTable, counts) : fault;
}

} // namespace decompress
