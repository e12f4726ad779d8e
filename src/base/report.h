// How every part of both programs speaks and stops: messages to standard
// output, and failures that end the run where they are found, each with the
// message of the layer that finds it. The program that runs supplies its own
// name, banner and usage, so the modules below it report without knowing
// which program they serve. /Q silences every message here, in one place.
// /B (brief, for build logs) drops the console's messages and writes instead,
// to standard error, one line for each warning and each failure, in the form
// compilers use: "NAME:LINE: warning: TEXT", "NAME: error: TEXT".
// Exit statuses: 0 after a complete run, 1 after the usage message, 2 after
// a failure message.
#pragma once

#include "platform/platform.h"

#include <cstdint>

namespace base {

enum ExitStatus : int { kExitSuccess = 0, kExitUsage = 1, kExitFailure = 2 };

// What a program says of itself: its name, which every message that names
// the program gets, the banner's notice, and the usage after "Usage:  NAME".
struct ProgramTexts {
    const char* name;
    const char* notice;
    const char* usage;
};

// The program that every message speaks for; set before anything is printed.
void setProgramTexts(const ProgramTexts& program);

// Silences every message from now on (/Q); one printed before still showed.
void setQuiet();

// From now on the console's messages are dropped and warnings and failures
// go to standard error as brief lines (/B); /Q still silences them.
void setBrief();

// The file that brief lines name, as the command line gave it; until one is
// set, the program's name.
void setSubject(const char* name);

// Formatted printing to standard output, unless quiet or brief.
void printMessage(const char* format, ...) PLATFORM_PRINTF_FORMAT(1, 2);

// Formatted printing to standard output of what the run was asked to show
// (a listing, the usage), unless quiet: /B keeps it.
void printAnswer(const char* format, ...) PLATFORM_PRINTF_FORMAT(1, 2);

// Prints a progress line, `label` and `number`, unless quiet or brief.
void printProgress(const char* label, std::uint32_t number);

// Prints the banner (an empty line, name and version, the notice) unless
// quiet or brief.
void showBanner();

// Prints the usage message unless quiet, then ends the run with status 1.
[[noreturn]] void showUsage();

// Answer --help and --version: print the usage message or the banner, then
// end the run with status 0. They come before any option is read, so /Q
// cannot silence what was asked for.
[[noreturn]] void answerHelp();
[[noreturn]] void answerVersion();

// A warning: the console's text, whose %u is the line where one applies, and
// the brief line's text. Line 0 is a warning about the whole file.
struct Warning {
    const char* console;
    const char* brief;
};
void warn(const Warning& warning, std::uint32_t line);

// What a brief failure line tells beyond the message: the line of the file
// where the failure is found (0 for none), and its cause, the system's
// reason or the limit passed (none when null).
struct FailureDetail {
    std::uint32_t line;
    const char* cause;
};

namespace detail {
void reportMessage(const char* message, FailureDetail detail);
[[noreturn]] void failWithMessage(const char* message, FailureDetail detail);
} // namespace detail

// Prints "NAME failed:  " and the failure's message unless quiet, or its
// brief line; the run goes on: one file of several failed. `failure` is an
// enumerator of the layer that checks it, which keeps each one's message
// beside it in messageOf(): a failure without one does not build.
template <typename Failure>
void reportFailure(Failure failure, FailureDetail detail = {0, nullptr}) {
    detail::reportMessage(messageOf(failure), detail);
}

// Reports the failure, then ends the run with status 2. An output that was
// being written is removed (see platform::exitProcess).
template <typename Failure>
[[noreturn]] void fail(Failure failure, FailureDetail detail = {0, nullptr}) {
    detail::failWithMessage(messageOf(failure), detail);
}

} // namespace base
