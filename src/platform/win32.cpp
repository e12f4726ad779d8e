// Windows: the sharing modes of CreateFileW give exclusive access, so the
// input named again as the output, under any name, meets a sharing violation.
// Names are UTF-8 inside the program and UTF-16 at every call: a name in any
// language opens, whatever the system's code page.
#include "platform/platform.h"

#include "platform/system.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <utility>

// The runtime's arguments, in the code page, go unused; it must expand no
// wildcards into them all the same: `squeezle *.bat` names a file called *.bat.
extern "C" {
int _dowildcard = 0;
}

namespace platform {
namespace {

HANDLE handleOf(File file) {
    return reinterpret_cast<HANDLE>(file.os);
}

// The error of the last failed open, read or write, for failureCause(); 0
// once forgotten.
DWORD lastFailure = 0;

void noteFailure() {
    lastFailure = ::GetLastError();
}

// Pipes and consoles have no position: moving it must fail, not be ignored.
File fileOf(HANDLE handle) {
    if (handle == INVALID_HANDLE_VALUE) {
        noteFailure();
    }
    return handle == INVALID_HANDLE_VALUE ? kNoFile
                                          : File{reinterpret_cast<std::intptr_t>(handle),
                                                 ::GetFileType(handle) == FILE_TYPE_DISK};
}

// A name as the system takes it: UTF-16, with room for the longest name the
// command line takes and the unfinished file's name in its folder.
using WideName = wchar_t[MAX_PATH + detail::kUnfinishedNameRoom];

// False, with an empty name, for one that is not UTF-8 or does not fit.
bool widen(const char* name, WideName& wide) {
    if (::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name, -1, wide,
                              static_cast<int>(std::size(wide))) > 0) {
        return true;
    }
    wide[0] = L'\0';
    return false;
}

// Without FILE_FLAG_BACKUP_SEMANTICS a directory never opens.
File open(const char* name, DWORD access, DWORD sharing, DWORD disposition) {
    WideName wide;
    return widen(name, wide) ? fileOf(::CreateFileW(wide, access, sharing, nullptr, disposition,
                                                    FILE_ATTRIBUTE_NORMAL, nullptr))
                             : kNoFile;
}

// The output being written: its name, and the unfinished file in its folder
// until it takes that name. `named` is set while the unfinished file exists;
// the console's handler, on a thread of its own, takes it.
struct Unfinished {
    char path[kLongestNameBytes + detail::kUnfinishedNameRoom];
    WideName widePath;
    WideName target;
    HANDLE handle;
    volatile LONG named;
};
Unfinished unfinished{{}, {}, {}, INVALID_HANDLE_VALUE, 0};

// A number no other run is likely to draw: the counter's ticks and the
// process number, mixed so that every bit of each moves every bit of the
// result (the finaliser of splitmix64). Each call draws the next.
std::uint32_t randomNumber() {
    static std::uint64_t state;
    LARGE_INTEGER ticks{};
    ::QueryPerformanceCounter(&ticks);
    state += 0x9E3779B97F4A7C15u ^ static_cast<std::uint64_t>(ticks.QuadPart) ^
             (static_cast<std::uint64_t>(::GetCurrentProcessId()) << 32);
    std::uint64_t mixed = state;
    mixed = (mixed ^ (mixed >> 30)) * 0xBF58476D1CE4E5B9u;
    mixed = (mixed ^ (mixed >> 27)) * 0x94D049BB133111EBu;
    return static_cast<std::uint32_t>((mixed ^ (mixed >> 31)) >> 32);
}

// A name taken already, by a file, a folder or one being deleted.
bool isTaken(DWORD error) {
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ||
           error == ERROR_ACCESS_DENIED;
}

// squeezle-NUMBER.unfinished in the output's folder, from a random number,
// created only where no file of that name is: another number is drawn while
// the name is taken, by a file another run left or holds. Opened to be
// deleted while open, so that Ctrl-C can remove it.
bool createUnfinished(const char* name) {
    if (!widen(name, unfinished.target)) {
        return false;
    }
    const char* end = name;
    for (const char* at = name; *at != '\0'; ++at) {
        if (*at == '\\' || *at == '/' || *at == ':') {
            end = at + 1;
        }
    }
    constexpr int kTries = 16;
    DWORD error = ERROR_FILE_EXISTS;
    for (int tries = 0; tries < kTries && isTaken(error); ++tries) {
        detail::nameUnfinished(unfinished.path, name, static_cast<std::size_t>(end - name),
                               randomNumber());
        if (!widen(unfinished.path, unfinished.widePath)) {
            return false;
        }
        unfinished.handle = ::CreateFileW(unfinished.widePath, GENERIC_WRITE, FILE_SHARE_DELETE,
                                          nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        error = ::GetLastError();
        if (unfinished.handle != INVALID_HANDLE_VALUE) {
            unfinished.named = 1;
            return true;
        }
    }
    lastFailure = error;
    return false;
}

// Ctrl-C, Ctrl-Break, closing the console: the process ends as it would
// have, once the unfinished file is gone.
BOOL WINAPI removeUnfinished(DWORD) {
    if (::InterlockedExchange(&unfinished.named, 0) != 0) {
        ::DeleteFileW(unfinished.widePath);
    }
    return FALSE;
}

// Without replacing, a file that appeared under the name meanwhile is kept.
Commit putInPlace(bool replace) {
    if (::MoveFileExW(unfinished.widePath, unfinished.target,
                      replace ? MOVEFILE_REPLACE_EXISTING : 0)) {
        unfinished.named = 0;
        return Commit::Done;
    }
    DWORD error = ::GetLastError();
    return !replace && (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS)
               ? Commit::Appeared
               : Commit::WriteFailed;
}

// Only files on a disk have an identity to compare.
bool sameFile(File one, File other) {
    BY_HANDLE_FILE_INFORMATION first{};
    BY_HANDLE_FILE_INFORMATION second{};
    return one.onDisk && other.onDisk && ::GetFileInformationByHandle(handleOf(one), &first) &&
           ::GetFileInformationByHandle(handleOf(other), &second) &&
           first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh &&
           first.nFileIndexLow == second.nFileIndexLow;
}

File standardOutput() {
    return fileOf(::GetStdHandle(STD_OUTPUT_HANDLE));
}

// A process started without a standard handle has none: not even a closed one.
bool isMissing(HANDLE handle) {
    return handle == nullptr || handle == INVALID_HANDLE_VALUE;
}

// The null device is a character device too, but no console.
bool isConsole(HANDLE handle) {
    DWORD mode = 0;
    return ::GetConsoleMode(handle, &mode) != 0;
}

} // namespace

bool opensForReading(const char* name) {
    File file = open(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    if (!isOpen(file)) {
        return false;
    }
    closeFile(file);
    return true;
}

File openExclusive(const char* name) {
    return open(name, GENERIC_READ, 0, OPEN_EXISTING);
}

// Others may read it too, none may write it: not even the one that created it.
File openShared(const char* name) {
    return open(name, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
}

bool namesStandardInput(const char* name) {
    return std::strcmp(name, "-") == 0;
}

// A handle of its own, so that closing the input leaves standard input be.
File openStandardInput() {
    HANDLE given = ::GetStdHandle(STD_INPUT_HANDLE);
    HANDLE own = INVALID_HANDLE_VALUE;
    if (isMissing(given) || !::DuplicateHandle(::GetCurrentProcess(), given, ::GetCurrentProcess(),
                                               &own, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
        return kNoFile;
    }
    return fileOf(own);
}

// Opened for writing as openStream() opens it, emptying nothing: CON must be
// asked for writing to be the console's output. Opening never waits here.
// Only `-` is standard output: a pipe or a console has no identity to
// compare, and a file on a disk is never standard output.
OutputKind outputKind(const char* name) {
    if (std::strcmp(name, "-") == 0) {
        HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
        return OutputKind{true, true, !isMissing(output) && isConsole(output), isMissing(output)};
    }
    File file = open(name, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    if (!isOpen(file)) {
        return OutputKind{};
    }
    OutputKind kind{!file.onDisk, false, isConsole(handleOf(file)), false};
    closeFile(file);
    return kind;
}

File openStream(const char* name) {
    File file = open(name, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    if (isOpen(file) && file.onDisk) { // it became a file since it was looked at
        closeFile(file);
        return kNoFile;
    }
    return file;
}

bool namesFile(const char* name, File file) {
    File named =
        open(name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING);
    if (!isOpen(named)) {
        return false;
    }
    bool same = sameFile(named, file);
    closeFile(named);
    return same;
}

bool isStandardOutput(File file) {
    return sameFile(file, standardOutput());
}

bool isDanglingLink(const char*) {
    return false;
}

// An existing output must open for writing with no sharing: that refuses a
// read-only file, one that another program holds, and the input under any
// name, whose own sharing mode refuses it. It cannot stay held: MoveFileExW
// does not replace a file that is open.
bool prepareOutput(const char* name, File /*input*/, bool replace) {
    WideName wide;
    DWORD attributes = widen(name, wide) ? ::GetFileAttributesW(wide) : INVALID_FILE_ATTRIBUTES;
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        File existing = open(name, GENERIC_WRITE, 0, OPEN_EXISTING);
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            lastFailure = ERROR_DIRECTORY;
        }
        if (!replace || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || !isOpen(existing)) {
            if (isOpen(existing)) {
                closeFile(existing);
            }
            return false;
        }
        closeFile(existing);
    }
    if (!createUnfinished(name)) {
        return false;
    }
    ::SetConsoleCtrlHandler(removeUnfinished, TRUE);
    return true;
}

Commit commitOutput(const void* bytes, std::size_t size, bool replace) {
    bool written = writeFile(File{reinterpret_cast<std::intptr_t>(unfinished.handle), true}, bytes,
                             size) == static_cast<long>(size);
    written = ::CloseHandle(std::exchange(unfinished.handle, INVALID_HANDLE_VALUE)) && written;
    Commit result = written ? putInPlace(replace) : Commit::WriteFailed;
    discardOutput();
    return result;
}

void discardOutput() {
    if (unfinished.handle != INVALID_HANDLE_VALUE) {
        ::CloseHandle(std::exchange(unfinished.handle, INVALID_HANDLE_VALUE));
    }
    if (::InterlockedExchange(&unfinished.named, 0) != 0) {
        ::DeleteFileW(unfinished.widePath);
    }
}

long readFile(File file, void* into, std::size_t size) {
    DWORD got = 0;
    if (!::ReadFile(handleOf(file), into, static_cast<DWORD>(size), &got, nullptr)) {
        // A pipe whose writer has gone is at its end, not in error.
        if (::GetLastError() == ERROR_BROKEN_PIPE) {
            return 0;
        }
        noteFailure();
        return -1;
    }
    return static_cast<long>(got);
}

long writeFile(File file, const void* bytes, std::size_t size) {
    DWORD written = 0;
    if (!::WriteFile(handleOf(file), bytes, static_cast<DWORD>(size), &written, nullptr)) {
        noteFailure();
        return -1;
    }
    return static_cast<long>(written);
}

void closeFile(File file) {
    ::CloseHandle(handleOf(file));
}

// The words a POSIX system gives for the same failures, so that a build log
// reads the same on both; the system's own would come in its language.
const char* failureCause() {
    switch (lastFailure) {
    case 0:
        return nullptr;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
        return "No such file or directory";
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
        return "Permission denied";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return "Held by another program";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return "No space left on device";
    case ERROR_FILENAME_EXCED_RANGE:
        return "File name too long";
    case ERROR_DIRECTORY:
        return "Is a directory";
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:
        return "Broken pipe";
    default:
        return "Input/output error";
    }
}

void forgetFailureCause() {
    lastFailure = 0;
}

namespace {

// The command line as UTF-8, split in place into its arguments. Windows holds
// at most 32767 UTF-16 units of it, each at most three bytes here; every
// argument after the first takes at least two units, a character and a blank.
struct CommandLine {
    char text[32767 * 3 + 1];
    const char* values[32767 / 2 + 3];
};
CommandLine commandLine;

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// Ends the argument written up to `into` and returns where the next may
// begin: past the blank that ended this one, if that is where it stopped.
char* endArgument(char* into, char* at) {
    bool more = *at != '\0';
    *into = '\0';
    return more ? at + 1 : at;
}

// The program's own name ends at the next quote when it begins with one,
// else at a blank; a backslash is a character there.
char* takeProgramName(char* at) {
    char* into = at;
    if (*at == '"') {
        for (++at; *at != '\0' && *at != '"'; ++at) {
            *into++ = *at;
        }
        if (*at == '"') {
            *into++ = '\0';
            return at + 1;
        }
    }
    for (; *at != '\0' && !isBlank(*at); ++at) {
        *into++ = *at;
    }
    return endArgument(into, at);
}

// An argument by the usual rules: a blank or a tab ends it outside quotes; a
// quote opens or closes a quoted part and is dropped; backslashes are
// characters but before a quote, where each pair gives one and one left over
// makes the quote a character. What is written is never longer than what
// was read, so it is written where it was read.
char* takeArgument(char* at) {
    char* into = at;
    bool quoted = false;
    while (*at != '\0' && (quoted || !isBlank(*at))) {
        std::size_t slashes = std::strspn(at, "\\");
        bool escapes = at[slashes] == '"';
        std::size_t kept = escapes ? slashes / 2 : slashes;
        std::memset(into, '\\', kept);
        into += kept;
        at += slashes;
        if (escapes && slashes % 2 == 1) {
            *into++ = *at++;
        } else if (escapes) {
            quoted = !quoted;
            ++at;
        } else if (slashes == 0) {
            *into++ = *at++;
        }
    }
    return endArgument(into, at);
}

} // namespace

Arguments arguments(int, char*[]) {
    char* at = commandLine.text;
    if (::WideCharToMultiByte(CP_UTF8, 0, ::GetCommandLineW(), -1, at, sizeof commandLine.text,
                              nullptr, nullptr) == 0) {
        *at = '\0';
    }
    int count = 0;
    commandLine.values[count++] = at;
    at = takeProgramName(at);
    for (;;) {
        at += std::strspn(at, " \t");
        if (*at == '\0') {
            break;
        }
        commandLine.values[count++] = at;
        at = takeArgument(at);
    }
    commandLine.values[count] = nullptr;
    return Arguments{count, commandLine.values};
}

// In UTF-8 every byte but a continuation byte (10xxxxxx) begins a character,
// and one of four bytes (11110xxx) takes two UTF-16 units.
bool nameFits(const char* name) {
    std::size_t units = 0;
    for (const char* at = name; *at != '\0'; ++at) {
        auto byte = static_cast<unsigned char>(*at);
        if ((byte & 0xC0) != 0x80) {
            units += byte >= 0xF0 ? 2 : 1;
        }
    }
    return units <= 259 && std::strlen(name) <= kLongestNameBytes;
}

bool isPathArgument(const char*) {
    return false;
}

bool answersHelpAndVersion() {
    return false;
}

// Nothing to prepare: a new handle never takes the place of a closed standard
// one, and a write that cannot be done fails without a signal.
void startProcess() {}

namespace detail {

const char kConsoleLineEnd[] = "\r\n";

bool consoleIsInteractive() {
    return ::GetFileType(::GetStdHandle(STD_OUTPUT_HANDLE)) == FILE_TYPE_CHAR;
}

std::uint64_t millisecondsNow() {
    return ::GetTickCount64();
}

namespace {

bool writeAll(HANDLE handle, const char* bytes, std::size_t size) {
    DWORD written = 0;
    while (size > 0 && ::WriteFile(handle, bytes, static_cast<DWORD>(size), &written, nullptr) &&
           written > 0) {
        bytes += written;
        size -= written;
    }
    return size == 0;
}

// A console is written its characters, in pieces that end with a whole one;
// anything else takes the UTF-8 bytes.
bool writeText(HANDLE handle, const char* text, std::size_t size) {
    DWORD mode = 0;
    if (!::GetConsoleMode(handle, &mode)) {
        return writeAll(handle, text, size);
    }
    static wchar_t wide[4096];
    while (size > 0) {
        std::size_t piece = std::min(size, std::size(wide));
        while (piece < size && (static_cast<unsigned char>(text[piece]) & 0xC0) == 0x80) {
            --piece; // the next piece begins with a whole character
        }
        int length = ::MultiByteToWideChar(CP_UTF8, 0, text, static_cast<int>(piece), wide,
                                           static_cast<int>(std::size(wide)));
        DWORD written = 0;
        if (length == 0 ||
            !::WriteConsoleW(handle, wide, static_cast<DWORD>(length), &written, nullptr)) {
            return false;
        }
        text += piece;
        size -= piece;
    }
    return true;
}

} // namespace

bool writeStandardOutput(const char* bytes, std::size_t size) {
    return writeAll(::GetStdHandle(STD_OUTPUT_HANDLE), bytes, size);
}

void writeStandardError(const char* bytes, std::size_t size) {
    writeText(::GetStdHandle(STD_ERROR_HANDLE), bytes, size);
}

bool writeMessages(const char* text, std::size_t size) {
    return writeText(::GetStdHandle(STD_OUTPUT_HANDLE), text, size);
}

void endProcess(int status) {
    ::ExitProcess(static_cast<UINT>(status));
}

} // namespace detail
} // namespace platform
