#include "platform/platform.h"

#include "platform/system.h"

#include <cstdarg>
#include <cstdio>

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

void putByte(char byte) {
    if (console.used == kPendingCapacity) {
        flushConsole();
    }
    console.pending[console.used++] = byte;
}

} // namespace

void print(const char* format, ...) {
    static char message[kMessageCapacity];
    std::va_list arguments;
    va_start(arguments, format);
    int length = std::vsnprintf(message, sizeof message, format, arguments);
    va_end(arguments);
    if (length < 0) {
        return;
    }
    if (static_cast<std::size_t>(length) >= sizeof message) {
        length = static_cast<int>(sizeof message - 1);
    }
    for (int i = 0; i < length; ++i) {
        if (message[i] == '\n' && detail::kConsoleWantsCarriageReturn) {
            putByte('\r');
        }
        putByte(message[i]);
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
