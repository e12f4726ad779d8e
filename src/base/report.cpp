#include "base/report.h"

#include <algorithm>
#include <cstdarg>

namespace base {

Speaker speaker{nullptr, false};

namespace {

const char* textIn(const FailureTexts& list, Failure failure) {
    const FailureText* end = list.texts + list.count;
    const FailureText* found = std::find_if(
        list.texts, end, [failure](const FailureText& entry) { return entry.failure == failure; });
    return found != end ? found->text : nullptr;
}

void printBanner() {
    printMessage("\n%s " SQUEEZLE_VERSION "\n%s\n", speaker.voice->toolName, speaker.voice->notice);
}

void printUsage() {
    printMessage("\nUsage:  %s %s", speaker.voice->toolName, speaker.voice->usage);
}

} // namespace

const char* failureMessage(Failure failure) {
    const char* text = textIn(speaker.voice->own, failure);
    text = text != nullptr ? text : textIn(speaker.voice->shared, failure);
    return text != nullptr ? text : "Unknown error";
}

void printMessage(const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    platform::print(format, arguments);
    va_end(arguments);
}

void showBanner() {
    if (!speaker.quiet) {
        printBanner();
    }
}

void showUsage() {
    if (!speaker.quiet) {
        printUsage();
    }
    platform::exitProcess(kExitUsage);
}

void answerHelp() {
    printUsage();
    platform::exitProcess(kExitSuccess);
}

void answerVersion() {
    printBanner();
    platform::exitProcess(kExitSuccess);
}

void fail(Failure failure) {
    if (!speaker.quiet) {
        printMessage("\n%s failed:  %s\n", speaker.voice->toolName, failureMessage(failure));
    }
    platform::exitProcess(kExitFailure);
}

} // namespace base
