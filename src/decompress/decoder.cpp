#include "decompress/decoder.h"

#include <algorithm>
#include <cstring>
#include <iterator>

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

// One character the careful way, whatever `codes` hold: the next three, the
// first in the top four of 16 bits. A code's followers are taken before the
// stream's end is checked.
inline Fault decodeCharacter(unsigned codes, std::size_t halves, Decoded& decoded,
                             const Verdicts& verdicts, ByteCounts& counts, bool lineFeeds,
                             Progress& at) {
    format::ReadCharacter read = format::characterAt(codes, decoded.header.table);
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

// What the next two codes give when they start table characters that a
// sound file may hold: two one-code characters, else one. Its text has each
// CR with the LF it may keep; `taken` is the bits of its codes plus
// kCharacterMark for each character. Where no such character starts (a
// literal, a free position, a terminator) it takes and makes nothing, so that
// a run stands still there and leaves the character to decodeCharacter.
inline constexpr unsigned kCodeBits = 4;
inline constexpr unsigned kStepCodes = 2;
struct Step {
    std::uint8_t text[4];
    std::uint8_t emitted;
    std::uint8_t taken;
    std::uint8_t characters[kStepCodes];
};
inline constexpr unsigned kCharacterMark = 64; // above the shift counts of a 64-bit window
using Steps = Step[kByteValues];

// Where a run stands still.
inline constexpr Step kStandStill = {{'\n', '\n', '\n', '\n'}, 0, 0, {0, 0}};

// A character's step alone: none unless a sound file may hold it, by
// `verdicts` for a table character or for a literal.
Step stepOf(format::ReadCharacter read, const Fault (&verdicts)[kByteValues], bool lineFeeds) {
    if (verdicts[read.byte] != Fault::None) {
        return kStandStill;
    }
    bool lineFeed = lineFeeds && read.byte == format::kCarriageReturn;
    return {{read.byte, '\n', '\n', '\n'},
            static_cast<std::uint8_t>(lineFeed ? 2 : 1),
            static_cast<std::uint8_t>(read.codes * kCodeBits + kCharacterMark),
            {read.byte, 0}};
}

// A table character's step, with the one-code character after a one-code one.
void prepareSteps(const Decoded& decoded, const Verdicts& verdicts, bool lineFeeds, Steps& steps) {
    const auto& table = decoded.header.table;
    Step alone[kByteValues >> kCodeBits]; // a one-code character, by its code
    for (unsigned code = 0; code < std::size(alone); ++code) {
        format::ReadCharacter read = format::characterAt(code << 12, table);
        alone[code] = read.codes == 1 ? stepOf(read, verdicts.entry, lineFeeds) : kStandStill;
    }
    for (unsigned codes = 0; codes < kByteValues; ++codes) {
        format::ReadCharacter read = format::characterAt(codes << 8, table);
        Step& step = steps[codes];
        step = read.literal ? kStandStill : stepOf(read, verdicts.entry, lineFeeds);
        // A second code that starts no one-code character adds nothing.
        const Step& second = alone[codes & 0x0F];
        if (read.codes == 1 && step.taken != 0) {
            std::memcpy(step.text + step.emitted, second.text, 2);
            step.emitted = static_cast<std::uint8_t>(step.emitted + second.emitted);
            step.taken = static_cast<std::uint8_t>(step.taken + second.taken);
            step.characters[1] = second.characters[0];
        }
    }
}

// The stream's bytes from `at` on, the first in the top bits.
std::uint64_t bigEndian64(const std::uint8_t* at) {
    return std::uint64_t{at[0]} << 56 | std::uint64_t{at[1]} << 48 | std::uint64_t{at[2]} << 40 |
           std::uint64_t{at[3]} << 32 | std::uint64_t{at[4]} << 24 | std::uint64_t{at[5]} << 16 |
           std::uint64_t{at[6]} << 8 | std::uint64_t{at[7]};
}

// A run's window holds at least 60 bits of codes: seven steps of at most two
// codes each, with the two codes the last step looks at, fill it. A step
// makes a character of each code at most; the window is read from 8 bytes.
inline constexpr std::size_t kRunSteps = 7;
inline constexpr std::size_t kRunCharacters = kStepCodes * kRunSteps;
inline constexpr std::size_t kRunCodes = 8 * sizeof(std::uint64_t) / kCodeBits;
static_assert(kRunSteps * kStepCodes + kStepCodes <= kRunCodes, "a run's codes fit its window");

// Takes up to kRunSteps steps from `window` into `text`, counting each step
// by its codes. Returns what the steps took: bits, and characters above them.
unsigned runSteps(std::uint64_t window, const Steps& steps,
                  std::uint32_t (&stepCounts)[kByteValues], char* text, std::size_t& size) {
    unsigned taken = 0;
    for (std::size_t i = 0; i < kRunSteps; ++i) {
        auto codes = static_cast<std::size_t>(window >> 56);
        const Step& step = steps[codes];
        std::memcpy(text + size, step.text, sizeof step.text);
        size += step.emitted;
        ++stepCounts[codes];
        window <<= step.taken % kCharacterMark;
        taken += step.taken;
    }
    return taken;
}

// The literals' steps, by the two codes after the literal code: the byte
// that they code, or nothing where a sound file lacks it.
void prepareLiteralSteps(const Decoded& decoded, const Verdicts& verdicts, bool lineFeeds,
                         Steps& steps) {
    for (unsigned codes = 0; codes < kByteValues; ++codes) {
        steps[codes] = stepOf(format::characterAt(codes << 4, decoded.header.table),
                              verdicts.literal, lineFeeds);
    }
}

// Takes up to kRunLiterals literals from `window`, stopping before any
// other character and before a literal that a sound file lacks, counting
// each by its codes. Returns what they took, as runSteps does.
inline constexpr unsigned kLiteralBits = format::kLongestCode * kCodeBits;
inline constexpr std::size_t kRunLiterals = 5;
static_assert(kRunLiterals * kLiteralBits <= 64 - kCodeBits, "a run's literals fit its window");
static_assert(kRunLiterals * format::kLongestCode <= kRunCodes, "and its share of the stream");
static_assert(kRunLiterals <= kRunCharacters, "and its share of the count");

unsigned runLiterals(std::uint64_t window, const Steps& steps,
                     std::uint32_t (&stepCounts)[kByteValues], char* text, std::size_t& size) {
    unsigned taken = 0;
    for (std::size_t left = kRunLiterals; left > 0 && window >> 60 == format::kLiteralCode;
         --left) {
        auto codes = static_cast<std::size_t>(window >> 52 & 0xFF);
        const Step& step = steps[codes];
        if (step.taken == 0) {
            break;
        }
        std::memcpy(text + size, step.text, sizeof step.text);
        size += step.emitted;
        ++stepCounts[codes];
        window <<= kLiteralBits;
        taken += step.taken;
    }
    return taken;
}

// Each step's characters counted as often as the runs took the step.
void countSteps(const Steps& steps, const std::uint32_t (&stepCounts)[kByteValues],
                ByteCounts& counts) {
    for (std::size_t codes = 0; codes < kByteValues; ++codes) {
        const Step& step = steps[codes];
        for (unsigned i = 0; i < step.taken / kCharacterMark; ++i) {
            counts[step.characters[i]] += stepCounts[codes];
        }
    }
}

// Preparing both kinds of step costs about what 2,000 characters cost the
// careful way: a shorter text goes without runs.
inline constexpr std::size_t kFewestForRuns = 2048;

// Decodes while the count and the stream both have a run's worth left:
// runs of table characters by steps, runs of literals, and any other
// character the careful way.
Fault decodeRuns(const FileImage& image, Decoded& decoded, const Verdicts& verdicts,
                 ByteCounts& counts, bool lineFeeds, Progress& at) {
    Steps steps, literalSteps;
    prepareSteps(decoded, verdicts, lineFeeds, steps);
    prepareLiteralSteps(decoded, verdicts, lineFeeds, literalSteps);
    std::uint32_t stepCounts[kByteValues] = {};
    std::uint32_t literalCounts[kByteValues] = {};
    const std::uint8_t* stream = image.bytes + format::kHeaderSize;
    std::size_t halves = 2 * (image.size - format::kHeaderSize);
    std::size_t count = decoded.header.characterCount;
    Fault fault = Fault::None;
    while (fault == Fault::None && at.length + kRunCharacters <= count &&
           at.next + kRunCodes <= halves) {
        std::uint64_t window = bigEndian64(stream + at.next / 2) << (at.next % 2 * kCodeBits);
        unsigned taken =
            steps[window >> 56].taken != 0
                ? runSteps(window, steps, stepCounts, decoded.text, at.size)
                : runLiterals(window, literalSteps, literalCounts, decoded.text, at.size);
        at.next += taken % kCharacterMark / kCodeBits;
        at.length += taken / kCharacterMark;
        if (taken == 0) {
            fault = decodeCharacter(static_cast<unsigned>(window >> 48), halves, decoded, verdicts,
                                    counts, lineFeeds, at);
        }
    }
    countSteps(steps, stepCounts, counts);
    countSteps(literalSteps, literalCounts, counts);
    return fault;
}

// Decodes the characters one after another into `text`, counting each byte
// value: by runs where they pay, and the last ones the careful way.
Fault decodeStream(const FileImage& image, Decoded& decoded, const bool (&inTable)[kByteValues],
                   ByteCounts& counts, bool lineFeeds) {
    Verdicts verdicts;
    judgeCharacters(inTable, verdicts);
    const std::uint8_t* stream = image.bytes + format::kHeaderSize;
    std::size_t halves = 2 * (image.size - format::kHeaderSize);
    std::size_t count = decoded.header.characterCount;
    Progress at{0, 0, 0};
    Fault fault = Fault::None;
    if (count >= kFewestForRuns) {
        fault = decodeRuns(image, decoded, verdicts, counts, lineFeeds, at);
    }
    while (fault == Fault::None && at.length < count) {
        fault = decodeCharacter(codeWindow(stream, at.next), halves, decoded, verdicts, counts,
                                lineFeeds, at);
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
