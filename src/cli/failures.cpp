#include "cli/failures.h"

#include "base/report.h"

namespace cli {

// No default: a failure added without its message does not build.
const char* messageOf(Failure failure) {
    switch (failure) {
    case Failure::SameName:
        return "Input and output files must have different names";
    case Failure::OutputExists:
        return "Cannot overwrite existing output file";
    case Failure::OpenInput:
        return "Cannot open input file";
    case Failure::OpenOutput:
        return "Cannot open output file";
    case Failure::ReadInput:
        return "Error reading input file";
    case Failure::WriteOutput:
        return "Error writing output file";
    case Failure::NameTooLong:
        return "File name too long";
    }
    return "Unknown error";
}

namespace {

// The run's own rules (names equal, an output kept) have no cause but
// themselves; the files' failures have the system's, where it gave one.
base::FailureDetail detailOf(Failure failure) {
    bool rule = failure == Failure::SameName || failure == Failure::OutputExists ||
                failure == Failure::NameTooLong;
    return {0, rule ? nullptr : platform::failureCause()};
}

} // namespace

void fail(Failure failure) {
    base::fail(failure, detailOf(failure));
}

void report(Failure failure) {
    base::reportFailure(failure, detailOf(failure));
}

} // namespace cli
