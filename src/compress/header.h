// The compressed file: a 36-byte header, then a stream of 4-bit codes packed
// two to a byte, high half first. Multi-byte fields are little-endian.
//
//   offset  size  field
//        0     2  signature       BE EB
//        2     1  flags           0x8C when finished, 0 in the placeholder
//        3     1  reserved        0
//        4     2  characterCount  characters coded in the stream
//        6    30  table           the character table, scrambled when finished
//       36     -  code stream
#pragma once

#include <cstddef>
#include <cstdint>

namespace compress {

inline constexpr std::uint16_t kSignature = 0xEBBE;
inline constexpr std::uint8_t kFinishedFlags = 0x8C;
// The 30 most frequent byte values: 14 cost one code, 16 cost two.
inline constexpr std::size_t kTableSize = 30;
inline constexpr std::size_t kHeaderSize = 6 + kTableSize;
static_assert(kHeaderSize == 36, "the header is 36 bytes on disk");

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

// Scrambles the table in place: the last byte stays, every other becomes its
// own value XOR the stored byte after it. Done once, on the final header.
void scrambleTable(CompressedHeader& header);

// True when the first two of `firstBytes` are the signature, BE then EB.
bool hasSignature(const std::uint8_t (&firstBytes)[4]);

} // namespace compress
