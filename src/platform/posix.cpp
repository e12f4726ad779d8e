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
#include <sys/random.h>
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

// All `size` bytes, in as many writes as it takes. A stream that its owner
// made non-blocking refuses bytes while its reader lags: they wait for room
// rather than being lost. A write that a full disk or a size limit cuts short
// is followed by one that fails and says why; any failure (the reader gone, a
// full disk, a size limit) drops the rest.
bool writeAll(int descriptor, const void* bytes, std::size_t size) {
    const char* at = static_cast<const char*>(bytes);
    while (size > 0) {
        ssize_t written = ::write(descriptor, at, size);
        if (written > 0) {
            at += written;
            size -= static_cast<std::size_t>(written);
        } else if (written == -1 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd room{descriptor, POLLOUT, 0};
            ::poll(&room, 1, -1);
        } else if (written == 0 || errno != EINTR) {
            noteFailure(written == 0 ? 0 : errno);
            return false; // an interrupted write is simply made again
        }
    }
    return true;
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

// The output being written, in the output's folder held open: the unfinished
// file, the file it replaces, held until it is replaced, and the target's own
// name in that folder. `named` is what a signal handler may read: set while
// the unfinished file has a name of its own. Each descriptor is -1 while it
// is not open.
struct Unfinished {
    int folder = -1;     // the output's folder
    int descriptor = -1; // of the unfinished file
    int replaced = -1;   // of the file it replaces, held until it is replaced
    bool unnamed;        // made without a name: it gets one, the output's, once whole
    mode_t mode;         // the finished file's: the replaced file's, or a new file's
    volatile std::sig_atomic_t named;
    sigset_t signalsBefore;
    const char* leaf;                           // the target's name in its folder, in `target`
    char name[1 + detail::kUnfinishedNameRoom]; // in the folder; a leading '.' hides it
    char unnamedPath[sizeof "/proc/self/fd/4294967295"];
    char target[PATH_MAX];
};
Unfinished unfinished;

// How many names a run draws before it takes a folder full of them as full.
constexpr int kMostNames = 100;

// The folder is held from its first use: a folder renamed during the run
// still gets the file, and nothing is left in it. No read permission needed.
#ifdef O_PATH
constexpr int kFolderFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
#else
constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
#endif

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

// The target's folder, opened once. Its name ends the target's folder part
// for a moment. A target that ends in '/' is a folder: refused.
bool openFolder() {
    std::size_t length = folderLength(unfinished.target);
    unfinished.leaf = unfinished.target + length;
    char first = *unfinished.leaf;
    unfinished.target[length] = '\0';
    unfinished.folder = ::open(length == 0 ? "." : unfinished.target, kFolderFlags);
    unfinished.target[length] = first;
    bool held = unfinished.folder != -1;
    if (!held || first == '\0') {
        noteFailure(held ? EISDIR : errno);
    }
    return held && first != '\0';
}

// A new file's permissions, as a plain open would give them.
mode_t newFileMode() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// An existing target is replaced only when asked, only if it is a file this
// run may write, and never when it is the input or another program holds it.
bool holdReplaced(File input, bool replace) {
    struct stat status {};
    unfinished.mode = newFileMode();
    if (::fstatat(unfinished.folder, unfinished.leaf, &status, 0) != 0) {
        if (errno == ENOENT) {
            return true;
        }
        noteFailure(errno);
        return false;
    }
    if (S_ISDIR(status.st_mode)) {
        noteFailure(EISDIR);
    }
    if (!replace || !S_ISREG(status.st_mode) || isFile(descriptorOf(input), status)) {
        return false; // the run's own rules, but for a folder
    }
    unfinished.replaced =
        ::openat(unfinished.folder, unfinished.leaf, O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    unfinished.mode = status.st_mode & 07777;
    if (unfinished.replaced == -1) {
        noteFailure(errno);
        return false;
    }
    if (!isFile(unfinished.replaced, status)) {
        return false;
    }
    if (!lockWithoutWaiting(unfinished.replaced, LOCK_EX)) {
        noteFailure(EWOULDBLOCK);
        return false;
    }
    return true;
}

// The process ends by the signal, as it would have, once the unfinished file
// is gone. A signal that the run was started to ignore stays ignored.
void removeUnfinished(int signal) {
    if (unfinished.named != 0) {
        ::unlinkat(unfinished.folder, unfinished.name, 0);
    }
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

// Installed before the unfinished file exists, so none is left by them.
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

// Those signals wait while a name is made or taken: a handler then finds the
// folder as `named` says it is.
void holdSignals() {
    sigset_t held;
    ::sigemptyset(&held);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        ::sigaddset(&held, signal);
    }
    ::sigprocmask(SIG_BLOCK, &held, &unfinished.signalsBefore);
}

void releaseSignals() {
    ::sigprocmask(SIG_SETMASK, &unfinished.signalsBefore, nullptr);
}

// A number that no other run is likely to draw: the system's random source,
// or the clock where that fails. Never the process number, which a killed
// run's leftovers or another user's files may hold.
std::uint32_t randomNumber() {
    std::uint32_t number = 0;
    if (::getentropy(&number, sizeof number) == 0) {
        return number;
    }
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<std::uint32_t>(now.tv_nsec) ^
           static_cast<std::uint32_t>(now.tv_sec) * 2654435761U;
}

// Names `name` squeezle-RANDOM.unfinished (hidden: with a leading '.') and
// lets `make` make a file under it; a file, folder or pipe that has the name
// already is left alone and another number drawn.
template <typename Make> bool makeUnderFreshName(bool hidden, Make make) {
    for (int tries = 0; tries < kMostNames; ++tries) {
        detail::nameUnfinished(unfinished.name, ".", hidden ? 1 : 0, randomNumber());
        if (make()) {
            return true;
        }
        if (errno != EEXIST) {
            return false;
        }
    }
    return false;
}

// On Linux the unfinished file has no name, so even a run killed outright
// leaves nothing; /proc gives it one once it is whole. A file system without
// unnamed files, or a system without /proc, makes the run name it.
bool createUnnamed() {
#ifdef O_TMPFILE
    int descriptor = ::openat(unfinished.folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (descriptor == -1) {
        return false;
    }
    constexpr char kDescriptors[] = "/proc/self/fd/";
    char* at = std::strcpy(unfinished.unnamedPath, kDescriptors) + sizeof kDescriptors - 1;
    at[detail::putDecimal(at, static_cast<std::uint32_t>(descriptor))] = '\0';
    if (::access(unfinished.unnamedPath, F_OK) != 0) {
        ::close(descriptor);
        return false;
    }
    unfinished.descriptor = descriptor;
    unfinished.unnamed = true;
    return true;
#else
    return false;
#endif
}

// Readable by its owner alone until it is whole; made anew, never opened
// through a link.
bool createNamed() {
    holdSignals();
    bool made = makeUnderFreshName(false, [] {
        constexpr int kFlags = O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC;
        unfinished.descriptor = ::openat(unfinished.folder, unfinished.name, kFlags, 0600);
        return unfinished.descriptor != -1;
    });
    unfinished.named = made ? 1 : 0;
    releaseSignals();
    return made;
}

bool createUnfinished() {
    if (!createUnnamed() && !createNamed()) {
        noteFailure(errno);
        return false;
    }
    return true;
}

bool linkUnnamed(const char* name) {
    const char* unnamed = unfinished.unnamedPath;
    return ::linkat(AT_FDCWD, unnamed, unfinished.folder, name, AT_SYMLINK_FOLLOW) == 0;
}

Commit writeFailed(int error) {
    noteFailure(error);
    return Commit::WriteFailed;
}

// Without `replace` the file takes the output's name only if nothing has it:
// a file that appeared meanwhile is kept. With it, no name can be put over a
// file at once but by rename(): the file gets a hidden name of its own first.
Commit placeUnnamed(bool replace) {
    if (!replace) {
        return linkUnnamed(unfinished.leaf) ? Commit::Done
               : errno == EEXIST            ? Commit::Appeared
                                            : writeFailed(errno);
    }
    holdSignals();
    bool linked = makeUnderFreshName(true, [] { return linkUnnamed(unfinished.name); });
    bool renamed = linked && ::renameat(unfinished.folder, unfinished.name, unfinished.folder,
                                        unfinished.leaf) == 0;
    if (linked && !renamed) {
        ::unlinkat(unfinished.folder, unfinished.name, 0);
    }
    releaseSignals();
    return renamed ? Commit::Done : writeFailed(errno);
}

// With `replace`, renameat() puts the new file over whatever is there in one
// step. Without it, linkat() refuses a file that appeared meanwhile; a file
// system without hard links gets renameat() after all.
Commit placeNamed(bool replace) {
    int folder = unfinished.folder;
    if (!replace && ::linkat(folder, unfinished.name, folder, unfinished.leaf, 0) == 0) {
        return Commit::Done; // discardOutput() removes the other name
    }
    if (!replace && errno == EEXIST) {
        return Commit::Appeared;
    }
    holdSignals();
    bool renamed = ::renameat(folder, unfinished.name, folder, unfinished.leaf) == 0;
    int error = errno;
    unfinished.named = renamed ? 0 : 1;
    releaseSignals();
    return renamed ? Commit::Done : writeFailed(error);
}

// The whole file gets its final permissions before anyone can open it. A
// named one is closed first, so that a failure the close reports is seen.
Commit putInPlace(bool written, bool replace) {
    if (written) {
        ::fchmod(unfinished.descriptor, unfinished.mode); // none where files have no permissions
    }
    if (!unfinished.unnamed) {
        written = ::close(std::exchange(unfinished.descriptor, -1)) == 0 && written;
        return written ? placeNamed(replace) : Commit::WriteFailed;
    }
    return written ? placeUnnamed(replace) : Commit::WriteFailed;
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
    removeOnSignals();
    if (!followLinks(name, unfinished.target) || !openFolder() || !holdReplaced(input, replace) ||
        !createUnfinished()) {
        discardOutput();
        return false;
    }
    return true;
}

Commit commitOutput(const void* bytes, std::size_t size, bool replace) {
    Commit result = putInPlace(writeAll(unfinished.descriptor, bytes, size), replace);
    discardOutput();
    return result;
}

void discardOutput() {
    if (unfinished.named != 0) {
        unfinished.named = 0;
        ::unlinkat(unfinished.folder, unfinished.name, 0);
    }
    for (int* descriptor : {&unfinished.descriptor, &unfinished.replaced, &unfinished.folder}) {
        if (*descriptor != -1) {
            ::close(std::exchange(*descriptor, -1));
        }
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

bool nameFits(const char* name) {
    return std::strlen(name) <= kLongestNameBytes;
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

bool writeStandardOutput(const char* bytes, std::size_t size) {
    return writeAll(STDOUT_FILENO, bytes, size);
}

void writeStandardError(const char* bytes, std::size_t size) {
    writeAll(STDERR_FILENO, bytes, size);
}

void endProcess(int status) {
    std::exit(status);
}

} // namespace detail
} // namespace platform
