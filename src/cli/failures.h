// What the command line and the files can have wrong with them, in both
// programs, beside each failure's message in failures.cpp.
#pragma once

namespace cli {

enum class Failure {
    SameName,     // the two names are equal, ignoring ASCII case
    OutputExists, // without /O
    OpenInput,
    OpenOutput,
    ReadInput,
    WriteOutput,
    NameTooLong, // given or derived, more than 259 bytes
};

// The failure's message; the run's console and brief lines say it.
const char* messageOf(Failure failure);

// Prints the failure's message, unless quiet, and ends the run with status 2.
// A brief line adds the system's reason for a failed open, read or write.
[[noreturn]] void fail(Failure failure);

// Prints the failure as fail() does; the run goes on with its next file.
void report(Failure failure);

} // namespace cli
