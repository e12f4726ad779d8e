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

// Prints the failure's message, unless quiet, and ends the run with status 2.
[[noreturn]] void fail(Failure failure);

} // namespace cli
