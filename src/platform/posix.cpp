// POSIX has no sharing modes, so this file builds their effect from flock():
// every exclusive open takes LOCK_EX, every shared open LOCK_SH, both without
// waiting. Where a file system has no locks, the output is still never the
// input: creating it compares the two files' identities.
#include "platform/platform.h"

#include "platform/system.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <initializer_list>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

// A 32-bit system's files of 2 GB or more must open too, to be judged by what
// they hold: the build asks for 64-bit file offsets.
static_assert(sizeof(off_t) == 8, "build with _FILE_OFFSET_BITS=64");

namespace platform {
namespace {

int descriptorOf(File file) {
    return static_cast<int>(file.os);
}

// Unless `wait`, opens without waiting on a named pipe that has no peer yet,
// then makes the descriptor blocking again. Directories are refused, as
// Windows refuses them.
int openDescriptor(const char* name, int flags, bool wait, struct stat& status) {
    int descriptor = ::open(name, flags | (wait ? 0 : O_NONBLOCK) | O_NOCTTY | O_CLOEXEC, 0666);
    if (descriptor < 0) {
        return -1;
    }
    if (::fstat(descriptor, &status) != 0 || S_ISDIR(status.st_mode)) {
        ::close(descriptor);
        return -1;
    }
    ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    return descriptor;
}

// Takes the lock without waiting. Only another holder makes it fail: a file
// system without locks leaves the file unlocked rather than unusable.
bool lockWithoutWaiting(int descriptor, int operation) {
    return ::flock(descriptor, operation | LOCK_NB) == 0 || errno != EWOULDBLOCK;
}

// A position to come back to, as Windows sees it: only files on a disk have
// one. A device such as /dev/zero accepts lseek() but never ends.
bool onDisk(const struct stat& status) {
    return S_ISREG(status.st_mode) || S_ISBLK(status.st_mode);
}

File fileOf(int descriptor, const struct stat& status) {
    return File{descriptor, onDisk(status)};
}

File openLocked(const char* name, int flags, bool wait, int lockOperation, struct stat& status) {
    int descriptor = openDescriptor(name, flags, wait, status);
    if (descriptor < 0) {
        return kNoFile;
    }
    if (!lockWithoutWaiting(descriptor, lockOperation)) {
        ::close(descriptor);
        return kNoFile;
    }
    return fileOf(descriptor, status);
}

// True when the open `file` is the one that `status` describes, whatever
// names reach either.
bool isFile(File file, const struct stat& status) {
    struct stat fileStatus {};
    return ::fstat(descriptorOf(file), &fileStatus) == 0 && fileStatus.st_dev == status.st_dev &&
           fileStatus.st_ino == status.st_ino;
}

// A descriptor that is closed at start would be taken by the first file the
// run opens, and messages meant for the console would land in that file.
void openNullDeviceOnClosedStandardStreams() {
    for (int descriptor : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        // The lowest free descriptor is the one just found closed. Without a
        // null device the run cannot be made safe, so it does not start.
        if (::fcntl(descriptor, F_GETFD) == -1 && errno == EBADF &&
            ::open("/dev/null", O_RDWR) != descriptor) {
            std::abort();
        }
    }
}

} // namespace

bool opensForReading(const char* name) {
    struct stat status {};
    File file = openLocked(name, O_RDONLY, false, LOCK_SH, status);
    if (!isOpen(file)) {
        return false;
    }
    closeFile(file);
    return true;
}

File openExclusive(const char* name) {
    struct stat status {};
    return openLocked(name, O_RDONLY, false, LOCK_EX, status);
}

File openShared(const char* name) {
    struct stat status {};
    return openLocked(name, O_RDONLY, true, LOCK_SH, status);
}

bool namesStream(const char* name) {
    struct stat status {};
    return ::stat(name, &status) == 0 && !S_ISDIR(status.st_mode) && !onDisk(status);
}

File openStream(const char* name) {
    struct stat status {};
    int descriptor = openDescriptor(name, O_WRONLY, true, status);
    if (descriptor >= 0 && onDisk(status)) { // it became a file since it was looked at
        ::close(descriptor);
        return kNoFile;
    }
    return descriptor < 0 ? kNoFile : fileOf(descriptor, status);
}

File createExclusive(const char* name, File input) {
    struct stat status {};
    int descriptor = openDescriptor(name, O_RDWR | O_CREAT, false, status);
    if (descriptor < 0) {
        return kNoFile;
    }
    // Emptying comes last: a refused output must keep every byte it had.
    bool usable = !isFile(input, status) && lockWithoutWaiting(descriptor, LOCK_EX) &&
                  (!S_ISREG(status.st_mode) || ::ftruncate(descriptor, 0) == 0);
    if (!usable) {
        ::close(descriptor);
        return kNoFile;
    }
    return fileOf(descriptor, status);
}

long readFile(File file, void* into, std::size_t size) {
    ssize_t got = 0;
    do {
        got = ::read(descriptorOf(file), into, size);
    } while (got == -1 && errno == EINTR);
    return static_cast<long>(got);
}

long writeFile(File file, const void* bytes, std::size_t size) {
    ssize_t written = 0;
    do {
        written = ::write(descriptorOf(file), bytes, size);
    } while (written == -1 && errno == EINTR);
    return static_cast<long>(written);
}

bool seekTo(File file, long offset) {
    return file.hasPosition &&
           ::lseek(descriptorOf(file), static_cast<off_t>(offset), SEEK_SET) != -1;
}

void closeFile(File file) {
    ::close(descriptorOf(file));
}

bool isPathArgument(const char* argument) {
    return argument[0] == '/' && std::strchr(argument + 1, '/') != nullptr;
}

bool answersHelpAndVersion() {
    return true;
}

void startProcess() {
    openNullDeviceOnClosedStandardStreams();
    // A reader that went away, or a size limit reached by the output or by a
    // redirected console, must not kill a run without a word: the write fails,
    // the output's failure is reported, lost console text is simply lost.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
}

namespace detail {

const char kConsoleLineEnd[] = "\n";

bool consoleIsInteractive() {
    return ::isatty(STDOUT_FILENO) == 1;
}

std::uint64_t millisecondsNow() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000 +
           static_cast<std::uint64_t>(now.tv_nsec) / 1000000;
}

// A console that the caller made non-blocking refuses bytes while its reader
// lags: they wait for room rather than being lost. Any other failure (the
// reader gone, a full disk, a size limit) drops the rest.
void writeStandardOutput(const char* bytes, std::size_t size) {
    while (size > 0) {
        ssize_t written = ::write(STDOUT_FILENO, bytes, size);
        if (written > 0) {
            bytes += written;
            size -= static_cast<std::size_t>(written);
        } else if (written == -1 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd room{STDOUT_FILENO, POLLOUT, 0};
            ::poll(&room, 1, -1);
        } else if (written == 0 || errno != EINTR) {
            return; // an interrupted write is simply made again
        }
    }
}

void endProcess(int status) {
    std::exit(status);
}

} // namespace detail
} // namespace platform
