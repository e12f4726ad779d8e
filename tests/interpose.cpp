// Loaded ahead of the C library into a program under test (LD_PRELOAD), this
// puts a delay or an interruption where a case wants one. The reads and the
// writes of files (descriptors above 2) are counted from 1, apart; the ones
// named in STALL_READS wait 400 ms first, so that a case sees what the program
// had sent its console by then, and the ones named in INTERRUPT_READS and
// INTERRUPT_WRITES fail with EINTR, as when a signal arrives, and do nothing;
// so do the console writes (descriptor 1) named in INTERRUPT_CONSOLE_WRITES.
// Lists are numbers and commas. With NO_LOCKS set, every flock() fails as on
// a file system without locks; with NO_TMPFILE every open of a file without a
// name, as on one without them; with NO_LINKS those and every linkat() too, as
// on one without hard links. RANDOM lists the numbers that the program's first
// draws from getentropy() give, so that a case can put files under the names
// they make.
#include <dlfcn.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

bool named(const char* variable, long ordinal) {
    const char* list = std::getenv(variable);
    while (list != nullptr && *list != '\0') {
        char* end = nullptr;
        if (std::strtol(list, &end, 10) == ordinal) {
            return true;
        }
        list = *end == ',' ? end + 1 : nullptr;
    }
    return false;
}

// The list's `index`th number (from 0) into `number`; false past its end.
bool nth(const char* variable, long index, unsigned long& number) {
    const char* list = std::getenv(variable);
    for (; list != nullptr && *list != '\0'; --index) {
        char* end = nullptr;
        number = std::strtoul(list, &end, 10);
        if (index == 0) {
            return true;
        }
        list = *end == ',' ? end + 1 : nullptr;
    }
    return false;
}

} // namespace

extern "C" ssize_t read(int descriptor, void* into, size_t size) {
    static long reads = 0;
    if (descriptor > 2) {
        ++reads;
        if (named("STALL_READS", reads)) {
            timespec wait{0, 400000000};
            nanosleep(&wait, nullptr);
        }
        if (named("INTERRUPT_READS", reads)) {
            errno = EINTR;
            return -1;
        }
    }
    return syscall(SYS_read, descriptor, into, size);
}

extern "C" ssize_t write(int descriptor, const void* bytes, size_t size) {
    static long writes = 0;
    static long consoleWrites = 0;
    if ((descriptor > 2 && named("INTERRUPT_WRITES", ++writes)) ||
        (descriptor == 1 && named("INTERRUPT_CONSOLE_WRITES", ++consoleWrites))) {
        errno = EINTR;
        return -1;
    }
    return syscall(SYS_write, descriptor, bytes, size);
}

extern "C" int flock(int descriptor, int operation) {
    if (std::getenv("NO_LOCKS") != nullptr) {
        errno = ENOLCK;
        return -1;
    }
    return static_cast<int>(syscall(SYS_flock, descriptor, operation));
}

extern "C" int linkat(int fromFolder, const char* from, int toFolder, const char* to, int flags) {
    if (std::getenv("NO_LINKS") != nullptr) {
        errno = EPERM;
        return -1;
    }
    return static_cast<int>(syscall(SYS_linkat, fromFolder, from, toFolder, to, flags));
}

// __O_TMPFILE, the flag's own bit, and O_CREAT, as they are on every Linux
// that the cases run on: <fcntl.h> would bring them with a struct flock that
// the flock() above hides, and would name openat() openat64().
constexpr int kUnnamed = 020000000;
constexpr int kCreate = 0100;

// The C library's own openat64(), which adds what a 32-bit program needs.
int openIn(int folder, const char* name, int flags, std::va_list rest) {
    if ((flags & kUnnamed) != 0 &&
        (std::getenv("NO_TMPFILE") != nullptr || std::getenv("NO_LINKS") != nullptr)) {
        errno = EOPNOTSUPP;
        return -1;
    }
    using OpenAt = int (*)(int, const char*, int, ...);
    static auto next = reinterpret_cast<OpenAt>(dlsym(RTLD_NEXT, "openat64"));
    int mode = (flags & (kCreate | kUnnamed)) != 0 ? va_arg(rest, int) : 0;
    return next(folder, name, flags, mode);
}

extern "C" int openat(int folder, const char* name, int flags, ...) {
    std::va_list rest;
    va_start(rest, flags);
    int descriptor = openIn(folder, name, flags, rest);
    va_end(rest);
    return descriptor;
}

extern "C" int openat64(int folder, const char* name, int flags, ...) {
    std::va_list rest;
    va_start(rest, flags);
    int descriptor = openIn(folder, name, flags, rest);
    va_end(rest);
    return descriptor;
}

extern "C" int getentropy(void* into, size_t size) {
    static long draws = 0;
    unsigned long number = 0;
    if (size == 4 && nth("RANDOM", draws++, number)) {
        auto value = static_cast<unsigned>(number);
        std::memcpy(into, &value, 4);
        return 0;
    }
    return syscall(SYS_getrandom, into, size, 0) == static_cast<long>(size) ? 0 : -1;
}
