#include "format/format.h"

#include <algorithm>
#include <functional>
#include <iterator>
#include <numeric>

namespace format {
namespace {

void putLittleEndian16(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value & 0xFF);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

std::uint16_t littleEndian16(const std::uint8_t* at) {
    return static_cast<std::uint16_t>(at[0] | (at[1] << 8));
}

} // namespace

void headerBytes(const CompressedHeader& header, std::uint8_t (&bytes)[kHeaderSize]) {
    putLittleEndian16(bytes, header.signature);
    bytes[2] = header.flags;
    bytes[3] = header.reserved;
    putLittleEndian16(bytes + 4, header.characterCount);
    std::copy(std::begin(header.table), std::end(header.table), bytes + 6);
}

CompressedHeader headerOf(const std::uint8_t (&bytes)[kHeaderSize]) {
    CompressedHeader header;
    header.signature = littleEndian16(bytes);
    header.flags = bytes[2];
    header.reserved = bytes[3];
    header.characterCount = littleEndian16(bytes + 4);
    std::copy(bytes + 6, std::end(bytes), header.table);
    return header;
}

// Each stored byte is the XOR of its table byte and all after it: a running
// XOR from the end, which the XOR of stored neighbours undoes.
void scrambleTable(CompressedHeader& header) {
    std::partial_sum(std::rbegin(header.table), std::rend(header.table), std::rbegin(header.table),
                     std::bit_xor<>());
}

void unscrambleTable(CompressedHeader& header) {
    std::adjacent_difference(std::rbegin(header.table), std::rend(header.table),
                             std::rbegin(header.table), std::bit_xor<>());
}

bool hasSignature(std::uint8_t first, std::uint8_t second) {
    return first == (kSignature & 0xFF) && second == (kSignature >> 8);
}

void rankTable(const ByteCounts& counts, std::uint8_t (&table)[kTableSize]) {
    std::uint8_t values[kByteValues];
    std::iota(std::begin(values), std::end(values), std::uint8_t{0});
    std::partial_sort(
        std::begin(values), values + kTableSize, std::end(values),
        [&counts](std::uint8_t a, std::uint8_t b) { return ranksBefore(counts, a, b); });
    std::transform(values, values + kTableSize, table,
                   [&counts](std::uint8_t value) { return counts[value] > 0 ? value : 0; });
}

CharacterCodes codesAt(std::size_t position, std::uint8_t byte) {
    if (position < kOneCodeEntries) {
        return {{static_cast<std::uint8_t>(kFirstRankCode + position)}, 1};
    }
    if (position < kTableSize) {
        return {{kSecondRankCode, static_cast<std::uint8_t>(position - kOneCodeEntries)}, 2};
    }
    return {{kLiteralCode, static_cast<std::uint8_t>(byte & 0x0F),
             static_cast<std::uint8_t>(byte >> 4)},
            3};
}

} // namespace format
