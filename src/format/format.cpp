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

// A counted value's rank as one number, the higher ranking first: its count,
// then its value's complement, so the lower value comes first among equals.
std::uint32_t rankKey(const ByteCounts& counts, std::size_t value) {
    static_assert(kSourceLimit < 1 << 24, "a count fits beside a byte");
    return static_cast<std::uint32_t>(counts[value] << 8 | (0xFF - value));
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

// Each counted value goes in after every entry that ranks before it; one
// that ranks after a full table's last is out.
void rankTable(const ByteCounts& counts, std::uint8_t (&table)[kTableSize]) {
    std::uint32_t keys[kTableSize]; // the entries', falling
    std::size_t ranked = 0;
    for (std::size_t value = 0; value < kByteValues; ++value) {
        if (counts[value] == 0) {
            continue;
        }
        std::uint32_t key = rankKey(counts, value);
        if (ranked == kTableSize && key < keys[kTableSize - 1]) {
            continue;
        }
        std::uint32_t* kept = keys + (ranked < kTableSize ? ranked++ : kTableSize - 1);
        std::uint32_t* at = std::upper_bound(keys, kept, key, std::greater<>());
        std::copy_backward(at, kept, kept + 1);
        *at = key;
    }
    for (std::size_t position = 0; position < kTableSize; ++position) {
        table[position] =
            position < ranked ? static_cast<std::uint8_t>(0xFF - (keys[position] & 0xFF)) : 0;
    }
}

} // namespace format
