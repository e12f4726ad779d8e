// POSIX has no sharing modes, so this file builds their effect from flock():
// every exclusive open takes LOCK_EX, every shared open LOCK_SH, both without
// waiting. Where a file system has no locks, the output is still never the
// input: creating it compares the two files' identities.
#include "platform/platform.h"

#include "platform/system.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <initializer_list>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#include <utility>

// A 32-bit system's files of 2 GB or more must open too, to be judged by what
// they hold: the build asks for 64-bit file offsets.
static_assert(sizeof(off_t) == 8, "build with _FILE_OFFSET_BITS=64");

namespace platform {
namespace {

// As many symbolic links as the system itself follows in one name.
constexpr int kMostLinks = 40;

int descriptorOf(File file) {
    return static_cast<int>(file.os);
}

// The errno of the last failed open, read or write, for failureCause(); 0
// once forgotten.
int lastFailure = 0;

// Notes why a call failed, and passes its result on.
int noteFailure(int error) {
    lastFailure = error;
    return -1;
}

// Unless `wait`, opens without waiting on a named pipe that has no peer yet;
// such a descriptor is only looked at and closed, never read, so it stays
// as it opened. Directories are refused, as Windows refuses them.
int openDescriptor(const char* name, int flags, bool wait, struct stat& status) {
    int descriptor = ::open(name, flags | (wait ? 0 : O_NONBLOCK) | O_NOCTTY | O_CLOEXEC, 0666);
    if (descriptor == -1) {
        return noteFailure(errno);
    }
    if (::fstat(descriptor, &status) != 0 || S_ISDIR(status.st_mode)) {
        int error = S_ISDIR(status.st_mode) ? EISDIR : errno;
        ::close(descriptor);
        return noteFailure(error);
    }
    return descriptor;
}

// Takes the lock without waiting. Only another holder makes it fail: a file
// system without locks leaves the file unlocked rather than unusable.
bool lockWithoutWaiting(int descriptor, int operation) {
    return ::flock(descriptor, operation | LOCK_NB) == 0 || errno != EWOULDBLOCK;
}

// A file on a disk, as Windows sees it: a regular file or a disk itself.
bool onDisk(const struct stat& status) {
    return S_ISREG(status.st_mode) || S_ISBLK(status.st_mode);
}

File fileOf(int descriptor, const struct stat& status) {
    return File{descriptor, onDisk(status)};
}

File openLocked(const char* name, int flags, bool wait, int lockOperation, struct stat& status) {
    int descriptor = openDescriptor(name, flags, wait, status);
    if (descriptor == -1) {
        return kNoFile;
    }
    if (!lockWithoutWaiting(descriptor, lockOperation)) {
        ::close(descriptor);
        noteFailure(EWOULDBLOCK);
        return kNoFile;
    }
    return fileOf(descriptor, status);
}

// True when the open `descriptor` is the file that `status` describes,
// whatever names reach either.
bool isFile(int descriptor, const struct stat& status) {
    struct stat fileStatus {};
    return ::fstat(descriptor, &fileStatus) == 0 && fileStatus.st_dev == status.st_dev &&
           fileStatus.st_ino == status.st_ino;
}

// The standard streams that were closed when the run started, by descriptor:
// the null device that holds their place is no stream the run was given.
bool closedAtStart[3];

// A descriptor that is closed at start would be taken by the first file the
// run opens, and messages meant for the console would land in that file.
void openNullDeviceOnClosedStandardStreams() {
    for (int descriptor : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        closedAtStart[descriptor] = ::fcntl(descriptor, F_GETFD) == -1 && errno == EBADF;
        // The lowest free descriptor is the one just found closed. Without a
        // null device the run cannot be made safe, so it does not start.
        if (closedAtStart[descriptor] && ::open("/dev/null", O_RDWR) != descriptor) {
            std::abort();
        }
    }
}

// A standard stream's names are taken as written, not followed: another path
// to the same file is a file's name.
bool isOneOf(const char* name, std::initializer_list<const char*> names) {
    for (const char* known : names) {
        if (std::strcmp(name, known) == 0) {
            return true;
        }
    }
    return false;
}

bool isTerminal(int descriptor) {
    return ::isatty(descriptor) == 1;
}

// Only a character device can be a terminal; opened without waiting and
// without becoming the run's controlling terminal, only to ask.
bool namesTerminal(const char* name, const struct stat& status) {
    if (!S_ISCHR(status.st_mode)) {
        return false;
    }
    int descriptor = ::open(name, O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor == -1) {
        return false;
    }
    bool terminal = isTerminal(descriptor);
    ::close(descriptor);
    return terminal;
}

// The output being written: the file its name reaches, the unfinished file
// beside it, and the file it replaces, held until it is replaced. `named` is
// what a signal handler may read: set while the unfinished file exists.
// The unfinished file's name follows the target's in the same array.
struct Unfinished {
    int descriptor; // of the unfinished file, while `writing`
    int replaced;   // of the file it replaces, held while `holding`
    bool writing;
    bool holding;
    mode_t mode;
    volatile std::sig_atomic_t named;
    char* path; // the unfinished file's name, in `target` after the target's
    char target[PATH_MAX + PATH_MAX + detail::kUnfinishedNameRoom];
};
Unfinished unfinished;

// How much of `path` is its folder: all up to its last '/'.
std::size_t folderLength(const char* path) {
    const char* slash = std::strrchr(path, '/');
    return slash == nullptr ? 0 : static_cast<std::size_t>(slash + 1 - path);
}

// The file that `name` reaches, its symbolic links followed one by one (a
// link to nothing reaches the file it names), into `target`. The system
// follows kMostLinks of them in a name: a name with more is refused too.
bool followLinks(const char* name, char* target) {
    char link[PATH_MAX];
    const char* next = name;
    std::size_t length = std::strlen(name);
    std::size_t folder = 0;
    for (int hops = 0;; ++hops) {
        if (folder + length >= PATH_MAX) {
            return false;
        }
        std::memcpy(target + folder, next, length);
        target[folder + length] = '\0';
        if (hops > kMostLinks) {
            return false;
        }
        ssize_t got = ::readlink(target, link, sizeof link);
        if (got == -1) {
            return errno == EINVAL || errno == ENOENT; // no link, or nothing there
        }
        // A relative link is read from the folder that holds it.
        next = link;
        length = static_cast<std::size_t>(got);
        folder = link[0] == '/' ? 0 : folderLength(target);
    }
}

// An existing target is replaced only when asked, only if it is a file this
// run may write, and never when it is the input or another program holds it.
bool holdReplaced(File input, bool replace) {
    struct stat status {};
    if (::stat(unfinished.target, &status) != 0) {
        return errno == ENOENT;
    }
    if (!replace || !S_ISREG(status.st_mode) || isFile(descriptorOf(input), status)) {
        return false;
    }
    unfinished.replaced = ::open(unfinished.target, O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    unfinished.holding = unfinished.replaced != -1;
    unfinished.mode = status.st_mode & 07777;
    return unfinished.holding && isFile(unfinished.replaced, status) &&
           lockWithoutWaiting(unfinished.replaced, LOCK_EX);
}

// squeezle-PID.unfinished in the target's folder. One of that name can only
// be left from a killed run whose process number this run now has: it goes.
// Made anew, never opened through a link.
bool createUnfinished() {
    unfinished.path = unfinished.target + std::strlen(unfinished.target) + 1;
    detail::nameUnfinished(unfinished.path, unfinished.target, folderLength(unfinished.target),
                           static_cast<std::uint32_t>(::getpid()));
    constexpr int kFlags = O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC;
    unfinished.descriptor = ::open(unfinished.path, kFlags, 0666);
    if (unfinished.descriptor == -1 && errno == EEXIST && ::unlink(unfinished.path) == 0) {
        unfinished.descriptor = ::open(unfinished.path, kFlags, 0666);
    }
    unfinished.writing = unfinished.descriptor != -1;
    unfinished.named = unfinished.writing ? 1 : 0;
    return unfinished.writing;
}

// The process ends by the signal, as it would have, once the unfinished file
// is gone. A signal that the run was started to ignore stays ignored.
void removeUnfinished(int signal) {
    if (unfinished.named != 0) {
        ::unlink(unfinished.path);
    }
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

void removeOnSignals() {
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction action {};
        struct sigaction before {};
        action.sa_handler = removeUnfinished;
        ::sigemptyset(&action.sa_mask);
        if (::sigaction(signal, &action, &before) == 0 && before.sa_handler == SIG_IGN) {
            ::sigaction(signal, &before, nullptr);
        }
    }
}

// With `replace`, rename() puts the new file over whatever is there in one
// step. Without it, link() refuses a file that appeared meanwhile; a file
// system without hard links gets rename() after all.
Commit putInPlace(bool replace) {
    if (!replace && ::link(unfinished.path, unfinished.target) == 0) {
        return Commit::Done; // discardOutput() removes the other name
    }
    if (!replace && errno == EEXIST) {
        return Commit::Appeared;
    }
    if (::rename(unfinished.path, unfinished.target) != 0) {
        return Commit::WriteFailed;
    }
    unfinished.named = 0;
    return Commit::Done;
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
    return openLocked(name, O_RDONLY, true, LOCK_EX, status);
}

File openShared(const char* name) {
    struct stat status {};
    return openLocked(name, O_RDONLY, true, LOCK_SH, status);
}

bool namesStandardInput(const char* name) {
    return isOneOf(name, {"-", "/dev/stdin", "/dev/fd/0", "/proc/self/fd/0"});
}

// A descriptor of its own, so that closing the input leaves standard input be.
File openStandardInput() {
    if (closedAtStart[STDIN_FILENO]) {
        return kNoFile;
    }
    int descriptor = ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0);
    if (descriptor == -1) {
        return kNoFile;
    }
    struct stat status {};
    ::fstat(descriptor, &status);
    return fileOf(descriptor, status);
}

OutputKind outputKind(const char* name) {
    if (isOneOf(name, {"-", "/dev/stdout", "/dev/fd/1", "/proc/self/fd/1"})) {
        return OutputKind{true, true, isTerminal(STDOUT_FILENO), closedAtStart[STDOUT_FILENO]};
    }
    struct stat status {};
    if (::stat(name, &status) != 0 || S_ISDIR(status.st_mode) || onDisk(status)) {
        return OutputKind{};
    }
    return OutputKind{true, isFile(STDOUT_FILENO, status), namesTerminal(name, status), false};
}

File openStream(const char* name) {
    struct stat status {};
    int descriptor = openDescriptor(name, O_WRONLY, true, status);
    if (descriptor == -1) {
        return kNoFile;
    }
    if (onDisk(status)) { // it became a file since it was looked at
        ::close(descriptor);
        return kNoFile;
    }
    return fileOf(descriptor, status);
}

bool namesFile(const char* name, File file) {
    struct stat status {};
    return ::stat(name, &status) == 0 && isFile(descriptorOf(file), status);
}

bool isStandardOutput(File file) {
    struct stat status {};
    return ::fstat(STDOUT_FILENO, &status) == 0 && isFile(descriptorOf(file), status);
}

bool isDanglingLink(const char* name) {
    struct stat status {};
    return ::lstat(name, &status) == 0 && S_ISLNK(status.st_mode) && ::stat(name, &status) != 0;
}

bool prepareOutput(const char* name, File input, bool replace) {
    if (!followLinks(name, unfinished.target) || !holdReplaced(input, replace) ||
        !createUnfinished()) {
        discardOutput();
        return false;
    }
    removeOnSignals();
    return true;
}

Commit commitOutput(const void* bytes, std::size_t size, bool replace) {
    bool written = writeFile(File{unfinished.descriptor}, bytes, size) == static_cast<long>(size);
    if (written && unfinished.holding) {
        ::fchmod(unfinished.descriptor, unfinished.mode); // as the file it replaces
    }
    unfinished.writing = false;
    written = ::close(unfinished.descriptor) == 0 && written;
    Commit result = written ? putInPlace(replace) : Commit::WriteFailed;
    discardOutput();
    return result;
}

void discardOutput() {
    if (unfinished.named != 0) {
        unfinished.named = 0;
        ::unlink(unfinished.path);
    }
    if (std::exchange(unfinished.writing, false)) {
        ::close(unfinished.descriptor);
    }
    if (std::exchange(unfinished.holding, false)) {
        ::close(unfinished.replaced);
    }
}

long readFile(File file, void* into, std::size_t size) {
    ssize_t got = 0;
    do {
        got = ::read(descriptorOf(file), into, size);
    } while (got == -1 && errno == EINTR);
    return got == -1 ? noteFailure(errno) : static_cast<long>(got);
}

long writeFile(File file, const void* bytes, std::size_t size) {
    ssize_t written = 0;
    do {
        written = ::write(descriptorOf(file), bytes, size);
    } while (written == -1 && errno == EINTR);
    return written == -1 ? noteFailure(errno) : static_cast<long>(written);
}

void closeFile(File file) {
    ::close(descriptorOf(file));
}

// The C library's words, which a program that never sets its locale has in
// English: the same as Windows is given. A lock held elsewhere is the one
// failure whose words would mislead ("Resource temporarily unavailable").
const char* failureCause() {
    if (lastFailure == EWOULDBLOCK) {
        return "Held by another program";
    }
    return lastFailure == 0 ? nullptr : std::strerror(lastFailure);
}

void forgetFailureCause() {
    lastFailure = 0;
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
bool writeStandardOutput(const char* bytes, std::size_t size) {
    while (size > 0) {
        ssize_t written = ::write(STDOUT_FILENO, bytes, size);
        if (written > 0) {
            bytes += written;
            size -= static_cast<std::size_t>(written);
        } else if (written == -1 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd room{STDOUT_FILENO, POLLOUT, 0};
            ::poll(&room, 1, -1);
        } else if (written == 0 || errno != EINTR) {
            return false; // an interrupted write is simply made again
        }
    }
    return true;
}

void writeStandardError(const char* bytes, std::size_t size) {
    while (size > 0) {
        ssize_t written = ::write(STDERR_FILENO, bytes, size);
        if (written > 0) {
            bytes += written;
            size -= static_cast<std::size_t>(written);
        } else if (written == 0 || errno != EINTR) {
            return;
        }
    }
}

void endProcess(int status) {
    std::exit(status);
}

} // namespace detail
} // namespace platform
