// Windows: the sharing modes of CreateFileA give exclusive access, so the
// input named again as the output, under any name, meets a sharing violation.
#include "platform/platform.h"

#include "platform/system.h"

#include <windows.h>

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

// Opened for writing as openStream() opens it, emptying nothing: CON must be
// asked for writing to be the console's output. Opening never waits here.
bool namesStream(const char* name) {
    File file = open(name, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    if (!isOpen(file)) {
        return false;
    }
    closeFile(file);
    return !file.hasPosition;
}

File openStream(const char* name) {
    File file = open(name, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    if (isOpen(file) && file.hasPosition) { // it became a file since it was looked at
        closeFile(file);
        return kNoFile;
    }
    return file;
}

// The input's own sharing mode refuses the write access asked here, under
// whatever name: it needs no comparing.
File createExclusive(const char* name, File /*input*/) {
    return open(name, GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS);
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

bool seekTo(File file, long offset) {
    if (!file.hasPosition) {
        return false;
    }
    LONG high = 0;
    ::SetLastError(NO_ERROR);
    DWORD low = ::SetFilePointer(handleOf(file), offset, &high, FILE_BEGIN);
    return low != INVALID_SET_FILE_POINTER || ::GetLastError() == NO_ERROR;
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

void writeStandardOutput(const char* bytes, std::size_t size) {
    HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD written = 0;
    while (size > 0 && ::WriteFile(output, bytes, static_cast<DWORD>(size), &written, nullptr) &&
           written > 0) {
        bytes += written;
        size -= written;
    }
}

void endProcess(int status) {
    ::ExitProcess(static_cast<UINT>(status));
}

} // namespace detail
} // namespace platform
