#include "input/line_reader.h"

#include "base/ascii.h"

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

// How far from `start` the next `byte` stands in the block, or the rest of
// the block for none, by the position noted in `next`, which is looked for
// again only once the reader has passed it.
std::size_t distanceTo(InputBlock& block, std::size_t& next, char byte) {
    if (next == kNotSought || next < block.start) {
        next =
            block.start + lengthBefore(block.bytes + block.start, byte, block.filled - block.start);
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
        std::size_t got = source.refill(source.context, block.bytes + block.filled,
                                        sizeof block.bytes - block.filled);
        block.filled += got;
        block.atEnd = got == 0;
    }
}

// Moves the bytes not yet used to the front of the block and reads until it
// is full or the file ends.
void refill(Source source, InputBlock& block) {
    std::size_t rest = block.filled - block.start;
    std::memmove(block.bytes, block.bytes + block.start, rest);
    block.start = 0;
    block.filled = rest;
    block.nextNul = kNotSought;
    block.nextEndOfText = kNotSought;
    fill(source, block, sizeof block.bytes);
}

// What may follow the Ctrl-Z that ends a text without anything being lost:
// the padding that tools put after it, and line ends.
bool isPadding(char byte) {
    return byte == kEndOfText || byte == '\0' || byte == ' ' || byte == '\t' ||
           byte == kCarriageReturn || byte == kLineFeed;
}

// Makes the first `end` bytes of the window a string: up to the first NUL in
// them and, for a line that ends at an LF, its CR after that: the one before
// the LF (`foundReturn`) or one put there. A NUL cuts the line short; what it
// leaves out matters when it is more than NULs, blanks and tabs.
void keepLine(LineBuffer& line, std::size_t end, bool foundReturn, bool endsAtLineFeed) {
    std::size_t length = std::min(end, distanceTo(line.block, line.block.nextNul, '\0'));
    std::size_t rest =
        end - (foundReturn && length < end ? 1 : 0); // the CR, when the piece holds it
    line.lostText = std::find_if(line.text + length, line.text + rest, [](char byte) {
                        return byte != '\0' && byte != ' ' && byte != '\t';
                    }) != line.text + rest;
    if (endsAtLineFeed && !(foundReturn && length == end)) {
        line.text[length++] = kCarriageReturn; // at most in the LF's place: end < kReadSize
    }
    line.text[length] = '\0';
    line.length = length;
}

} // namespace

void beginText(Source source, LineBuffer& line) {
    line.source = source;
    line.block.start = 0;
    line.block.filled = 0;
    line.block.atEnd = false;
    line.block.nextNul = kNotSought;
    line.block.nextEndOfText = kNotSought;
    line.previous = '\0';
    line.lineFeeds = 0;
    line.block.bytes[0] = '\0';
    line.block.bytes[1] = '\0';
    fill(source, line.block, format::kSignatureBytes);
}

const char* firstBytes(const LineBuffer& line) {
    return line.block.bytes;
}

std::size_t readLine(LineBuffer& line) {
    InputBlock& block = line.block;
    if (block.filled - block.start < kReadSize && !block.atEnd) {
        refill(line.source, block);
    }
    const char* window = block.bytes + block.start;
    std::size_t read = std::min(kReadSize, block.filled - block.start);
    std::size_t end = lineEnd(block, read);
    line.number = line.lineFeeds + 1;
    bool endsAtLineFeed = end < read && window[end] == kLineFeed;
    char beforeEnd = end > 0 ? window[end - 1] : line.previous;
    std::size_t consumed = end;
    line.swallowed = 0;
    if (endsAtLineFeed) {
        ++consumed;
        ++line.lineFeeds;
        // Only after CR LF: a bare LF after a bare LF ends an empty line.
        if (beforeEnd == kCarriageReturn && consumed < read && window[consumed] == kLineFeed) {
            ++consumed;
            ++line.lineFeeds;
            line.swallowed = line.lineFeeds;
        }
    }
    if (consumed != 0) {
        line.previous = window[consumed - 1];
    }
    // A Ctrl-Z is not used up: the next line starts on it and ends the text.
    std::memcpy(line.text, window, end);
    keepLine(line, end, endsAtLineFeed && beforeEnd == kCarriageReturn, endsAtLineFeed);
    line.cut = end == kReadSize;
    block.start += consumed;
    return consumed;
}

bool textFollowsEnd(LineBuffer& line) {
    InputBlock& block = line.block;
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
        refill(line.source, block);
    }
}

std::size_t trimTrailingBlanks(char* line, std::size_t length) {
    while (length > 0 && (line[length - 1] == ' ' || line[length - 1] == '\t')) {
        --length;
    }
    line[length] = '\0';
    return length;
}

bool isCommentLine(const char* line) {
    return line[0] == '\0' || std::strncmp(line, "::", 2) == 0 ||
           (base::startsWithIgnoringCase(line, "rem ") &&
            !base::startsWithIgnoringCase(line, "rem >"));
}

} // namespace input
