#include "platform/platform.h"

#include "platform/system.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace platform {
namespace {

// The longest message is the start line with two of the longest names.
constexpr std::size_t kMessageCapacity = std::max<std::size_t>(1024, 2 * kLongestNameBytes + 64);
// A line to standard error: a name and a message, each line feed of which
// may take two bytes there.
constexpr std::size_t kErrorCapacity = 4096;
// Digits of the largest number a progress line shows, 4294967295.
constexpr std::size_t kLongestNumber = 10;
// Output waits here, so that a run does not pay one system write per
// progress line: into a file or pipe until the buffer fills. A terminal takes
// a write a few KB at a time as its reader catches up; with 4 KB here what a
// terminal added to a run of 2,800 short lines was a third more than with
// 8 KB, and 8 to 32 KB did equally well.
constexpr std::size_t kPendingCapacity = 16384;
// An interactive console is sent progress text once it has waited this long:
// about two frames of a screen, so a person still sees the number move, while
// a console that takes each write slowly gets a few dozen a second at most.
constexpr std::uint64_t kShowAfterMilliseconds = 30;

// What waits to be written, and what an interactive console was last sent.
struct Console {
    std::size_t used;
    // Zero until asked, then kAsked or kAsked | kInteractive: the console is
    // looked at once, when a run first prints.
    int interactive;
    std::uint64_t lastShown; // when an interactive console was last sent its text
    std::size_t screenLength;
    // On an interactive console, the progress text not yet sent as the screen
    // line shows it once each part has been drawn from column 0 over the one
    // before: all that a person could see of it.
    char screenLine[kMessageCapacity + kLongestNumber];
    char pending[kPendingCapacity];
};
Console console;
constexpr int kAsked = 1;
constexpr int kInteractive = 2;

// Progress text is drawn over the screen line from column 0. It is a label
// and a number, never longer than the line.
void drawOnScreenLine(const char* text, std::size_t length) {
    length = std::min(length, sizeof console.screenLine);
    std::memcpy(console.screenLine, text, length);
    console.screenLength = std::max(length, console.screenLength);
}

void writePending() {
    detail::writeMessages(console.pending, console.used);
    console.used = 0;
}

void put(const char* bytes, std::size_t size) {
    while (size > 0) {
        if (console.used == kPendingCapacity) {
            writePending();
        }
        std::size_t room = kPendingCapacity - console.used;
        std::size_t part = std::min(size, room);
        std::memcpy(console.pending + console.used, bytes, part);
        console.used += part;
        bytes += part;
        size -= part;
    }
}

// The screen line goes out as one drawing of it and its CR.
void putScreenLine() {
    if (console.screenLength > 0) {
        put(console.screenLine, console.screenLength);
        put("\r", 1);
        console.screenLength = 0;
    }
}

void flushConsole() {
    putScreenLine();
    writePending();
}

// A message that ends a line shows at once; progress text shows once it has
// waited long enough to be seen.
void showWhenDue(bool endsLine) {
    std::uint64_t now = detail::millisecondsNow();
    if (endsLine || now - console.lastShown >= kShowAfterMilliseconds) {
        flushConsole();
        console.lastShown = now;
    }
}

bool isInteractive() {
    if (console.interactive == 0) {
        console.interactive = kAsked | (detail::consoleIsInteractive() ? kInteractive : 0);
    }
    return (console.interactive & kInteractive) != 0;
}

// `text` with each line feed as this system's line end, into `line`, which
// holds a text of half its size whatever its line feeds; a longer one is cut
// short. Returns its length.
template <std::size_t kRoom> std::size_t withLineEnds(const char* text, char (&line)[kRoom]) {
    std::size_t length = 0;
    for (const char* at = text; *at != '\0' && length + 2 <= kRoom; ++at) {
        if (*at == '\n') {
            std::size_t end = std::strlen(detail::kConsoleLineEnd);
            std::memcpy(line + length, detail::kConsoleLineEnd, end);
            length += end;
        } else {
            line[length++] = *at;
        }
    }
    return length;
}

void putMessage(const char* message) {
    static char line[2 * kMessageCapacity];
    bool interactive = isInteractive();
    putScreenLine();
    put(line, withLineEnds(message, line));
    if (interactive) {
        showWhenDue(true); // every message ends its line: only progress waits
    }
}

} // namespace

void printProgress(const char* label, std::uint32_t number) {
    char text[kMessageCapacity + kLongestNumber + 1];
    std::size_t length = std::min(std::strlen(label), kMessageCapacity);
    std::memcpy(text, label, length);
    length += detail::putDecimal(text + length, number);
    if (isInteractive()) {
        drawOnScreenLine(text, length);
        showWhenDue(false);
        return;
    }
    text[length++] = '\r';
    put(text, length);
}

void print(const char* format, std::va_list arguments) {
    static char message[kMessageCapacity];
    // A format that fails prints nothing; one too long is cut at the buffer.
    int formatted = std::vsnprintf(message, sizeof message, format, arguments);
    putMessage(formatted < 0 ? "" : message);
}

void printError(const char* text) {
    flushConsole();
    static char line[2 * kErrorCapacity];
    detail::writeStandardError(line, withLineEnds(text, line));
}

void flushPrinted() {
    flushConsole();
}

bool writeStandardOutput(const void* bytes, std::size_t size) {
    flushConsole();
    return detail::writeStandardOutput(static_cast<const char*>(bytes), size);
}

void exitProcess(int status) {
    flushConsole();
    discardOutput();
    detail::endProcess(status);
}

} // namespace platform
