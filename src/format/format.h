// The compressed file, as both programs know it: a 36-byte header, then a
// stream of 4-bit codes packed two to a byte, high half first. Multi-byte
// fields are little-endian.
//
//   offset  size  field
//        0     2  signature       BE EB
//        2     1  flags           0x8C when finished, 0 in the placeholder
//        3     1  reserved        0
//        4     2  characterCount  characters coded in the stream
//        6    30  table           the character table, scrambled when finished
//       36     -  code stream
//
// A character at table position 0 to 13 is the one code 2 to 15; at 14 to 29
// it is 1, then the position less 14; any other byte is 0, its low half, its
// high half. Nothing marks a line end but the CR each line keeps.
#pragma once

#include <cstddef>
#include <cstdint>

namespace format {

inline constexpr std::uint16_t kSignature = 0xEBBE;
inline constexpr std::uint8_t kFinishedFlags = 0x8C;
// The 30 most frequent byte values: 14 cost one code, 16 cost two.
inline constexpr std::size_t kTableSize = 30;
inline constexpr std::size_t kHeaderSize = 6 + kTableSize;
static_assert(kHeaderSize == 36, "the header is 36 bytes on disk");

inline constexpr std::uint8_t kLiteralCode = 0;
inline constexpr std::uint8_t kSecondRankCode = 1;
inline constexpr std::uint8_t kFirstRankCode = 2; // the code of position 0
inline constexpr std::size_t kOneCodeEntries = 14;
inline constexpr std::size_t kLongestCode = 3; // a literal: 0, low half, high half

// A batch file's text as both programs see it: LF ends a line and is never
// coded, the CR before it stays and marks the line's end in the stream, a
// Ctrl-Z ends the text.
inline constexpr char kLineFeed = 0x0A;
inline constexpr char kCarriageReturn = 0x0D;
inline constexpr char kEndOfText = 0x1A; // Ctrl-Z
// A longer line is read and coded in pieces of at most this many bytes, each
// counted as a line of its own.
inline constexpr std::size_t kLongestPiece = 1024;

// Every byte value has a count, a code and a verdict of its own.
inline constexpr std::size_t kByteValues = 256;
// Kept lines, each counted with one byte for its line end, stay below this,
// so the character count fits its 16 bits and stays below it too.
inline constexpr std::int32_t kSourceLimit = 65504;

// The most characters a run codes. Each piece of a line holds at most
// kLongestPiece of them and counts one byte more toward the source limit: 65,439
// characters in 64 pieces reach 65,503, and 65,440 need 64 pieces too.
inline constexpr std::size_t kLargestText =
    (kSourceLimit - 1) * kLongestPiece / (kLongestPiece + 1);
static_assert(kLargestText == 65439, "64 pieces of at most 1024 characters");

// The longest file a run writes: the most characters, spread as evenly as they
// go over the byte values a line can hold (all but NUL, LF and Ctrl-Z), so
// that as many as can be are literals. Every table entry is then at least as
// frequent as any literal: 259 times each, and the 223 other values share
// the rest. A one-code entry saves two codes of a literal, a two-code one one.
inline constexpr std::size_t kLineByteValues = kByteValues - 3; // NUL, LF, Ctrl-Z
// 65,439 is no multiple of 253, so the evenest spread gives some values one more.
inline constexpr std::size_t kFewestPerEntry = kLargestText / kLineByteValues + 1;
inline constexpr std::size_t kMostCodes =
    kLongestCode * kLargestText -
    (2 * kOneCodeEntries + (kTableSize - kOneCodeEntries)) * kFewestPerEntry;
inline constexpr std::size_t kCodesPerByte = 2; // 4 bits each, the high half first
inline constexpr std::size_t kLargestFile =
    kHeaderSize + kMostCodes / kCodesPerByte + (kMostCodes % kCodesPerByte != 0);
static_assert(kLargestFile == 92497, "65,439 characters, 223 byte values as literals");
// So squeezle builds its whole file in a buffer of kLargestFile bytes, and
// unsqueezle refuses any longer file.

struct CompressedHeader {
    std::uint16_t signature = kSignature;
    std::uint8_t flags = 0;
    std::uint8_t reserved = 0;
    std::uint16_t characterCount = 0;
    // Positions 0 to 29, most frequent first; 0 where no byte value filled it.
    std::uint8_t table[kTableSize] = {};
};

// The header's 36 bytes in file order, written field by field.
void headerBytes(const CompressedHeader& header, std::uint8_t (&bytes)[kHeaderSize]);

// The header that `bytes` hold, read field by field; its table as stored.
CompressedHeader headerOf(const std::uint8_t (&bytes)[kHeaderSize]);

// Scrambles the table in place: the last byte stays, every other becomes its
// own value XOR the stored byte after it. Done once, on the final header.
void scrambleTable(CompressedHeader& header);

// Undoes scrambleTable: the table as the compressing run selected it.
void unscrambleTable(CompressedHeader& header);

// The signature's bytes at the start of every compressed file.
inline constexpr std::size_t kSignatureBytes = sizeof kSignature;

// True when a file's first two bytes are the signature, BE then EB.
bool hasSignature(std::uint8_t first, std::uint8_t second);

// How often each byte value occurs in a text; NUL is never counted.
using ByteCounts = std::uint32_t[kByteValues];

// The table's order: byte value `a` ranks before `b` by falling count, the
// lower value first among equals.
inline bool ranksBefore(const ByteCounts& counts, std::size_t a, std::size_t b) {
    return counts[a] > counts[b] || (counts[a] == counts[b] && a < b);
}

// The table a run selects from the counts of the characters it codes: the
// counted byte values in rank order, as many as fit, then free positions (0).
// Counts stay below kSourceLimit, as a text's do.
void rankTable(const ByteCounts& counts, std::uint8_t (&table)[kTableSize]);

// The codes of one character: `count` codes of 4 bits in `codes`, the first
// highest.
struct CharacterCodes {
    std::uint16_t codes;
    unsigned count;
};

// The codes of `byte` standing at table `position`; from kTableSize on, the
// literal that codes a byte the table lacks.
inline CharacterCodes codesAt(std::size_t position, std::uint8_t byte) {
    if (position < kOneCodeEntries) {
        return {static_cast<std::uint16_t>(kFirstRankCode + position), 1};
    }
    if (position < kTableSize) {
        return {static_cast<std::uint16_t>(kSecondRankCode << 4 | (position - kOneCodeEntries)), 2};
    }
    return {static_cast<std::uint16_t>(kLiteralCode << 8 | (byte & 0x0F) << 4 | byte >> 4), 3};
}

// The code stream's packing, both ways: the codes one after another, two
// to a byte, the high half first.

// Writes codes into a stream in order, each byte once it is whole.
struct CodeWriter {
    std::uint8_t* next;    // where the next whole byte goes
    std::uint32_t pending; // the codes not yet written, the last lowest
    unsigned bits;         // how many bits of `pending` they take: 0 or 4 between calls
};

// Writes `codes` after the codes before them.
inline void putCodes(CodeWriter& writer, CharacterCodes codes) {
    writer.pending = writer.pending << (4 * codes.count) | codes.codes;
    writer.bits += 4 * codes.count;
    while (writer.bits >= 8) {
        writer.bits -= 8;
        *writer.next++ = static_cast<std::uint8_t>(writer.pending >> writer.bits);
    }
}

// Writes an odd last code beside 0 bits: `next` is then the stream's end.
inline void finishCodes(CodeWriter& writer) {
    if (writer.bits != 0) {
        putCodes(writer, {0, 1});
    }
}

// The three codes from `index` on, the most a character takes, the first in
// bits 12 to 15. Reads the byte after the one that holds code `index`.
inline unsigned codesFrom(const std::uint8_t* stream, std::size_t index) {
    unsigned codes = static_cast<unsigned>(stream[index / 2] << 8 | stream[index / 2 + 1]);
    return codes << (index % 2 * 4) & 0xFFFF;
}

// A character read back: its byte, how many codes it took, and whether a
// literal coded it (the table lacks the byte, if the file is sound).
struct ReadCharacter {
    std::uint8_t byte;
    std::size_t codes;
    bool literal;
};

// The character that the next codes give, `window` holding the next three
// of them, the first in bits 12 to 15; a free position reads as NUL.
inline ReadCharacter characterAt(unsigned window, const std::uint8_t (&table)[kTableSize]) {
    unsigned first = window >> 12;
    unsigned second = window >> 8 & 0x0F;
    if (first >= kFirstRankCode) {
        return {table[first - kFirstRankCode], 1, false};
    }
    if (first == kSecondRankCode) {
        return {table[kOneCodeEntries + second], 2, false};
    }
    return {static_cast<std::uint8_t>((window & 0xF0) | second), 3, true}; // low half first
}

} // namespace format
