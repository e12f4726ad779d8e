// The compression of one run, over one record: the kept lines are taken as
// they come, up to the source-size limit, then the table is selected from
// the counts of the text that holds them, then every character is coded
// behind the header, into the whole file as it will be written. The text is
// the kept lines one after another.
#pragma once

#include "format/format.h"

#include <cstddef>
#include <cstdint>

namespace compress {

struct Compression {
    std::size_t sourceSize; // kept characters, and one for each kept line
    std::uint32_t lines;    // kept lines taken
    format::CompressedHeader header;
    format::ByteCounts counts;
    // Every byte value's codes, once the table is selected.
    format::CharacterCodes codes[format::kByteValues];
    // The whole file that codeSource() builds, as it will be written.
    std::size_t fileSize;
    std::uint8_t file[format::kLargestFile];
};

// Empties `compression` for a new run.
void beginCompression(Compression& compression);

// Takes a kept line of `length` bytes into the source; false, and takes
// nothing, when it would bring the source size to the limit.
bool takeLine(Compression& compression, std::size_t length);

// Counts the characters of `text`, `size` bytes that hold the lines taken,
// and selects the table, and each byte value's codes.
void selectTable(Compression& compression, const char* text, std::size_t size);

// Codes every character of `text` (as selectTable() was given it) and builds
// the whole file in `compression.file`: the final header, then the codes
// packed two to a byte, an odd last one beside a 0.
void codeSource(Compression& compression, const char* text, std::size_t size);

} // namespace compress
