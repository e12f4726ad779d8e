#include "compress/compression.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace compress {
namespace {

// Looked up once per byte value rather than searched for once per character.
void selectCodes(Compression& compression) {
    std::uint8_t byte = 0; // every byte value a literal first, in turn
    for (format::CharacterCodes& codes : compression.codes) {
        codes = format::codesAt(format::kTableSize, byte++);
    }
    std::size_t position = 0;
    for (std::uint8_t entry : compression.header.table) {
        compression.codes[entry] = format::codesAt(position++, entry);
    }
}

// Every byte of the text counted.
void countBytes(const std::uint8_t* bytes, std::size_t size, format::ByteCounts& counts) {
    std::fill(std::begin(counts), std::end(counts), 0);
    for (const std::uint8_t* end = bytes + size; bytes < end; ++bytes) {
        ++counts[*bytes];
    }
}

const std::uint8_t* bytesOf(const char* text) {
    return reinterpret_cast<const std::uint8_t*>(text);
}

} // namespace

void beginCompression(Compression& compression) {
    compression.sourceSize = 0;
    compression.lines = 0;
    compression.header = format::CompressedHeader{};
    std::fill(std::begin(compression.counts), std::end(compression.counts), 0);
    compression.fileSize = 0;
}

bool takeLine(Compression& compression, std::size_t length) {
    // Each line counts its bytes and one for its end.
    if (compression.sourceSize + length + 1 >= format::kSourceLimit) {
        return false;
    }
    compression.sourceSize += length + 1;
    ++compression.lines;
    return true;
}

void selectTable(Compression& compression, const char* text, std::size_t size) {
    countBytes(bytesOf(text), size, compression.counts);
    format::rankTable(compression.counts, compression.header.table);
    selectCodes(compression);
}

void codeSource(Compression& compression, const char* text, std::size_t size) {
    format::CodeWriter writer{compression.file + format::kHeaderSize, 0, 0};
    const std::uint8_t* source = bytesOf(text);
    for (std::size_t at = 0; at < size; ++at) {
        format::putCodes(writer, compression.codes[source[at]]);
    }
    format::finishCodes(writer);
    compression.fileSize = static_cast<std::size_t>(writer.next - compression.file);
    format::CompressedHeader& header = compression.header;
    header.characterCount = static_cast<std::uint16_t>(compression.sourceSize - compression.lines);
    header.flags = format::kFinishedFlags;
    format::scrambleTable(header);
    std::uint8_t bytes[format::kHeaderSize];
    format::headerBytes(header, bytes);
    std::memcpy(compression.file, bytes, sizeof bytes);
}

} // namespace compress
