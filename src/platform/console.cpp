#include "platform/platform.h"

#include "platform/system.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace platform {
namespace {

// The longest message is the start line with two names of 259 bytes each.
constexpr std::size_t kMessageCapacity = 1024;
// Output waits here, so that a run into a file or pipe does not pay one
// system write per progress line.
constexpr std::size_t kPendingCapacity = 4096;

struct Console {
    char pending[kPendingCapacity];
    std::size_t used;
    int interactive; // -1 until asked, then 0 or 1
};
Console console{{}, 0, -1};

void flushConsole() {
    if (console.used > 0) {
        detail::writeStandardOutput(console.pending, console.used);
        console.used = 0;
    }
}

void put(const char* bytes, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        if (console.used == kPendingCapacity) {
            flushConsole();
        }
        console.pending[console.used++] = bytes[i];
    }
}

} // namespace

void print(const char* format, std::va_list arguments) {
    static char message[kMessageCapacity];
    // A format that fails prints nothing; one too long is cut at the buffer.
    int formatted = std::vsnprintf(message, sizeof message, format, arguments);
    std::size_t length = std::strlen(formatted < 0 ? "" : message);
    std::size_t lineEndLength = std::strlen(detail::kConsoleLineEnd);
    for (std::size_t i = 0; i < length; ++i) {
        if (message[i] == '\n') {
            put(detail::kConsoleLineEnd, lineEndLength);
        } else {
            put(message + i, 1);
        }
    }
    if (console.interactive < 0) {
        console.interactive = detail::consoleIsInteractive() ? 1 : 0;
    }
    if (console.interactive == 1) {
        flushConsole();
    }
}

void exitProcess(int status) {
    flushConsole();
    detail::endProcess(status);
}

} // namespace platform
