#include "compress/char_table.h"

#include <algorithm>
#include <iterator>

namespace compress {

void countBytes(CharacterCounts& counts, const char* bytes, std::size_t size) {
    for (const char* end = bytes + size; bytes != end; ++bytes) {
        ++counts.count[static_cast<unsigned char>(*bytes)];
    }
}

void selectTable(CharacterCounts& counts, format::CompressedHeader& header) {
    for (std::uint8_t& entry : header.table) {
        // The first of the largest counters: among equals the lower value.
        // Byte value 0 is never counted, so it is the pick once every other
        // counter has been used up.
        std::uint32_t* best = std::max_element(std::begin(counts.count), std::end(counts.count));
        entry = static_cast<std::uint8_t>(best - counts.count);
        *best = 0;
    }
}

} // namespace compress
