#include "compress/header.h"

namespace compress {
namespace {

void putLittleEndian16(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value & 0xFF);
    at[1] = static_cast<std::uint8_t>(value >> 8);
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

void scrambleTable(CompressedHeader& header) {
    for (std::size_t i = kTableSize - 1; i-- > 0;) {
        header.table[i] ^= header.table[i + 1];
    }
}

bool hasSignature(const std::uint8_t (&firstBytes)[4]) {
    return firstBytes[0] == (kSignature & 0xFF) && firstBytes[1] == (kSignature >> 8);
}

} // namespace compress
