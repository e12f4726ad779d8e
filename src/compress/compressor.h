// The compressor that the run sequence drives: pass 1 counts characters for
// the table, pass 2 codes every kept line into 4-bit codes behind a
// placeholder header, and finish() completes the stream and the header.
#pragma once

#include "compress/char_table.h"
#include "compress/pass_consumer.h"
#include "format/format.h"

#include <cstdint>

namespace compress {

// The stream leaves the tool in writes of this size, plus one shorter write.
inline constexpr std::size_t kOutputBufferSize = 1024;
// Codes reach the buffer eight at a time, as one 32-bit word.
inline constexpr unsigned kWordBits = 32;
static_assert(kOutputBufferSize % (kWordBits / 8) == 0, "words fill the buffer exactly");

// The codes of one byte value as the coder appends them: 4 bits a code, the
// first highest, and how many bits they take.
struct PackedCodes {
    std::uint16_t codes;
    std::uint8_t bits;
};

class Compressor final : public PassConsumer {
public:
    void attachOutput(platform::File output) override { output_ = output; }
    void beginPass(int pass) override;
    void takeLine(int pass, const char* line) override;
    void endPass(int pass) override;
    void finish() override;
    std::int32_t sourceSize() const override { return sourceSize_; }
    std::int32_t compressedSize() const override { return compressedSize_; }

private:
    // Writes `length` bytes at the output's position; a short write fails the
    // run (WriteOutput). Counted writes add to compressedSize().
    void writeOut(const std::uint8_t* bytes, std::size_t length, bool counted);
    // Codes the characters of one kept line; fails (TooLarge) before coding a
    // line that brings the source size to the limit.
    void codeLine(const char* line);
    void selectCodes();
    // Puts eight codes in the buffer, the first in the highest 4 bits; a full
    // buffer is written out at once.
    void putWord(std::uint32_t word);
    void writeHeader(bool counted);

    platform::File output_ = platform::kNoFile;
    format::CompressedHeader header_;
    CharacterCounts counts_;
    PackedCodes codes_[kByteValues] = {}; // every byte's, once pass 1 chose the table
    std::uint8_t buffer_[kOutputBufferSize] = {};
    std::size_t position_ = 0; // the next byte to fill
    // Codes not yet in the buffer, the last in the lowest 4 bits; fewer than
    // kWordBits of them between characters.
    std::uint64_t pending_ = 0;
    unsigned pendingBits_ = 0;
    std::int32_t characterCount_ = 0;
    std::int32_t sourceSize_ = 0;
    std::int32_t compressedSize_ = 0;
};

} // namespace compress
