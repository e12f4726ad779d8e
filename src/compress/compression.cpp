#include "compress/compression.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace compress {
namespace {

PackedCodes pack(format::CharacterCodes codes) {
    unsigned packed = 0;
    for (std::size_t i = 0; i < codes.count; ++i) {
        packed = packed << 4 | codes.code[i];
    }
    return packed << kCodesShift | static_cast<unsigned>(4 * codes.count);
}

// Looked up once per byte value rather than searched for once per character.
// The LF after each line and the NULs after the text are no characters:
// they get no codes at all.
void selectCodes(Compression& compression) {
    for (std::size_t value = 0; value < format::kByteValues; ++value) {
        compression.codes[value] =
            pack(format::codesAt(format::kTableSize, static_cast<std::uint8_t>(value)));
    }
    std::size_t position = 0;
    for (std::uint8_t entry : compression.header.table) {
        compression.codes[entry] = pack(format::codesAt(position++, entry));
    }
    compression.codes[0] = 0;
    compression.codes[static_cast<std::uint8_t>(format::kLineFeed)] = 0;
}

// A word at a time, each of its bytes counted: every byte of the text passes
// here. The NULs after the text's end, the last word's rest, count as NULs.
void countBytes(const char* bytes, std::size_t size, format::ByteCounts& counts) {
    for (const char* end = bytes + size; bytes < end; bytes += sizeof(std::uint64_t)) {
        std::uint64_t word = 0;
        std::memcpy(&word, bytes, sizeof word);
        for (std::size_t byte = 0; byte != sizeof word; ++byte, word >>= 8) {
            ++counts[word & 0xFF];
        }
    }
}

// Holds the lines in `size` bytes of `text` one at a time, as far as they
// stay below the limit; false, as they never all do.
bool holdLinesThatFit(Compression& compression, const char* text, std::size_t size) {
    for (const char* end = text + size; text <= end;) {
        const void* lineFeed = std::memchr(text, format::kLineFeed, static_cast<std::size_t>(end - text));
        const char* lineEnd = lineFeed == nullptr ? end : static_cast<const char*>(lineFeed);
        if (!holdLines(compression, text, static_cast<std::size_t>(lineEnd - text), 1)) {
            return false;
        }
        text = lineEnd + 1;
    }
    return false;
}

} // namespace

void beginCompression(Compression& compression) {
    compression.sourceSize = 0;
    compression.lines = 0;
    compression.header = format::CompressedHeader{};
    std::fill(std::begin(compression.counts), std::end(compression.counts), 0);
    compression.fileSize = 0;
}

bool holdLines(Compression& compression, const char* text, std::size_t size,
               std::uint32_t lines) {
    // Each line counts its bytes and one for its end: so do the lines together.
    if (compression.sourceSize + size + 1 >= format::kSourceLimit) {
        return lines > 1 && holdLinesThatFit(compression, text, size);
    }
    char* held = compression.source + compression.sourceSize;
    std::memcpy(held, text, size);
    held[size] = format::kLineFeed;
    compression.sourceSize += size + 1;
    compression.lines += lines;
    return true;
}

void selectTable(Compression& compression) {
    std::memset(compression.source + compression.sourceSize, 0, sizeof(std::uint64_t));
    countBytes(compression.source, compression.sourceSize, compression.counts);
    compression.counts[0] = 0;                 // the NULs after the text
    compression.counts[static_cast<std::uint8_t>(format::kLineFeed)] = 0; // the lines' ends
    format::rankTable(compression.counts, compression.header.table);
    selectCodes(compression);
}

void codeSource(Compression& compression) {
    std::uint8_t* out = compression.file + format::kHeaderSize;
    std::uint64_t pending = 0; // codes not yet out, the last in the lowest 4 bits
    unsigned pendingBits = 0;  // fewer than kWordBits between pairs
    // Two characters at a time, at most 24 bits: the pending codes never pass
    // 56 bits. A held text of odd size ends with one of the NULs after it,
    // which have no codes (see selectTable()).
    const char* source = compression.source;
    const PackedCodes* codes = compression.codes;
    std::size_t end = compression.sourceSize + compression.sourceSize % 2;
    for (std::size_t i = 0; i != end; i += 2) {
        PackedCodes first = codes[static_cast<std::uint8_t>(source[i])];
        PackedCodes second = codes[static_cast<std::uint8_t>(source[i + 1])];
        unsigned firstBits = first & kBitsMask;
        unsigned secondBits = second & kBitsMask;
        pending =
            (pending << firstBits | first >> kCodesShift) << secondBits | second >> kCodesShift;
        pendingBits += firstBits + secondBits;
        if (pendingBits >= kWordBits) {
            pendingBits -= kWordBits;
            auto word = static_cast<std::uint32_t>(pending >> pendingBits);
            for (int shift = 24; shift >= 0; shift -= 8) {
                *out++ = static_cast<std::uint8_t>(word >> shift);
            }
        }
    }
    // The last codes go out a byte at a time; an odd one out gets a 0 beside it.
    if (pendingBits % 8 != 0) {
        pending <<= 4;
        pendingBits += 4;
    }
    for (; pendingBits > 0; pendingBits -= 8) {
        *out++ = static_cast<std::uint8_t>(pending >> (pendingBits - 8));
    }
    compression.fileSize = static_cast<std::size_t>(out - compression.file);
    format::CompressedHeader& header = compression.header;
    header.characterCount = static_cast<std::uint16_t>(compression.sourceSize - compression.lines);
    header.flags = format::kFinishedFlags;
    format::scrambleTable(header);
    std::uint8_t bytes[format::kHeaderSize];
    format::headerBytes(header, bytes);
    std::memcpy(compression.file, bytes, sizeof bytes);
}

} // namespace compress
