// How every part of both programs speaks and stops: messages to standard
// output, and failures that end the run where they are found, each with the
// message of the layer that finds it. The program
// that runs supplies its own name, banner and usage, so the modules below it
// report without knowing which program they serve. /Q silences every message
// here, in one place.
// Exit statuses: 0 after a complete run, 1 after the usage message, 2 after
// a failure message. Nothing goes to standard error.
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

// Formatted printing to standard output, unless quiet.
void printMessage(const char* format, ...) PLATFORM_PRINTF_FORMAT(1, 2);

// Prints a progress line, `label` and `number`, unless quiet.
void printProgress(const char* label, std::uint32_t number);

// Prints the banner (an empty line, name and version, the notice) unless quiet.
void showBanner();

// Prints the usage message unless quiet, then ends the run with status 1.
[[noreturn]] void showUsage();

// Answer --help and --version: print the usage message or the banner, then
// end the run with status 0. They come before any option is read, so /Q
// cannot silence what was asked for.
[[noreturn]] void answerHelp();
[[noreturn]] void answerVersion();

// Prints "NAME failed:  " and `message` unless quiet, then ends the run with
// status 2. Each layer names its own failures and their messages; an output
// that was being written is removed (see platform::exitProcess).
[[noreturn]] void fail(const char* message);

} // namespace base
