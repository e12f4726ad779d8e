// The character table: the byte values of the kept lines are counted, and
// the 30 most frequent, by falling count, become the table in the header.
#pragma once

#include "format/format.h"

#include <cstdint>

namespace compress {

inline constexpr std::size_t kByteValues = 256;

struct CharacterCounts {
    std::uint32_t count[kByteValues] = {};
};

// Adds each of the `size` bytes at `bytes` to the counts.
void countBytes(CharacterCounts& counts, const char* bytes, std::size_t size);

// Fills the header's table with the 30 most frequent byte values; equal counts
// put the lower value first, and positions no byte value reached hold 0,
// which must not have been counted. Uses up the counts: every picked value's
// counter is set to 0.
void selectTable(CharacterCounts& counts, format::CompressedHeader& header);

} // namespace compress
