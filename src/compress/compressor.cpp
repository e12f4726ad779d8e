#include "compress/compressor.h"

#include "app/messages.h"

#include <cstring>

namespace compress {
namespace {

// The table position of `byte`, the first if it stands twice; kTableSize when
// it is not in the table.
std::size_t positionInTable(const CompressedHeader& header, std::uint8_t byte) {
    std::size_t position = 0;
    while (position < kTableSize && header.table[position] != byte) {
        ++position;
    }
    return position;
}

} // namespace

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
    }
}

void Compressor::putCode(std::uint8_t value) {
    if (!highHalfFilled_) {
        buffer_[position_] = static_cast<std::uint8_t>(value << 4);
    } else {
        buffer_[position_] |= static_cast<std::uint8_t>(value & 0x0F);
        if (++position_ == kOutputBufferSize) {
            writeOut(buffer_, kOutputBufferSize, true);
            position_ = 0;
        }
    }
    highHalfFilled_ = !highHalfFilled_;
}

void Compressor::writeOut(const std::uint8_t* bytes, std::size_t length, bool counted) {
    if (platform::writeFile(output_, bytes, length) != static_cast<long>(length)) {
        app::fail(app::Failure::WriteOutput);
    }
    if (counted) {
        compressedSize_ += static_cast<std::int32_t>(length);
    }
}

void Compressor::codeLine(const char* line) {
    auto length = static_cast<std::int32_t>(std::strlen(line)); // at most 1024
    characterCount_ += length;
    sourceSize_ += length + 1;
    if (sourceSize_ >= kSourceLimit) {
        app::fail(app::Failure::TooLarge);
    }
    for (; *line != '\0'; ++line) {
        std::uint8_t byte = static_cast<std::uint8_t>(*line);
        std::size_t position = positionInTable(header_, byte);
        if (position < kOneCodeEntries) {
            putCode(static_cast<std::uint8_t>(position + 2));
        } else if (position < kTableSize) {
            putCode(kSecondRankCode);
            putCode(static_cast<std::uint8_t>(position - kOneCodeEntries));
        } else {
            putCode(kLiteralCode);
            putCode(byte & 0x0F);
            putCode(byte >> 4);
        }
    }
}

void Compressor::finish() {
    if (highHalfFilled_) {
        putCode(0);
    }
    if (position_ > 0) {
        writeOut(buffer_, position_, true);
    }
    header_.characterCount = static_cast<std::uint16_t>(characterCount_ & 0xFFFF);
    if (!platform::seekTo(output_, 0)) {
        app::fail(app::Failure::SeekOutput);
    }
    header_.flags |= kFinishedFlags;
    scrambleTable(header_);
    writeHeader(true);
}

void Compressor::writeHeader(bool counted) {
    std::uint8_t bytes[kHeaderSize];
    headerBytes(header_, bytes);
    writeOut(bytes, kHeaderSize, counted);
}

} // namespace compress
