// The lines a run keeps, in the order the file holds them: the reader's lines,
// each piece of a long line as a line of its own, trimmed where a line ends,
// and under /K without comment lines. Also what the text leaves out, noted as
// it is found, for the warnings after the result.
#pragma once

#include "input/line_reader.h"
#include "platform/platform.h"

#include <cstdint>

namespace input {

struct KeptLines {
    LineBuffer reader;
    bool removeComments; // /K
    // The last piece was cut: the next one continues its line, and is
    // dropped with it when the line is a comment.
    bool continuesLine;
    bool dropLine;
    // The first kept line that a NUL cut short, losing more than NULs, blanks
    // and tabs; 0 for none.
    std::uint32_t cutByNul;
};

// Starts on `input`, whose first bytes are then read (see firstBytes()).
void beginKeptLines(platform::File input, KeptLines& kept, bool removeComments);

// The next kept line, NUL-terminated and valid until the next call, its
// length in kept.reader.length; nullptr at the end of the text. A failed
// read ends the run (ReadInput).
const char* nextKeptLine(platform::File input, KeptLines& kept);

// Once nextKeptLine() has returned nullptr: the line of the file that holds
// the Ctrl-Z that ended the text, when anything but Ctrl-Z, NUL, blank, tab,
// CR or LF follows it, which the text then leaves out; else 0. Reads on to
// the end of the file, if need be, to tell.
std::uint32_t lineLeftAfterEnd(platform::File input, KeptLines& kept);

} // namespace input
