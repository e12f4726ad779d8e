// The operating system as the tool sees it: files by handle, the console and the
// end of the process. One implementation per system (posix.cpp, win32.cpp) is
// chosen by the build; no other part of the tool includes an OS header.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

// Lets the compiler check the arguments of a printf-style function.
#if defined(__GNUC__)
#define PLATFORM_PRINTF_FORMAT(formatIndex, firstArgument)                                         \
    __attribute__((format(printf, formatIndex, firstArgument)))
#else
#define PLATFORM_PRINTF_FORMAT(formatIndex, firstArgument)
#endif

namespace platform {

// An open file. `os` is the system's descriptor or handle; kNoFile means none.
struct File {
    std::intptr_t os;
    // A file on a disk, which has a position to come back to. Devices, pipes
    // and consoles have none: a device such as /dev/zero would be read for
    // ever, a pipe opened for writing and reading is its own reader.
    bool hasPosition;
};
inline constexpr File kNoFile{-1, false};

inline bool isOpen(File file) {
    return file.os != kNoFile.os;
}

// --- Files -------------------------------------------------------------------
// Every open refuses a directory. Named pipes and devices open like files.

// True when `name` opens for reading, shared with every other reader and
// writer and without waiting for a named pipe's writer: false when it is
// absent, unreadable, or held exclusively elsewhere. Nothing stays open.
bool opensForReading(const char* name);

// Opens `name` for reading with exclusive access: while it stays open no other
// exclusive opener, in this run or another, gets the file. kNoFile on failure.
File openExclusive(const char* name);

// Opens `name` for reading beside other such readers but no writer that
// holds it exclusively, in this run or another. Waits for a named pipe's
// writer, as any reader of a pipe does. kNoFile on failure.
File openShared(const char* name);

// True when `name` names an existing file that is not on a disk: a pipe, a
// named pipe, a terminal or a device such as the null device. Opens nothing
// that could wait.
bool namesStream(const char* name);

// Opens the stream `name` for writing as it stands: nothing emptied, nothing
// held. Waits for a named pipe's reader. kNoFile on failure, and for a file
// on a disk.
File openStream(const char* name);

// Opens `name` for reading and writing with exclusive access, creating it
// with ordinary permissions when absent. An existing file is emptied, but
// only after every check has passed: it must not be `input`, whatever name
// reaches it, and no other holder may have it.
File createExclusive(const char* name, File input);

// Reads up to `size` bytes at the current position. Returns the number read,
// 0 at the end of the file, or -1 when the system reports an error. A read
// that a signal interrupts is made again.
long readFile(File file, void* into, std::size_t size);

// Writes `size` bytes with a single system write. Returns the number written,
// which may be fewer than asked (a full disk, a size limit), or -1 on an
// error. A write that a signal interrupts before any byte is made again.
long writeFile(File file, const void* bytes, std::size_t size);

// Moves the file position to `offset` from the start. Only a file on a disk
// has a position: false for a pipe, a terminal or a device such as /dev/zero.
bool seekTo(File file, long offset);

// Closes the file and lets go of its exclusive access. The result is ignored.
void closeFile(File file);

// --- Command line --------------------------------------------------------------

// True when an argument that begins with '/' is a path rather than an option:
// on POSIX, an absolute path holding a second '/'; never on Windows.
bool isPathArgument(const char* argument);

// True where the arguments `--help` and `--version` ask for the usage and the
// banner, as users of POSIX tools expect; on Windows they are file names and
// /? is the way to ask.
bool answersHelpAndVersion();

// --- Console and process -------------------------------------------------------

// The first thing the process does. Standard input, output and error are made
// open (a closed one gets the null device, so that no file of the run takes
// its place), and a write that reaches a gone reader or a file size limit
// fails instead of ending the process.
void startProcess();

// printf-style formatting to standard output. Output is buffered and reaches
// standard output when the buffer fills and when the process ends; on an
// interactive console also with every message that ends in a line feed, and
// with any other once text has waited a few tens of milliseconds. Into a file
// or a pipe the bytes are the same however they are grouped; an interactive
// console is sent, of the progress text since the last send (messages that
// end in a CR and hold no LF), only the line that the screen would show after
// it all, and its CR. Failures are ignored.
void print(const char* format, std::va_list arguments);

// Prints `text` as print() prints a message that needs no formatting.
void printText(const char* text);

// Sends everything printed so far to standard output: before a write to a
// stream that may be standard output itself.
void flushPrinted();

// Sends everything printed so far to standard output, then ends the process.
[[noreturn]] void exitProcess(int status);

} // namespace platform
