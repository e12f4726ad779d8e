// The compression of one run, over one record: the kept lines are held as
// they come, then the table is selected from their counts, then every
// character is coded behind the header, into the whole file as it will be
// written.
#pragma once

#include "format/format.h"

#include <cstddef>
#include <cstdint>

namespace compress {

// The counts of four interleaved shares of the text, summed when all are in.
// A share is at most a quarter of the held text and the NULs after it, so
// 16 bits hold its counts, and the four take half the memory.
inline constexpr std::size_t kLanes = 4;
using ByteCountLanes = std::uint16_t[kLanes][format::kByteValues];
static_assert((format::kSourceLimit + sizeof(std::uint64_t)) / kLanes + 1 <= UINT16_MAX,
              "a lane's counts fit 16 bits");

// The small fields come first and the held text last, so that a run
// touches no page of memory for the text's end or for a field after it.
struct Compression {
    std::size_t sourceSize; // kept characters, and one for each kept line
    std::uint32_t lines;    // kept lines held
    std::size_t fileSize; // of the file that codeSource() built
    format::CompressedHeader header;
    ByteCountLanes lanes;
    format::ByteCounts counts;
    // Every byte value's codes, once the table is selected: the codes, 4 bits
    // each, the last lowest, and how many bits they take (an LF's or a NUL's,
    // none). The bits are held twice, as the shift that makes room for the
    // codes and as the word that adds up to where the coder stores: each is
    // then one load where it is used, where one copy would cost the coder a
    // move.
    std::uint64_t codes[format::kByteValues];
    std::uint8_t codeShift[format::kByteValues];
    std::size_t codeBits[format::kByteValues];
    // The kept lines, each followed by an LF, which no kept line holds, as
    // the file has most of them: so the bytes used are the source size,
    // which stays below the limit. A word of NULs after them lets the coder
    // and the counter take them eight at a time.
    char source[format::kSourceLimit - 1 + sizeof(std::uint64_t)];
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

// Codes every held character and builds the whole file in `file`, room for
// format::kLargestFile bytes: the final header, then the codes packed two to
// a byte, an odd last one beside a 0. The table must have been selected.
void codeSource(Compression& compression, std::uint8_t* file);

} // namespace compress
