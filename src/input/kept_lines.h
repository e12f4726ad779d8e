// The lines a run keeps, in the order the file holds them: the reader's lines,
// each piece of a long line as a line of its own, trimmed where a line ends,
// and under /K without comment lines. Also what the text leaves out, noted as
// it is found, for the warnings after the result.
#pragma once

#include "input/line_reader.h"

#include <cstddef>
#include <cstdint>

namespace input {

// What the text leaves out of the file, each the line of the file where it
// first happens, 0 for none.
struct LeftOut {
    std::uint32_t afterCtrlZ; // text after the Ctrl-Z that ends the text
    // A NUL that cuts a kept line short, losing more than NULs, blanks and tabs.
    std::uint32_t cutByNul;
    std::uint32_t blankLine;      // an LF right after a CR LF, swallowed with it
    std::uint32_t trailingBlanks; // blanks and tabs trimmed from a kept line
    bool utf16;                   // the file begins with a UTF-16 byte-order mark: no 8-bit text
    // A CR in a kept line that does not end it: the compressed file ends the
    // line there, where the interpreter of the batch file reads on.
    std::uint32_t splitByReturn;
};

// The kept lines held for the second pass, in `size` bytes: the lines that
// holdLine() was given, one behind another, at most the kept lines of the
// largest source.
inline constexpr std::size_t kMostHeld = format::kSourceLimit - 1;
struct HeldText {
    std::size_t size;
    char text[kMostHeld];
};

struct KeptLines {
    LineReader reader;
    bool removeComments; // /K
    // The last piece was cut: the next one continues its line, and is
    // dropped with it when the line is a comment.
    bool continuesLine;
    bool dropLine;
    LeftOut leftOut; // as far as the text has been read
    HeldText held;
};

// A kept line as the reader holds it, without the LF that ends it.
struct KeptLine {
    const char* text; // null at the end of the text
    std::size_t length;
    std::uint32_t number; // the line of the file that it starts on
};

// Starts on the text from `source`, whose first bytes are then read (see
// firstBytes()).
void beginKeptLines(Source source, KeptLines& kept, bool removeComments);

// The next kept line, valid until the next call; none at the end of the text.
KeptLine nextKeptLine(KeptLines& kept);

// Copies `line`, the one that nextKeptLine() returned last, into the held
// text, behind the lines held before. The lines held stay within kMostHeld
// bytes, as the source-size limit keeps them.
void holdLine(KeptLines& kept, const KeptLine& line);

// The text held: once the last run is held.
const HeldText& heldText(const KeptLines& kept);

// Once nextKeptLine() has returned none: notes the line of the file that
// holds the Ctrl-Z that ended the text, when anything but Ctrl-Z, NUL, blank,
// tab, CR or LF follows it, which the text then leaves out. Reads on to the
// end of the file, if need be, to tell.
void noteTextAfterEnd(KeptLines& kept);

} // namespace input
