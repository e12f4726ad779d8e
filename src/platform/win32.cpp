// Windows: the sharing modes of CreateFileA give exclusive access, so the
// input named again as the output, under any name, meets a sharing violation.
#include "platform/platform.h"

#include "platform/system.h"

#include <windows.h>

#include <cstring>
#include <utility>

// The runtime splits the command line by the usual rules and must expand no
// wildcards: `squeezle *.bat` names a file called *.bat.
extern "C" {
int _dowildcard = 0;
}

namespace platform {
namespace {

HANDLE handleOf(File file) {
    return reinterpret_cast<HANDLE>(file.os);
}

// Pipes and consoles have no position: moving it must fail, not be ignored.
File fileOf(HANDLE handle) {
    return handle == INVALID_HANDLE_VALUE ? kNoFile
                                          : File{reinterpret_cast<std::intptr_t>(handle),
                                                 ::GetFileType(handle) == FILE_TYPE_DISK};
}

// Without FILE_FLAG_BACKUP_SEMANTICS a directory never opens.
File open(const char* name, DWORD access, DWORD sharing, DWORD disposition) {
    return fileOf(
        ::CreateFileA(name, access, sharing, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// The output being written: its name, and the unfinished file in its folder
// until it takes that name. `named` is set while the unfinished file exists;
// the console's handler, on a thread of its own, takes it.
struct Unfinished {
    char path[MAX_PATH + detail::kUnfinishedNameRoom];
    char target[MAX_PATH];
    HANDLE handle;
    volatile LONG named;
};
Unfinished unfinished{{}, {}, INVALID_HANDLE_VALUE, 0};

// squeezle-PID.unfinished in the output's folder. One of that name can only
// be left from a killed run whose process number this run now has: it goes.
// Opened to be deleted while open, so that Ctrl-C can remove it.
bool createUnfinished(const char* name) {
    if (std::strlen(name) >= sizeof unfinished.target) {
        return false;
    }
    std::strcpy(unfinished.target, name);
    const char* end = name;
    for (const char* at = name; *at != '\0'; ++at) {
        if (*at == '\\' || *at == '/' || *at == ':') {
            end = at + 1;
        }
    }
    detail::nameUnfinished(unfinished.path, name, static_cast<std::size_t>(end - name),
                           static_cast<std::uint32_t>(::GetCurrentProcessId()));
    ::DeleteFileA(unfinished.path);
    unfinished.handle = ::CreateFileA(unfinished.path, GENERIC_WRITE, FILE_SHARE_DELETE, nullptr,
                                      CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    unfinished.named = unfinished.handle != INVALID_HANDLE_VALUE ? 1 : 0;
    return unfinished.named != 0;
}

// Ctrl-C, Ctrl-Break, closing the console: the process ends as it would
// have, once the unfinished file is gone.
BOOL WINAPI removeUnfinished(DWORD) {
    if (::InterlockedExchange(&unfinished.named, 0) != 0) {
        ::DeleteFileA(unfinished.path);
    }
    return FALSE;
}

// MoveFileExW takes the names in the code page that CreateFileA reads them in.
bool wideName(const char* name, wchar_t (&wide)[MAX_PATH + 64]) {
    UINT codePage = ::AreFileApisANSI() ? CP_ACP : CP_OEMCP;
    return ::MultiByteToWideChar(codePage, 0, name, -1, wide, MAX_PATH + 64) > 0;
}

// Without replacing, a file that appeared under the name meanwhile is kept.
Commit putInPlace(bool replace) {
    static wchar_t from[MAX_PATH + 64];
    static wchar_t to[MAX_PATH + 64];
    if (wideName(unfinished.path, from) && wideName(unfinished.target, to) &&
        ::MoveFileExW(from, to, replace ? MOVEFILE_REPLACE_EXISTING : 0)) {
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
    DWORD attributes = ::GetFileAttributesA(name);
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        File existing = open(name, GENERIC_WRITE, 0, OPEN_EXISTING);
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
        ::DeleteFileA(unfinished.path);
    }
}

long readFile(File file, void* into, std::size_t size) {
    DWORD got = 0;
    if (!::ReadFile(handleOf(file), into, static_cast<DWORD>(size), &got, nullptr)) {
        // A pipe whose writer has gone is at its end, not in error.
        return ::GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;
    }
    return static_cast<long>(got);
}

long writeFile(File file, const void* bytes, std::size_t size) {
    DWORD written = 0;
    if (!::WriteFile(handleOf(file), bytes, static_cast<DWORD>(size), &written, nullptr)) {
        return -1;
    }
    return static_cast<long>(written);
}

void closeFile(File file) {
    ::CloseHandle(handleOf(file));
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

bool writeStandardOutput(const char* bytes, std::size_t size) {
    HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD written = 0;
    while (size > 0 && ::WriteFile(output, bytes, static_cast<DWORD>(size), &written, nullptr) &&
           written > 0) {
        bytes += written;
        size -= written;
    }
    return size == 0;
}

void endProcess(int status) {
    ::ExitProcess(static_cast<UINT>(status));
}

} // namespace detail
} // namespace platform
