#include "compress/char_table.h"

namespace compress {

void countLine(CharacterCounts& counts, const char* line) {
    for (; *line != '\0'; ++line) {
        ++counts.count[static_cast<unsigned char>(*line)];
    }
}

void selectTable(CharacterCounts& counts, format::CompressedHeader& header) {
    for (std::uint8_t& entry : header.table) {
        // Byte value 0 never occurs in a line, so its counter stays 0 and it
        // is the pick once every other counter has been used up.
        std::size_t best = 0;
        for (std::size_t value = 1; value < kByteValues; ++value) {
            if (counts.count[value] > counts.count[best]) {
                best = value;
            }
        }
        entry = static_cast<std::uint8_t>(best);
        counts.count[best] = 0;
    }
}

} // namespace compress
