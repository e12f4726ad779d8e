// Private to the platform layer: the few services that console.cpp needs from
// the one system file (posix.cpp or win32.cpp) that the build chose.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform::detail {

// What a line feed of a message becomes on this system's standard output.
extern const char kConsoleLineEnd[];

// True when standard output is an interactive console, where messages
// should show soon; false for files and pipes, where it may wait.
bool consoleIsInteractive();

// Milliseconds since some fixed moment, never going back when the wall clock
// is set: how long console text has waited to be shown.
std::uint64_t millisecondsNow();

// Writes all of `bytes` to standard output; false when a failure drops the rest.
bool writeStandardOutput(const char* bytes, std::size_t size);

// Writes all of the UTF-8 `bytes` to standard error, a console its
// characters; a failure drops the rest.
void writeStandardError(const char* bytes, std::size_t size);

#if defined(_WIN32)
// Writes the UTF-8 text of messages to standard output: a console is given
// its characters, a file or a pipe the bytes as they are.
bool writeMessages(const char* text, std::size_t size);
#else
// Messages are bytes like any other.
inline bool writeMessages(const char* text, std::size_t size) {
    return writeStandardOutput(text, size);
}
#endif

// `number` in decimal at `into`, which has room for its digits (ten at most);
// returns how many it took.
std::size_t putDecimal(char* into, std::uint32_t number);

// Names the unfinished output, in `into` of kUnfinishedNameRoom bytes more
// than `folderLength`: the first `folderLength` bytes of `target`, then
// squeezle-NUMBER.unfinished, NUMBER being drawn at random. Built by hand, so that a run calls no
// formatting code of the C library when it prints nothing.
inline constexpr std::size_t kUnfinishedNameRoom = sizeof "squeezle-4294967295.unfinished";
void nameUnfinished(char* into, const char* target, std::size_t folderLength, std::uint32_t number);

// Ends the process at once with `status`; standard output is already flushed.
[[noreturn]] void endProcess(int status);

} // namespace platform::detail
