#include "input/line_reader.h"

#include <algorithm>
#include <cstring>

namespace input {

using format::kCarriageReturn;
using format::kEndOfText;
using format::kLineFeed;

namespace {

// How many of the first `size` bytes come before the first `byte`; all of them
// when none is `byte`.
std::size_t lengthBefore(const char* text, char byte, std::size_t size) {
    const void* found = std::memchr(text, byte, size);
    return found == nullptr ? size
                            : static_cast<std::size_t>(static_cast<const char*>(found) - text);
}

// NUL and Ctrl-Z are rare: where each stands is looked for once a read, and
// again only once the reader has passed it, not once a line. Without this,
// /K over 10 MB of comments takes 1.19 times as long (bench/builds.sh); the
// largest accepted input, the same.

// Where the next `byte` stands in the block from `start` on, or `filled`
// for none.
std::size_t positionOf(const InputBlock& block, char byte) {
    return block.start + lengthBefore(block.bytes + block.start, byte, block.filled - block.start);
}

// After a read: where the next NUL and the next Ctrl-Z stand.
void findRareBytes(InputBlock& block) {
    block.nextNul = positionOf(block, '\0');
    block.nextEndOfText = positionOf(block, kEndOfText);
}

// How far from `start` the next `byte` stands in the block, or the rest of
// the block for none, by the position noted in `next`, which is looked for
// again only once the reader has passed it.
std::size_t distanceTo(InputBlock& block, std::size_t& next, char byte) {
    if (next < block.start) {
        next = positionOf(block, byte);
    }
    return next - block.start;
}

// Where the line in the first `read` bytes of its window stops: at an LF, at
// a Ctrl-Z, or just past the window. Every byte of the text goes through here,
// so the search is the C library's, not a loop of our own.
std::size_t lineEnd(InputBlock& block, std::size_t read) {
    std::size_t lineFeed = lengthBefore(block.bytes + block.start, kLineFeed, read);
    return std::min(lineFeed, distanceTo(block, block.nextEndOfText, kEndOfText));
}

// Reads into the rest of the block until it holds `least` bytes or the file
// ends.
void fill(Source source, InputBlock& block, std::size_t least) {
    while (block.filled < least && !block.atEnd) {
        std::size_t got =
            source.refill(source.context, block.bytes + block.filled, kBlockBytes - block.filled);
        block.filled += got;
        block.atEnd = got == 0;
    }
    findRareBytes(block);
}

// Moves the bytes not yet used to the front of the block and reads until it
// is full or the file ends.
void refill(Source source, InputBlock& block) {
    std::size_t rest = block.filled - block.start;
    std::memmove(block.bytes, block.bytes + block.start, rest);
    block.start = 0;
    block.filled = rest;
    fill(source, block, kBlockBytes);
}

// What may follow the Ctrl-Z that ends a text without anything being lost:
// the padding that tools put after it, and line ends.
bool isPadding(char byte) {
    return byte == kEndOfText || byte == '\0' || byte == ' ' || byte == '\t' ||
           byte == kCarriageReturn || byte == kLineFeed;
}

// Makes the first `end` bytes of the window the line, in place: up to the
// first NUL in them and, for a line that ends here (`endsLine`), its CR after
// that: the one before the LF (`foundReturn`) or one put there, in the LF's
// place or the NUL's, both used up with the line. A NUL cuts the line short; what
// it leaves out matters when it is more than NULs, blanks and tabs.
void keepLine(LineReader& reader, std::size_t end, bool foundReturn, bool endsLine) {
    std::size_t length = end;
    reader.lostText = false;
    std::size_t nul = distanceTo(reader.block, reader.block.nextNul, '\0');
    if (nul < end) {
        length = nul;
        const char* lost = reader.text + length;
        const char* rest = reader.text + end - (foundReturn ? 1 : 0); // the CR is no loss
        reader.lostText = std::find_if(lost, rest, [](char byte) {
                              return byte != '\0' && byte != ' ' && byte != '\t';
                          }) != rest;
    }
    if (endsLine && !(foundReturn && length == end)) {
        reader.text[length++] = kCarriageReturn;
    }
    reader.length = length;
}

} // namespace

void beginText(Source source, LineReader& reader) {
    reader.source = source;
    reader.block.start = 0;
    reader.block.filled = 0;
    reader.block.atEnd = false;
    reader.previous = '\0';
    reader.lineFeeds = 0;
    reader.block.bytes[0] = '\0';
    reader.block.bytes[1] = '\0';
    fill(source, reader.block, format::kSignatureBytes);
}

const char* firstBytes(const LineReader& reader) {
    return reader.block.bytes;
}

std::size_t readLine(LineReader& reader) {
    InputBlock& block = reader.block;
    if (block.filled - block.start <= kReadSize && !block.atEnd) {
        refill(reader.source, block);
    }
    char* window = block.bytes + block.start;
    std::size_t read = std::min(kReadSize, block.filled - block.start);
    std::size_t end = lineEnd(block, read);
    reader.text = window;
    reader.number = reader.lineFeeds + 1;
    reader.swallowed = 0;
    reader.cut = end == kReadSize;
    reader.returnEndsLine = reader.cut && window[end - 1] == kCarriageReturn &&
                            (block.start + end == block.filled || window[end] == kLineFeed ||
                             window[end] == kEndOfText);
    std::size_t consumed = end;
    bool endsAtLineFeed = end < read && window[end] == kLineFeed;
    bool foundReturn = reader.returnEndsLine;
    if (endsAtLineFeed) {
        foundReturn = (end > 0 ? window[end - 1] : reader.previous) == kCarriageReturn;
        ++consumed;
        ++reader.lineFeeds;
        // Only after CR LF: a bare LF after a bare LF ends an empty line.
        if (foundReturn && consumed < read && window[consumed] == kLineFeed) {
            ++consumed;
            ++reader.lineFeeds;
            reader.swallowed = reader.lineFeeds;
        }
    }
    if (consumed != 0) {
        reader.previous = window[consumed - 1];
    }
    // A Ctrl-Z is not used up: the next line starts on it and ends the text.
    keepLine(reader, end, foundReturn, endsAtLineFeed || reader.returnEndsLine);
    block.start += consumed;
    return consumed;
}

bool textFollowsEnd(LineReader& reader) {
    InputBlock& block = reader.block;
    for (;;) {
        const char* begin = block.bytes + block.start;
        const char* end = block.bytes + block.filled;
        if (std::find_if_not(begin, end, isPadding) != end) {
            return true;
        }
        if (block.atEnd) {
            return false;
        }
        block.start = block.filled;
        refill(reader.source, block);
    }
}

} // namespace input
