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
    for (; *line != '\0'; ++line) {
        format::CharacterCodes codes = format::codesOf(header_, static_cast<std::uint8_t>(*line));
        for (std::size_t i = 0; i < codes.count; ++i) {
            putCode(codes.code[i]);
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
