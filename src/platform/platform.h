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
    // A file on a disk. Devices, pipes and consoles are streams: what goes
    // into them is gone at once, and they hold no file to replace.
    bool onDisk{};
};
inline constexpr File kNoFile{-1};

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
// exclusive opener, in this run or another, gets the file. Waits for a named
// pipe's writer, as any reader of a pipe does. kNoFile on failure.
File openExclusive(const char* name);

// Opens `name` for reading beside other such readers but no writer that
// holds it exclusively, in this run or another. Waits for a named pipe's
// writer. kNoFile on failure.
File openShared(const char* name);

// True when `name` is standard input as an input: `-`, and on POSIX also
// /dev/stdin, /dev/fd/0 and /proc/self/fd/0, read through the descriptor.
bool namesStandardInput(const char* name);

// Standard input as it stands, not held: its offset is shared with whoever
// gave it, and a folder fails at its first read. kNoFile when it was closed
// (on Windows, missing) when the run started.
File openStandardInput();

// What an output's name names, looked at once. `-`, and on POSIX also
// /dev/stdout, /dev/fd/1 and /proc/self/fd/1, are standard output whatever it
// is, a file on a disk too, written through its descriptor. Any other name
// is a stream when it is an existing file not on a disk (a pipe, a named
// pipe, a terminal, a device such as the null device), on POSIX standard
// output when it is a stream that standard output is; a file on a disk is
// never standard output, whatever names reach it. Opens nothing that could
// wait.
struct OutputKind {
    bool stream;
    bool standardOutput;
    bool terminal; // an interactive terminal (on Windows, a console)
    bool closed;   // standard output, closed (on Windows, missing) at the start
};
OutputKind outputKind(const char* name);

// True when `name` reaches the very file that `file` is, whatever names
// reach either.
bool namesFile(const char* name, File file);

// True when `file` is this program's standard output, whatever names reach
// either.
bool isStandardOutput(File file);

// True when `name` is a symbolic link to nothing: a name that exists, but no
// file behind it. Never on Windows.
bool isDanglingLink(const char* name);

// Opens the stream `name` for writing as it stands: nothing emptied, nothing
// held. Waits for a named pipe's reader. kNoFile on failure, and for a file
// on a disk.
File openStream(const char* name);

// --- An output file written whole ---------------------------------------------
// The output name never shows a partial file: the bytes go to a new file in the
// output's folder, which takes the output's name in one step once it is whole.
// On Linux that file has no name until then; elsewhere, and on a file system
// without unnamed files, it is squeezle-RANDOM.unfinished, readable by its
// owner alone. Until then the name holds what it held before the run.

// Makes ready to write the file that `name` reaches (symbolic links followed):
// holds its folder open, so that the file lands there even if the folder is
// renamed, creates the unfinished file in it and, for an existing file, holds
// that exclusively and notes its permissions. False, with nothing created,
// when a file exists there and `replace` is off, when it is a folder, is
// `input` under any name, cannot be written or is held by another program,
// and when the folder takes no new file. From before the unfinished file
// exists until commitOutput() or the end of the process, an interrupt, a
// termination or a hang-up removes it. A run prepares one output.
bool prepareOutput(const char* name, File input, bool replace);

enum class Commit { Done, WriteFailed, Appeared };

// Writes the `size` bytes into the unfinished file, in one write unless a
// full disk cuts it short, gives it its final permissions (the replaced
// file's, or those of a new file under the umask) and puts it in the output's
// place. Without `replace`, a file that appeared there meanwhile is kept
// (Appeared). Any failure removes the unfinished file and leaves the output
// as it was.
Commit commitOutput(const void* bytes, std::size_t size, bool replace);

// Removes the unfinished file, if there is one: the run failed.
void discardOutput();

// Reads up to `size` bytes at the current position. Returns the number read,
// 0 at the end of the file, or -1 when the system reports an error. A read
// that a signal interrupts is made again.
long readFile(File file, void* into, std::size_t size);

// Writes `size` bytes with a single system write. Returns the number written,
// which may be fewer than asked (a full disk, a size limit), or -1 on an
// error. A write that a signal interrupts before any byte is made again.
long writeFile(File file, const void* bytes, std::size_t size);

// Closes the file and lets go of its exclusive access. The result is ignored.
void closeFile(File file);

// The system's reason for the last open, read or write of a file that failed
// since forgetFailureCause(), in words that are the same on every system
// ("No such file or directory"); null when none is known, as when the run's
// own rule refused the file.
const char* failureCause();
void forgetFailureCause();

// --- Command line --------------------------------------------------------------

// The program's arguments, argv[0] first, each a NUL-ended UTF-8 string on
// Windows; on POSIX the bytes as given.
struct Arguments {
    int count;
    const char* const* values;
};

#if defined(_WIN32)
// Windows counts a name's length in UTF-16 units, up to 259 of them; each
// takes at most three bytes of UTF-8.
inline constexpr std::size_t kLongestNameBytes = 259 * 3;

// The wide command line, split by the usual rules into UTF-8 arguments;
// `argc` and `argv`, the runtime's reading of it in the code page, are
// ignored. Splitting it here allocates nothing.
Arguments arguments(int argc, char* argv[]);
#else
// POSIX counts a name's length in bytes, up to 259.
inline constexpr std::size_t kLongestNameBytes = 259;

inline Arguments arguments(int argc, char* argv[]) {
    return Arguments{argc, argv};
}
#endif

// True when `name` is at most 259 long as this system counts a name: in
// bytes on POSIX, in UTF-16 units of the UTF-8 name on Windows (a letter
// outside the Basic Multilingual Plane, such as an emoji, counts two).
bool nameFits(const char* name);

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
// its place, and is remembered as closed: it names no stream), and a write
// that reaches a gone reader or a file size limit fails instead of ending the
// process.
void startProcess();

// printf-style formatting to standard output. Output is buffered and reaches
// standard output when the buffer fills and when the process ends; on an
// interactive console also with every message that ends in a line feed, and
// with any other once text has waited a few tens of milliseconds. Into a file
// or a pipe the bytes are the same however they are grouped. Failures are
// ignored.
void print(const char* format, std::va_list arguments);

// Progress: `label` and `number`, then a CR, so that the next overwrites it.
// Into a file or a pipe every one is written; an interactive console is sent,
// of the progress since the last send, only the line that the screen would
// show after it all, and its CR, once it has waited a few tens of
// milliseconds or a message follows.
void printProgress(const char* label, std::uint32_t number);

// Writes `text` to standard error at once, each line feed as this system's
// line end, after everything printed so far to standard output.
void printError(const char* text);

// Sends everything printed so far to standard output: before a write to a
// stream that may be standard output itself.
void flushPrinted();

// Writes all of `bytes` to standard output, after everything printed so far,
// waiting while a non-blocking reader lags. False when not all of them went.
bool writeStandardOutput(const void* bytes, std::size_t size);

// Sends everything printed so far to standard output, removes an unfinished
// output (see prepareOutput), then ends the process.
[[noreturn]] void exitProcess(int status);

} // namespace platform
