// How every part of both programs speaks and stops: messages to standard
// output, and failures that end the run where they are found. The program
// that runs supplies its own name, banner, usage and failure texts, so the
// modules below it report without knowing which program they serve.
// Exit statuses: 0 after a complete run, 1 after the usage message, 2 after
// a failure message. Nothing goes to standard error.
#pragma once

#include "platform/platform.h"

#include <cstddef>

namespace base {

enum ExitStatus : int { kExitSuccess = 0, kExitUsage = 1, kExitFailure = 2 };

// The failures that end a run, in both programs. The numbers never appear in
// output; each program names the ones it can meet in its Voice.
enum class Failure : int {
    None = 0, // a check that found nothing wrong
    SameName,
    OutputExists,
    OpenInput,
    OpenOutput,
    SeekInput,
    ReadInput,
    WriteOutput,
    SeekOutput,
    TooLarge,
    AlreadyCompressed,
    NameTooLong,
    // What a compressed file can have wrong with it, in the order it is checked.
    ShortFile,
    NotCompressed,
    FileTooLong,
    Unfinished,
    UnknownFlags,
    ReservedSet,
    CountTooLarge,
    TableGap,
    TableRepeats,
    StreamEnds,
    FreePosition,
    NeedlessLiteral,
    LiteralNul,
    TerminatorInText,
    BytesAfterStream,
    PaddingSet,
    TableUnused,
    LiteralBesideFree,
    TableOutOfOrder,
};

struct FailureText {
    Failure failure;
    const char* text;
};

// A list of failure texts.
struct FailureTexts {
    const FailureText* texts;
    std::size_t count;
};

// What one program says: its name (passed to every message that names it),
// the banner's notice, the usage text after "Usage:  NAME", the texts of the
// failures it shares with the other program, and those of its own.
struct Voice {
    const char* toolName;
    const char* notice;
    const char* usage;
    FailureTexts shared;
    FailureTexts own;
};

// The voice of this run, and whether /Q has silenced it. Each message reads
// `quiet` as it is printed, so one printed before /Q is parsed still shows.
struct Speaker {
    const Voice* voice;
    bool quiet;
};
extern Speaker speaker;

// The text of `failure` in this run's voice; "Unknown error" if it has none.
const char* failureMessage(Failure failure);

// Formatted printing to standard output. Callers test `speaker.quiet`.
void printMessage(const char* format, ...) PLATFORM_PRINTF_FORMAT(1, 2);

// Prints the banner (an empty line, name and version, the notice) unless quiet.
void showBanner();

// Prints the usage message unless quiet, then ends the run with status 1.
[[noreturn]] void showUsage();

// Answer --help and --version: print the usage message or the banner, even
// under /Q (they are what was asked for), then end the run with status 0.
[[noreturn]] void answerHelp();
[[noreturn]] void answerVersion();

// Prints the failure message for `failure` unless quiet, then ends the run
// with status 2. Open files are left to the system; nothing is removed.
[[noreturn]] void fail(Failure failure);

} // namespace base
