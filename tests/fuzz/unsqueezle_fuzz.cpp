// libFuzzer target: any bytes as a compressed file, for unsqueezle's decoder.
// It must never crash or read out of bounds, and it must accept exactly the
// files a compressing run writes: a file it finds sound is, byte for byte,
// its text coded again under its own table.
#include "decompress/decoder.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

decompress::FileImage image;
decompress::Decoded decoded;

std::vector<std::uint8_t> recoded() {
    format::CompressedHeader header = decoded.header;
    header.flags = format::kFinishedFlags;
    format::scrambleTable(header);
    std::uint8_t bytes[format::kHeaderSize];
    format::headerBytes(header, bytes);
    std::vector<std::uint8_t> file(bytes, bytes + format::kHeaderSize);
    std::vector<std::uint8_t> codes;
    for (std::size_t i = 0; i < decoded.length; ++i) {
        auto byte = static_cast<std::uint8_t>(decoded.text[i]);
        const std::uint8_t* table = decoded.header.table;
        auto character = format::codesAt(std::find(table, table + 30, byte) - table, byte);
        codes.insert(codes.end(), character.code, character.code + character.count);
    }
    codes.push_back(0); // the padding, when the count is odd
    for (std::size_t i = 0; i + 1 < codes.size(); i += 2) {
        file.push_back(static_cast<std::uint8_t>(codes[i] << 4 | codes[i + 1]));
    }
    return file;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > decompress::kImageCapacity) {
        return -1;
    }
    std::memcpy(image.bytes, data, size);
    image.size = size;
    if (decompress::decode(image, decoded) == base::Failure::None &&
        recoded() != std::vector<std::uint8_t>(data, data + size)) {
        std::abort();
    }
    return 0;
}
