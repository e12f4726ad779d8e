// Every line the tool prints and the three ways its process ends: status 0
// after a complete run, 1 after the usage message, 2 after a failure message.
// All of it goes to standard output; nothing goes to standard error.
#pragma once

#include "platform/platform.h"

namespace app {

// The tool's name, passed to every message that names the tool. The banner
// adds SQUEEZLE_VERSION, which the build takes from the project's version.
inline constexpr const char* kToolName = "SQUEEZLE";

enum ExitStatus : int { kExitSuccess = 0, kExitUsage = 1, kExitFailure = 2 };

// What the command line asked for; all off until an option turns it on.
struct RunOptions {
    bool removeComments; // /K: drop comment lines and lines empty after trimming
    bool overwrite;      // /O: an existing output file may be replaced
    bool quiet;          // /Q: silence every message, usage and failures included
};

// The options of this run. Each message reads `quiet` at the moment it is
// printed, so a message printed before /Q is parsed is not silenced.
extern RunOptions runOptions;

// The failures that end a run. The numbers never appear in output.
enum class Failure : int {
    SameName = 1,
    OutputExists = 2,
    OpenInput = 3,
    OpenOutput = 4,
    SeekInput = 5,
    ReadInput = 6,
    WriteOutput = 7,
    SeekOutput = 8,
    TooLarge = 9,
    AlreadyCompressed = 10,
    NameTooLong = 11,
};

// The text printed for `failure`; "Unknown error" for any code not listed.
const char* failureMessage(Failure failure);

// Formatted printing to standard output. Callers test `quiet` themselves.
void printMessage(const char* format, ...) PLATFORM_PRINTF_FORMAT(1, 2);

// Prints the banner (an empty line, name and version, a notice) unless quiet.
void showBanner();

// Prints the usage message unless quiet, then ends the run with status 1.
[[noreturn]] void showUsage();

// Prints the failure message for `failure` unless quiet, then ends the run
// with status 2. Open files are left to the system; nothing is removed.
[[noreturn]] void fail(Failure failure);

} // namespace app
