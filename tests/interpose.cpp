// Loaded ahead of the C library into a program under test (LD_PRELOAD), this
// puts a delay or an interruption where a case wants one. The reads and the
// writes of files (descriptors above 2) are counted from 1, apart; the ones
// named in STALL_READS wait 400 ms first, so that a case sees what the program
// had sent its console by then, and the ones named in INTERRUPT_READS and
// INTERRUPT_WRITES fail with EINTR, as when a signal arrives, and do nothing;
// so do the console writes (descriptor 1) named in INTERRUPT_CONSOLE_WRITES.
// Lists are numbers and commas. With NO_LOCKS set, every flock() fails as on
// a file system without locks, and with NO_LINKS every link() as on one
// without hard links; with PID set, that is the process number the
// program is told, as if a killed run that had it had left its files.
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
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

// AT_FDCWD, which is the same on every Linux: <fcntl.h> would bring it with a
// struct flock that the flock() above hides.
constexpr long kCurrentFolder = -100;

extern "C" int link(const char* from, const char* to) {
    if (std::getenv("NO_LINKS") != nullptr) {
        errno = EPERM;
        return -1;
    }
    return static_cast<int>(syscall(SYS_linkat, kCurrentFolder, from, kCurrentFolder, to, 0));
}

extern "C" pid_t getpid() {
    const char* pid = std::getenv("PID");
    return pid != nullptr ? static_cast<pid_t>(std::atol(pid))
                          : static_cast<pid_t>(syscall(SYS_getpid));
}
