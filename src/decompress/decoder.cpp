#include "decompress/decoder.h"

#include <algorithm>

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

// Decodes the characters one after another into `text`, counting each byte
// value: the counters stay local, since a write through `text` could be one
// to any of them. A code's followers are taken before the stream's end is
// checked.
Fault decodeStream(const FileImage& image, Decoded& decoded, const bool (&inTable)[kByteValues],
                   ByteCounts& counts, bool lineFeeds) {
    Verdicts verdicts;
    judgeCharacters(inTable, verdicts);
    const std::uint8_t* stream = image.bytes + format::kHeaderSize;
    const auto& table = decoded.header.table;
    std::size_t halves = 2 * (image.size - format::kHeaderSize);
    std::size_t next = 0, length = 0, size = 0, count = decoded.header.characterCount;
    Fault fault = Fault::None;
    while (length < count) {
        format::ReadCharacter read = format::characterAt(codeWindow(stream, next), table);
        std::uint8_t character = read.byte;
        next += read.codes;
        const Fault* verdict = read.literal ? verdicts.literal : verdicts.entry;
        fault = next > halves ? Fault::StreamEnds : verdict[character];
        if (fault != Fault::None) {
            break;
        }
        ++length;
        ++counts[character];
        decoded.text[size++] = static_cast<char>(character);
        decoded.text[size] = '\n'; // kept only after a CR, when asked
        size += lineFeeds && character == format::kCarriageReturn ? 1 : 0;
    }
    decoded.length = length;
    decoded.size = size;
    decoded.lines = counts[static_cast<std::uint8_t>(format::kCarriageReturn)];
    if (fault != Fault::None || halves - next > 1) {
        return fault != Fault::None ? fault : Fault::BytesAfterStream;
    }
    // A half left over is the padding: the low half of the last byte.
    return halves - next == 1 && (image.bytes[image.size - 1] & 0x0F) != 0 ? Fault::PaddingSet
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
