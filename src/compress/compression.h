// The compression of one run, over one record: the kept lines are held as
// they come, then the table is selected from their counts, then every
// character is coded behind the header, into the whole file as it will be
// written.
#pragma once

#include "format/format.h"

#include <cstddef>
#include <cstdint>

namespace compress {

// Codes reach the file eight at a time, as one 32-bit word.
inline constexpr unsigned kWordBits = 32;

// The codes of one byte value as the coder appends them, in one word that a
// single load fetches: how many bits they take in the low 8 bits, and above
// them the codes, 4 bits a code, the first highest.
using PackedCodes = std::uint32_t;
inline constexpr unsigned kBitsMask = 0xFF;
inline constexpr unsigned kCodesShift = 8;

struct Compression {
    // The kept lines, each followed by an LF, which no kept line holds, as
    // the file has most of them: so the bytes used are the source size,
    // which stays below the limit. A word of NULs after them lets the coder
    // take the characters two at a time and the counter eight.
    char source[format::kSourceLimit - 1 + sizeof(std::uint64_t)];
    std::size_t sourceSize; // kept characters, and one for each kept line
    std::uint32_t lines;    // kept lines held
    format::CompressedHeader header;
    format::ByteCounts counts;
    PackedCodes codes[format::kByteValues]; // every byte's, once the table is selected
    // The file: the header, then the code stream.
    std::uint8_t file[format::kLargestFile];
    std::size_t fileSize;
};

// Empties `compression` for a new run.
void beginCompression(Compression& compression);

// Holds `lines` kept lines, `size` bytes in which each but the last is
// followed by its LF, up to the line that would bring the source size to the
// limit: false when that line comes, and it and the rest are not held.
bool holdLines(Compression& compression, const char* text, std::size_t size,
               std::uint32_t lines);

// Counts the held characters and selects the table, and each byte value's codes.
void selectTable(Compression& compression);

// Codes every held character and completes the file: the codes packed two to
// a byte, an odd last one beside a 0, and the final header in front. The
// table must have been selected.
void codeSource(Compression& compression);

} // namespace compress
