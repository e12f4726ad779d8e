#include "app/command_line.h"

#include "app/ascii.h"
#include "app/messages.h"
#include "platform/platform.h"

#include <cstring>

namespace app {

FileNames fileNames{};

namespace {

bool isOption(const char* argument) {
    return argument[0] == '/' && !platform::isPathArgument(argument);
}

// Only the letter after the '/' counts: /Quiet is /Q, /Kx is /K.
void applyOption(const char* argument) {
    switch (toUpperAscii(argument[1])) {
    case 'K':
        runOptions.removeComments = true;
        break;
    case 'O':
        runOptions.overwrite = true;
        break;
    case 'Q':
        runOptions.quiet = true;
        break;
    default:
        showUsage();
    }
}

void copyName(const char* argument, char (&name)[kNameCapacity]) {
    std::size_t length = std::strlen(argument);
    if (length >= kNameCapacity) {
        fail(Failure::NameTooLong);
    }
    std::memcpy(name, argument, length + 1);
}

// An empty argument copies nothing, so its slot stays free for the next name.
void takeFileName(const char* argument) {
    if (fileNames.input[0] == '\0') {
        copyName(argument, fileNames.input);
    } else if (fileNames.output[0] == '\0') {
        copyName(argument, fileNames.output);
    } else {
        showUsage();
    }
}

bool isHelpRequest(const char* argument) {
    return argument[0] == '/' && argument[1] == '?' && argument[2] == '\0';
}

} // namespace

void deriveOutputName(const char* input, char (&output)[kNameCapacity]) {
    const char* lastDot = std::strrchr(input, '.');
    std::size_t stemLength = lastDot != nullptr ? static_cast<std::size_t>(lastDot - input)
                                                : std::strlen(input);
    std::size_t extensionLength = std::strlen(kOutputExtension);
    if (stemLength + extensionLength >= kNameCapacity) {
        fail(Failure::NameTooLong);
    }
    std::memcpy(output, input, stemLength);
    std::memcpy(output + stemLength, kOutputExtension, extensionLength + 1);
}

void parseCommandLine(int argc, const char* const argv[]) {
    if (argc < 2 || isHelpRequest(argv[1])) {
        showUsage();
    }
    for (int i = 1; i < argc; ++i) {
        if (isOption(argv[i])) {
            applyOption(argv[i]);
        } else {
            takeFileName(argv[i]);
        }
    }
    if (fileNames.input[0] == '\0') {
        showUsage();
    }
    showBanner();
    if (fileNames.output[0] == '\0') {
        deriveOutputName(fileNames.input, fileNames.output);
    }
}

} // namespace app
