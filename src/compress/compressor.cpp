#include "compress/compressor.h"

#include "base/report.h"

#include <cstring>

namespace compress {

void Compressor::beginPass(int pass) {
    if (pass == 2) {
        writeHeader(false); // the placeholder: not counted, overwritten by finish()
        position_ = 0;
    }
}

void Compressor::takeLine(int pass, const char* line) {
    if (pass == 1) {
        countLine(counts_, line);
    } else {
        codeLine(line);
    }
}

void Compressor::endPass(int pass) {
    if (pass == 1) {
        selectTable(counts_, header_);
        selectCodes();
    }
}

// Looked up once per byte value rather than searched for once per character.
// Free positions hold 0, which no line holds.
void Compressor::selectCodes() {
    auto pack = [](format::CharacterCodes codes) {
        unsigned packed = 0;
        for (std::size_t i = 0; i < codes.count; ++i) {
            packed = packed << 4 | codes.code[i];
        }
        return PackedCodes{static_cast<std::uint16_t>(packed),
                           static_cast<std::uint8_t>(4 * codes.count)};
    };
    for (std::size_t value = 0; value < kByteValues; ++value) {
        codes_[value] = pack(format::codesAt(format::kTableSize, static_cast<std::uint8_t>(value)));
    }
    for (std::size_t position = 0; position < format::kTableSize; ++position) {
        codes_[header_.table[position]] = pack(format::codesAt(position, header_.table[position]));
    }
}

void Compressor::putWord(std::uint32_t word) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        buffer_[position_++] = static_cast<std::uint8_t>(word >> shift);
    }
    if (position_ == kOutputBufferSize) {
        writeOut(buffer_, kOutputBufferSize, true);
        position_ = 0;
    }
}

void Compressor::writeOut(const std::uint8_t* bytes, std::size_t length, bool counted) {
    if (platform::writeFile(output_, bytes, length) != static_cast<long>(length)) {
        base::fail(base::Failure::WriteOutput);
    }
    if (counted) {
        compressedSize_ += static_cast<std::int32_t>(length);
    }
}

void Compressor::codeLine(const char* line) {
    auto length = static_cast<std::int32_t>(std::strlen(line)); // at most 1024
    characterCount_ += length;
    sourceSize_ += length + 1;
    if (sourceSize_ >= format::kSourceLimit) {
        base::fail(base::Failure::TooLarge);
    }
    // Kept in locals: the buffer's bytes may alias any member.
    std::uint64_t pending = pending_;
    unsigned pendingBits = pendingBits_;
    for (; *line != '\0'; ++line) {
        PackedCodes codes = codes_[static_cast<std::uint8_t>(*line)];
        pending = pending << codes.bits | codes.codes;
        pendingBits += codes.bits;
        if (pendingBits >= kWordBits) {
            pendingBits -= kWordBits;
            putWord(static_cast<std::uint32_t>(pending >> pendingBits));
        }
    }
    pending_ = pending;
    pendingBits_ = pendingBits;
}

// The last codes go out a byte at a time; an odd one out gets a 0 beside it.
void Compressor::finish() {
    if (pendingBits_ % 8 != 0) {
        pending_ <<= 4;
        pendingBits_ += 4;
    }
    for (; pendingBits_ > 0; pendingBits_ -= 8) {
        buffer_[position_++] = static_cast<std::uint8_t>(pending_ >> (pendingBits_ - 8));
    }
    if (position_ > 0) {
        writeOut(buffer_, position_, true);
    }
    header_.characterCount = static_cast<std::uint16_t>(characterCount_ & 0xFFFF);
    if (!platform::seekTo(output_, 0)) {
        base::fail(base::Failure::SeekOutput);
    }
    header_.flags |= format::kFinishedFlags;
    format::scrambleTable(header_);
    writeHeader(true);
}

void Compressor::writeHeader(bool counted) {
    std::uint8_t bytes[format::kHeaderSize];
    format::headerBytes(header_, bytes);
    writeOut(bytes, format::kHeaderSize, counted);
}

} // namespace compress
