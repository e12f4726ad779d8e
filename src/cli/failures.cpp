#include "cli/failures.h"

#include "base/report.h"

namespace cli {
namespace {

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

} // namespace

void fail(Failure failure) {
    base::fail(messageOf(failure));
}

} // namespace cli
