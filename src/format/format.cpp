#include "format/format.h"

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
    for (std::size_t i = 0; i < kTableSize; ++i) {
        bytes[6 + i] = header.table[i];
    }
}

CompressedHeader headerOf(const std::uint8_t (&bytes)[kHeaderSize]) {
    CompressedHeader header;
    header.signature = littleEndian16(bytes);
    header.flags = bytes[2];
    header.reserved = bytes[3];
    header.characterCount = littleEndian16(bytes + 4);
    for (std::size_t i = 0; i < kTableSize; ++i) {
        header.table[i] = bytes[6 + i];
    }
    return header;
}

void scrambleTable(CompressedHeader& header) {
    for (std::size_t i = kTableSize - 1; i-- > 0;) {
        header.table[i] ^= header.table[i + 1];
    }
}

// Front to back, each stored byte still has its stored successor beside it.
void unscrambleTable(CompressedHeader& header) {
    for (std::size_t i = 0; i + 1 < kTableSize; ++i) {
        header.table[i] ^= header.table[i + 1];
    }
}

bool hasSignature(const std::uint8_t (&firstBytes)[4]) {
    return firstBytes[0] == (kSignature & 0xFF) && firstBytes[1] == (kSignature >> 8);
}

CharacterCodes codesOf(const CompressedHeader& header, std::uint8_t byte) {
    std::size_t position = 0;
    while (position < kTableSize && header.table[position] != byte) {
        ++position;
    }
    return codesAt(position, byte);
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
