// Reads a compressed file back: checks it against every rule a finished file
// obeys and decodes its stream into the coded characters. Files that other
// programs wrote are welcome; anything a compressing run cannot have written
// is refused, whatever its bytes.
#pragma once

#include "decompress/faults.h"
#include "format/format.h"

#include <cstddef>
#include <cstdint>

namespace decompress {

// A whole compressed file. It may hold one byte more than the largest, so that
// a longer file shows itself; the spare room after that lets the decoder read
// ahead of the stream's end before it checks where the stream ends: the codes
// of a character are read two bytes at a time, from the byte that holds the
// first, which may be the stream's last.
inline constexpr std::size_t kImageCapacity = format::kLargestFile + 1;
inline constexpr std::size_t kReadAhead = sizeof(std::uint16_t);
struct FileImage {
    std::uint8_t bytes[kImageCapacity + kReadAhead];
    std::size_t size;
};

// What a file holds, as far as decode() could read it.
struct Decoded {
    bool headerRead;                 // the image holds a header with the signature
    format::CompressedHeader header; // table unscrambled unless the file is unfinished
    // The coded characters, CRs and all, as the batch file gets them: each CR
    // followed by an LF when decode() is asked for line feeds.
    char text[format::kLargestText + format::kLargestText];
    std::size_t size;   // bytes of text
    std::size_t length; // characters coded
    std::size_t lines;  // CRs in the text: each ends a line
};

// Checks `image` and decodes it into `decoded`, with an LF after each CR if
// `lineFeeds`. Returns the first fault, in the order of the checks in
// faults.h, or Fault::None for a sound file: one that some
// compressing run writes, byte for byte.
Fault decode(const FileImage& image, Decoded& decoded, bool lineFeeds);

} // namespace decompress
