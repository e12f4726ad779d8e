// The input batch file, one line at a time, read as raw bytes in large
// blocks: LF ends a line, Ctrl-Z ends the text, CR is ordinary data. A line whose LF has no CR
// before it gets one, as CR LF text has it: the compressed file keeps only
// the CR to show where a line ends.
#pragma once

#include "format/format.h"

#include <cstddef>
#include <cstdint>

namespace input {

// The bytes from the start of a line on that decide where it ends, its
// window: no line piece is longer, an LF that follows a CR LF is swallowed
// only within them.
inline constexpr std::size_t kReadSize = format::kLongestPiece;
// The input is read in blocks of this size, so a run costs a read per block,
// not per line. Scripts up to the largest accepted input run as fast with 16,
// 32 or 64 KB; 10 MB of comments under /K take 15% longer with 16 KB. With
// 64 KB the largest accepted input is one read.
// The build sets it: the fuzz build makes it small, so that short inputs
// cross many block ends.
inline constexpr std::size_t kBlockSize = SQUEEZLE_BLOCK_SIZE;
static_assert(kBlockSize >= 2 * kReadSize, "a block holds a whole window after a move");
// The bytes a block and a window take.
inline constexpr std::size_t kBlockBytes = kBlockSize + kReadSize;

// Where the text's bytes come from, as the caller gives them: `refill` puts
// up to `size` bytes at `into` and returns how many, 0 only at the end of the
// text's file. A failed read is the caller's to report: refill does not return.
struct Source {
    std::size_t (*refill)(void* context, char* into, std::size_t size);
    void* context;
};

// The file's bytes from where the reader stands: the next line starts at
// `start`, and a line's window of kReadSize bytes always lies in the block
// unless the file ends first. What is left of a window moves to the front
// before a read, which then asks for at least kBlockSize bytes.
struct InputBlock {
    char bytes[kBlockBytes];
    std::size_t start;
    std::size_t filled;
    bool atEnd; // a read found the end of the file: nothing lies past `filled`
    // Where the next NUL and the next Ctrl-Z stand, from `start` on, or
    // `filled` for none: looked for once a read, not once a line.
    std::size_t nextNul;
    std::size_t nextEndOfText;
};

struct LineReader {
    // The current line, `length` bytes in the reader's block, valid until
    // the next read; no NUL ends it. A NUL inside the file ends the line
    // early: the rest of it is left out, but a line that ends at an LF still
    // keeps its CR.
    char* text;
    std::size_t length;
    // The window held kReadSize bytes without an LF or a Ctrl-Z: this is a
    // piece of a longer line, and the next line continues it.
    bool cut;
    // A cut piece whose last byte is a CR that ends its line all the same:
    // the LF that opens the next piece, a Ctrl-Z or the end of the file
    // follows it.
    bool returnEndsLine;
    // A NUL cut the line short and left out more than NULs, blanks and tabs.
    bool lostText;
    // The line of the file that the current line starts on, from 1: one more
    // than the LFs before it, a swallowed one too. After the end, the line
    // that holds the Ctrl-Z or the end of the file.
    std::uint32_t number;
    // The line of the file that an LF swallowed after this line's CR LF
    // ends, the blank line that the text leaves out; 0 for none.
    std::uint32_t swallowed;

    // The reader's own.
    Source source;
    std::uint32_t lineFeeds; // used up since beginText()
    // The last byte used up since beginText(), NUL before the first: it tells
    // whether an LF that begins a line has a CR before it.
    char previous;
    InputBlock block;
};

// Starts on a new text from `source`, and reads until its first two bytes are
// in (as many as a compressed file's signature), or its file ends:
// firstBytes() shows them before any line is taken.
void beginText(Source source, LineReader& reader);

// The text's first two bytes, once beginText() has read them; NUL for the
// bytes that a shorter file lacks.
const char* firstBytes(const LineReader& reader);

// Delivers the next line in `reader` and returns the bytes it used up, its LF
// included; 0 means the end of the text (end of file or Ctrl-Z). The line
// keeps the CR before its LF, or gets one where the file has none; a piece
// cut at kReadSize, or a line ended by Ctrl-Z or the end of the file, gets
// none. An LF that directly follows a CR LF within the window is swallowed
// with it; one that follows a bare LF ends an empty line. The source is read
// only when no more than kReadSize bytes are left in the block: the byte
// after a window tells whether a CR that ends it ends its line.
std::size_t readLine(LineReader& reader);

// Once readLine() has returned 0: true when the text ended at a Ctrl-Z and
// anything but Ctrl-Z, NUL, blank, tab, CR or LF follows it, which the text
// then leaves out. Reads on to the end of the file, if need be, to tell.
bool textFollowsEnd(LineReader& reader);

} // namespace input
