#include "input/line_reader.h"

#include "base/ascii.h"
#include "base/report.h"

#include <cstring>

namespace input {

namespace {

// How many of the first `size` bytes come before the first `byte`; all of them
// when none is `byte`.
std::size_t lengthBefore(const char* text, char byte, std::size_t size) {
    const void* found = std::memchr(text, byte, size);
    return found == nullptr ? size
                            : static_cast<std::size_t>(static_cast<const char*>(found) - text);
}

// Where the line in the first `read` bytes stops: at an LF, at a Ctrl-Z, or
// just past the last byte read. Every byte of both passes goes through here,
// so each search is the C library's, not a loop of our own.
std::size_t lineEnd(const char* text, std::size_t read) {
    return lengthBefore(text, kEndOfText, lengthBefore(text, kLineFeed, read));
}

} // namespace

void beginText(LineBuffer& line) { line.previous = '\0'; }

std::size_t readLine(platform::File input, LineBuffer& line) {
    long got = platform::readFile(input, line.text, kReadSize);
    if (got < 0) {
        base::fail(base::Failure::ReadInput);
    }
    std::size_t read = static_cast<std::size_t>(got);
    std::size_t end = lineEnd(line.text, read);
    bool endsAtLineFeed = end < read && line.text[end] == kLineFeed;
    std::size_t consumed = end;
    if (endsAtLineFeed) {
        ++consumed;
        if (consumed < read && line.text[consumed] == kLineFeed) {
            ++consumed; // the empty line it would start is swallowed
        }
    }
    char beforeEnd = end > 0 ? line.text[end - 1] : line.previous;
    if (consumed > 0) {
        line.previous = line.text[consumed - 1];
    }
    // A Ctrl-Z is not used up: the next read starts on it and ends the text.
    std::size_t stop = end;
    if (endsAtLineFeed && beforeEnd != kCarriageReturn) {
        line.text[stop++] = kCarriageReturn; // in the LF's place: end < kReadSize
    }
    line.text[stop] = '\0';
    line.cut = end == kReadSize;
    // A read that ended with the line leaves nothing to give back.
    if (consumed < read) {
        platform::seekBy(input, -static_cast<long>(read - consumed));
    }
    return consumed;
}

void trimTrailingBlanks(char* line) {
    std::size_t length = std::strlen(line);
    while (length > 0 && (line[length - 1] == ' ' || line[length - 1] == '\t')) {
        line[--length] = '\0';
    }
}

bool isCommentLine(const char* line) {
    return line[0] == '\0' || std::strncmp(line, "::", 2) == 0 ||
           (base::startsWithIgnoringCase(line, "rem ") &&
            !base::startsWithIgnoringCase(line, "rem >"));
}

} // namespace input
