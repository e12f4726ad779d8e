#include "compress/compression.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace compress {
namespace {

// Looked up once per byte value rather than searched for once per character.
void setCodes(Compression& compression, std::uint8_t value, format::CharacterCodes codes) {
    std::uint64_t packed = 0;
    for (std::size_t i = 0; i < codes.count; ++i) {
        packed = packed << 4 | codes.code[i];
    }
    compression.codes[value] = packed;
    compression.codeShift[value] = static_cast<std::uint8_t>(4 * codes.count);
    compression.codeBits[value] = 4 * codes.count;
}

// The LFs after lines and the NULs after the text are no characters:
// they get no codes at all.
void selectCodes(Compression& compression) {
    for (std::size_t value = 0; value < format::kByteValues; ++value) {
        auto byte = static_cast<std::uint8_t>(value);
        setCodes(compression, byte, format::codesAt(format::kTableSize, byte));
    }
    std::size_t position = 0;
    for (std::uint8_t entry : compression.header.table) {
        setCodes(compression, entry, format::codesAt(position++, entry));
    }
    setCodes(compression, 0, format::CharacterCodes{{}, 0});
    setCodes(compression, static_cast<std::uint8_t>(format::kLineFeed),
             format::CharacterCodes{{}, 0});
}

// Every byte of the text counted, its LFs too.
void countBytes(const std::uint8_t* bytes, std::size_t size, format::ByteCounts& counts) {
    std::fill(std::begin(counts), std::end(counts), 0);
    for (const std::uint8_t* end = bytes + size; bytes < end; ++bytes) {
        ++counts[*bytes];
    }
}

const std::uint8_t* bytesOf(const char* text) {
    return reinterpret_cast<const std::uint8_t*>(text);
}

// The coder's state: the last 64 bits coded, the last in the lowest bits,
// and how many it has coded. Before the first, zeros.
struct Coder {
    std::uint64_t pending = 0;
    std::size_t bits = 0;
};

// The 8 bytes of `word`, the highest first.
void putBigEndian64(std::uint8_t* at, std::uint64_t word) {
    at[0] = static_cast<std::uint8_t>(word >> 56);
    at[1] = static_cast<std::uint8_t>(word >> 48);
    at[2] = static_cast<std::uint8_t>(word >> 40);
    at[3] = static_cast<std::uint8_t>(word >> 32);
    at[4] = static_cast<std::uint8_t>(word >> 24);
    at[5] = static_cast<std::uint8_t>(word >> 16);
    at[6] = static_cast<std::uint8_t>(word >> 8);
    at[7] = static_cast<std::uint8_t>(word);
}

// Stores the last 8 bytes that the codes so far reach into, a part byte
// padded with 0 bits: the codes after it overwrite the padding. Codes are
// half a byte, so a part byte holds one and the padding is as long.
void storeLastBytes(std::uint8_t* stream, const Coder& coder) {
    std::size_t padding = coder.bits % 8;
    putBigEndian64(stream + (coder.bits + padding) / 8 - sizeof coder.pending,
                   coder.pending << padding);
}

// Codes four characters. Their codes are joined before they join the pending
// ones, which then wait on one shift for the four, not on four. The codes so
// far are stored first: by then it is known where they go, which the loads
// after the store would otherwise wait for. Inline, or g++ -O2 calls it.
inline void codeFour(const Compression& compression, const std::uint8_t* source,
                     std::uint8_t* stream, Coder& coder) {
    std::uint64_t codes = compression.codes[source[0]];
    codes = codes << compression.codeShift[source[1]] | compression.codes[source[1]];
    codes = codes << compression.codeShift[source[2]] | compression.codes[source[2]];
    codes = codes << compression.codeShift[source[3]] | compression.codes[source[3]];
    std::size_t bits = compression.codeBits[source[0]] + compression.codeBits[source[1]] +
                       compression.codeBits[source[2]] + compression.codeBits[source[3]];
    storeLastBytes(stream, coder);
    // The codes not yet stored whole, a part byte's, the four characters' and
    // the padding of the next store, fit the pending 64.
    static_assert(4 + 4 * 4 * format::kLongestCode + 4 <= 64, "four characters a store");
    coder.pending = coder.pending << bits | codes;
    coder.bits += bits;
}

// Takes the lines in `text` one at a time, up to the one that reaches the
// limit, which one does when they do not fit together: how many it took.
std::uint32_t takeLinesThatFit(Compression& compression, const char* text, std::size_t size) {
    const char* end = text + size;
    for (std::uint32_t taken = 0;; ++taken) {
        const void* lineFeed =
            std::memchr(text, format::kLineFeed, static_cast<std::size_t>(end - text));
        const char* lineEnd = lineFeed == nullptr ? end : static_cast<const char*>(lineFeed);
        if (takeLines(compression, text, static_cast<std::size_t>(lineEnd - text), 1) == 0) {
            return taken;
        }
        text = lineEnd + 1;
    }
}

} // namespace

void beginCompression(Compression& compression) {
    compression.sourceSize = 0;
    compression.lines = 0;
    compression.header = format::CompressedHeader{};
    std::fill(std::begin(compression.counts), std::end(compression.counts), 0);
    compression.fileSize = 0;
}

std::uint32_t takeLines(Compression& compression, const char* text, std::size_t size,
                        std::uint32_t lines) {
    // Each line counts its bytes and one for its end: so do the lines together.
    if (compression.sourceSize + size + 1 >= format::kSourceLimit) {
        return lines > 1 ? takeLinesThatFit(compression, text, size) : 0;
    }
    compression.sourceSize += size + 1;
    compression.lines += lines;
    return lines;
}

void selectTable(Compression& compression, const char* text, std::size_t size) {
    countBytes(bytesOf(text), size, compression.counts);
    // Neither the lines' ends nor the NULs after the text are characters.
    compression.counts[0] = 0;
    compression.counts[static_cast<std::uint8_t>(format::kLineFeed)] = 0;
    format::rankTable(compression.counts, compression.header.table);
    selectCodes(compression);
}

void codeSource(Compression& compression, const char* text, std::size_t size) {
    Coder coder;
    std::uint8_t* file = compression.file;
    // Stores before the stream's eighth byte reach into the header, which is
    // put in front last.
    std::uint8_t* stream = file + format::kHeaderSize;
    // Past the text's end are the NULs after it, which have no codes (see
    // selectTable()): so the last few characters may be taken with them.
    const std::uint8_t* source = bytesOf(text);
    for (const std::uint8_t* end = source + size; source < end; source += 8) {
        codeFour(compression, source, stream, coder);
        codeFour(compression, source + 4, stream, coder);
    }
    storeLastBytes(stream, coder); // so an odd code out has a 0 beside it
    std::uint8_t* out = stream + (coder.bits + 7) / 8;
    compression.fileSize = static_cast<std::size_t>(out - file);
    format::CompressedHeader& header = compression.header;
    header.characterCount = static_cast<std::uint16_t>(compression.sourceSize - compression.lines);
    header.flags = format::kFinishedFlags;
    format::scrambleTable(header);
    std::uint8_t bytes[format::kHeaderSize];
    format::headerBytes(header, bytes);
    std::memcpy(file, bytes, sizeof bytes);
}

} // namespace compress
