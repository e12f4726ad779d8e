#include "cli/command_line.h"

#include "base/ascii.h"
#include "base/report.h"
#include "cli/failures.h"
#include "platform/platform.h"

#include <algorithm>
#include <cstring>

namespace cli {
namespace {

bool isOption(const char* argument) {
    return argument[0] == '/' && !platform::isPathArgument(argument);
}

// Only the letter after the '/' counts: /Quiet is /Q, /Kx is /K. /Q
// silences what follows at once, the usage message of a later bad option too,
// and /B makes what follows brief.
void applyOption(const char* argument, const Option* options, std::size_t count) {
    char letter = base::toUpperAscii(argument[1]);
    const Option* end = options + count;
    const Option* option = std::find_if(
        options, end, [letter](const Option& known) { return known.letter == letter; });
    if (option == end) {
        base::showUsage();
    }
    *option->flag = true;
    if (letter == 'Q') {
        base::setQuiet();
    }
    if (letter == 'B') {
        base::setBrief();
    }
}

std::size_t lengthOfName(const char* argument) {
    if (!platform::nameFits(argument)) {
        fail(Failure::NameTooLong);
    }
    return std::strlen(argument);
}

void copyName(const char* argument, char (&name)[kNameCapacity]) {
    std::size_t length = lengthOfName(argument);
    std::memcpy(name, argument, length);
    name[length] = '\0';
}

// Where `--help` and `--version` are requests, the first of them is answered
// wherever it stands, before any other argument counts: an unknown option
// or /Q cannot stop it. A file of that name is reached as ./--help.
void answerRequest(int argc, const char* const argv[]) {
    for (int i = 1; i < argc && platform::answersHelpAndVersion(); ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            base::answerHelp();
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            base::answerVersion();
        }
    }
}

// An empty argument copies nothing, so its slot stays free for the next name.
void takeFileName(const char* argument, FileNames& names, bool manyNames) {
    if (names.input[0] == '\0') {
        copyName(argument, names.input);
    } else if (names.output[0] == '\0') {
        copyName(argument, names.output);
    } else if (manyNames) {
        lengthOfName(argument);
        ++names.more;
    } else {
        base::showUsage();
    }
}

} // namespace

bool deriveOutputName(const char* input, const char* extension, char (&output)[kNameCapacity]) {
    if (platform::namesStandardInput(input)) { // a stream in, a stream out
        std::strcpy(output, "-");
        return true;
    }
    const char* lastDot = std::strrchr(input, '.');
    std::size_t stemLength =
        lastDot != nullptr ? static_cast<std::size_t>(lastDot - input) : std::strlen(input);
    std::size_t extensionLength = std::strlen(extension);
    char derived[kNameCapacity];
    if (stemLength + extensionLength >= kNameCapacity) {
        return false;
    }
    std::memcpy(derived, input, stemLength);
    std::memcpy(derived + stemLength, extension, extensionLength);
    derived[stemLength + extensionLength] = '\0';
    if (!platform::nameFits(derived)) {
        return false;
    }
    std::memcpy(output, derived, sizeof derived);
    return true;
}

bool isFileName(const char* argument) {
    return !isOption(argument) && argument[0] != '\0';
}

void parseCommandLine(int argc, const char* const argv[], const Option* options, std::size_t count,
                      FileNames& names, bool manyNames) {
    answerRequest(argc, argv);
    // "/?" needs no test of its own: '?' is no program's option letter.
    if (argc < 2) {
        base::showUsage();
    }
    for (int i = 1; i < argc; ++i) {
        if (isOption(argv[i])) {
            applyOption(argv[i], options, count);
        } else {
            takeFileName(argv[i], names, manyNames);
        }
    }
    if (names.input[0] == '\0') {
        base::showUsage();
    }
}

} // namespace cli
