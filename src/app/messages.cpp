#include "app/messages.h"

#include <cstdarg>
#include <iterator>

namespace app {

RunOptions runOptions{false, false, false};

namespace {

// The message of each failure, at the index of its code.
constexpr const char* kFailureMessages[] = {
    nullptr,
    "Input and output files must have different names",
    "Cannot overwrite existing output file",
    "Cannot open input file",
    "Cannot open output file",
    "Seek error on input file",
    "Error reading input file",
    "Error writing output file",
    "Seek error on output file",
    "File too large to compress",
    "Input file is already compressed",
    "File name too long",
};
static_assert(std::size(kFailureMessages) == static_cast<std::size_t>(Failure::NameTooLong) + 1,
              "every failure code has its message");

} // namespace

const char* failureMessage(Failure failure) {
    auto code = static_cast<std::size_t>(failure); // a negative code wraps past the end
    return code > 0 && code < std::size(kFailureMessages) ? kFailureMessages[code]
                                                          : "Unknown error";
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
