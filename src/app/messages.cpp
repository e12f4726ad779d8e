#include "app/messages.h"

#include <cstdarg>

namespace app {

RunOptions runOptions{false, false, false};

const char* failureMessage(Failure failure) {
    switch (failure) {
    case Failure::SameName:
        return "Input and output files must have different names";
    case Failure::OutputExists:
        return "Cannot overwrite existing output file";
    case Failure::OpenInput:
        return "Cannot open input file";
    case Failure::OpenOutput:
        return "Cannot open output file";
    case Failure::SeekInput:
        return "Seek error on input file";
    case Failure::ReadInput:
        return "Error reading input file";
    case Failure::WriteOutput:
        return "Error writing output file";
    case Failure::SeekOutput:
        return "Seek error on output file";
    case Failure::TooLarge:
        return "File too large to compress";
    case Failure::AlreadyCompressed:
        return "Input file is already compressed";
    case Failure::NameTooLong:
        return "File name too long";
    }
    return "Unknown error";
}

void printMessage(const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    platform::print(format, arguments);
    va_end(arguments);
}

void showBanner() {
    if (!runOptions.quiet) {
        printMessage("\n%s " SQUEEZLE_VERSION "\n", kToolName);
        printMessage("Batch file compressor. Free software, without warranty.\n");
    }
}

void showUsage() {
    if (!runOptions.quiet) {
        printMessage("\nUsage:  %s [/K /O /Q] input_file [output_file]\n"
                     "    /K remove comments\n"
                     "    /O overwrite file\n"
                     "    /Q quiet\n",
                     kToolName);
    }
    platform::exitProcess(kExitUsage);
}

void fail(Failure failure) {
    if (!runOptions.quiet) {
        printMessage("\n%s failed:  %s\n", kToolName, failureMessage(failure));
    }
    platform::exitProcess(kExitFailure);
}

} // namespace app
