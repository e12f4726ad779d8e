// The compressor that the run sequence drives: pass 1 counts characters for
// the table, pass 2 codes every kept line into 4-bit codes behind a
// placeholder header, and finish() completes the stream and the header.
#pragma once

#include "app/run.h"
#include "compress/char_table.h"
#include "compress/header.h"

#include <cstdint>

namespace compress {

// The stream leaves the tool in writes of this size, plus one shorter write.
inline constexpr std::size_t kOutputBufferSize = 1024;
// Kept lines, each counted with one byte for its line end, must stay below
// this, so that the character count always fits the header's 16 bits.
inline constexpr std::int32_t kSourceLimit = 65504;
// Table positions 0 to 13 cost one code (2 to 15); 14 to 29 cost two (1, then
// 0 to 15); any other byte costs three (0, low half, high half).
inline constexpr std::size_t kOneCodeEntries = 14;
inline constexpr std::uint8_t kLiteralCode = 0;
inline constexpr std::uint8_t kSecondRankCode = 1;

class Compressor final : public app::PassConsumer {
public:
    void attachOutput(platform::File output) override { output_ = output; }
    void beginPass(int pass) override;
    void takeLine(int pass, const char* line) override;
    void endPass(int pass) override;
    void finish() override;
    std::int32_t sourceSize() const override { return sourceSize_; }
    std::int32_t compressedSize() const override { return compressedSize_; }

    // Appends one 4-bit code; a full buffer is written out at once.
    void putCode(std::uint8_t value);
    // Writes `length` bytes at the output's position; a short write fails the
    // run (WriteOutput). Counted writes add to compressedSize().
    void writeOut(const std::uint8_t* bytes, std::size_t length, bool counted);
    // Codes the characters of one kept line; fails (TooLarge) before coding a
    // line that brings the source size to the limit.
    void codeLine(const char* line);

private:
    void writeHeader(bool counted);

    platform::File output_ = platform::kNoFile;
    CompressedHeader header_;
    CharacterCounts counts_;
    std::uint8_t buffer_[kOutputBufferSize] = {};
    std::size_t position_ = 0; // the byte being filled
    bool highHalfFilled_ = false;
    std::int32_t characterCount_ = 0;
    std::int32_t sourceSize_ = 0;
    std::int32_t compressedSize_ = 0;
};

} // namespace compress
