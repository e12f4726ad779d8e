#include "base/report.h"

#include <cstdarg>

namespace base {
namespace {

// The program this run speaks for, and whether /Q has silenced it. Each
// message reads `quiet` as it is printed.
struct Reporting {
    const ProgramTexts* program;
    bool quiet;
};
Reporting reporting{nullptr, false};

void printUsage() {
    printMessage("\nUsage:  %s %s", reporting.program->name, reporting.program->usage);
}

} // namespace

void setProgramTexts(const ProgramTexts& program) {
    reporting.program = &program;
}

void setQuiet() {
    reporting.quiet = true;
}

void printMessage(const char* format, ...) {
    if (reporting.quiet) {
        return;
    }
    std::va_list arguments;
    va_start(arguments, format);
    platform::print(format, arguments);
    va_end(arguments);
}

void printProgress(const char* label, std::uint32_t number) {
    if (!reporting.quiet) {
        platform::printProgress(label, number);
    }
}

void showBanner() {
    printMessage("\n%s " SQUEEZLE_VERSION "\n%s\n", reporting.program->name,
                 reporting.program->notice);
}

void showUsage() {
    printUsage();
    platform::exitProcess(kExitUsage);
}

void answerHelp() {
    printUsage();
    platform::exitProcess(kExitSuccess);
}

void answerVersion() {
    showBanner();
    platform::exitProcess(kExitSuccess);
}

void fail(const char* message) {
    printMessage("\n%s failed:  %s\n", reporting.program->name, message);
    platform::exitProcess(kExitFailure);
}

} // namespace base
