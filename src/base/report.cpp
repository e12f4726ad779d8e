#include "base/report.h"

#include <cstdarg>
#include <cstdio>

namespace base {
namespace {

// The program this run speaks for, what its brief lines name, and whether /Q
// or /B changed how it speaks. Each message reads them as it is printed.
struct Reporting {
    const ProgramTexts* program;
    const char* subject;
    bool quiet;
    bool brief;
};
Reporting reporting{nullptr, nullptr, false, false};

void printUnless(bool silenced, const char* format, std::va_list arguments) {
    if (!silenced) {
        platform::print(format, arguments);
    }
}

// The usage answers a malformed command line under /B too: it is what the
// person who typed it needs.
void printUsage() {
    printAnswer("\nUsage:  %s %s", reporting.program->name, reporting.program->usage);
}

// One brief line to standard error: the subject, its line if any, the kind
// and the text, and the cause after a colon. A name of many bytes and the
// longest text fit.
void printBrief(std::uint32_t line, const char* kind, const char* text, const char* cause) {
    static char brief[4096];
    char where[sizeof ":4294967295"] = "";
    if (line != 0) {
        std::snprintf(where, sizeof where, ":%u", static_cast<unsigned>(line));
    }
    const char* subject =
        reporting.subject != nullptr ? reporting.subject : reporting.program->name;
    std::snprintf(brief, sizeof brief, "%s%s: %s: %s%s%s\n", subject, where, kind, text,
                  cause != nullptr ? ": " : "", cause != nullptr ? cause : "");
    platform::printError(brief);
}

} // namespace

void setProgramTexts(const ProgramTexts& program) {
    reporting.program = &program;
}

void setQuiet() {
    reporting.quiet = true;
}

void setBrief() {
    reporting.brief = true;
}

void setSubject(const char* name) {
    reporting.subject = name;
}

void printMessage(const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    printUnless(reporting.quiet || reporting.brief, format, arguments);
    va_end(arguments);
}

void printAnswer(const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    printUnless(reporting.quiet, format, arguments);
    va_end(arguments);
}

void printProgress(const char* label, std::uint32_t number) {
    if (!reporting.quiet && !reporting.brief) {
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

void warn(const Warning& warning, std::uint32_t line) {
    if (reporting.brief && !reporting.quiet) {
        printBrief(line, "warning", warning.brief, nullptr);
    } else {
        printMessage(warning.console, static_cast<unsigned>(line));
    }
}

void detail::reportMessage(const char* message, FailureDetail detail) {
    if (reporting.brief && !reporting.quiet) {
        printBrief(detail.line, "error", message, detail.cause);
    } else {
        printMessage("\n%s failed:  %s\n", reporting.program->name, message);
    }
}

void detail::failWithMessage(const char* message, FailureDetail detail) {
    reportMessage(message, detail);
    platform::exitProcess(kExitFailure);
}

} // namespace base
