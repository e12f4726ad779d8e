#include "cli/files.h"

#include "base/ascii.h"
#include "base/report.h"

namespace cli {

namespace {

// A pipe, a named pipe or a device takes the bytes as they come, once it
// has a reader; nothing is written to it before then. It gets them after the
// messages printed so far: it may be the console.
void writeStream(const char* name, const void* bytes, std::size_t size) {
    platform::flushPrinted();
    platform::File stream = platform::openStream(name);
    if (!platform::isOpen(stream)) {
        fail(Failure::OpenOutput);
    }
    bool written = platform::writeFile(stream, bytes, size) == static_cast<long>(size);
    platform::closeFile(stream);
    if (!written) {
        fail(Failure::WriteOutput);
    }
}

// Whether the output can take the file, made ready for it: never the input,
// under any name.
bool readyForFile(const Output& output, platform::File input) {
    if (output.standardOutput) {
        return !output.closed && !platform::isStandardOutput(input);
    }
    if (output.stream) {
        return !platform::namesFile(output.name, input);
    }
    return platform::prepareOutput(output.name, input, output.replace);
}

} // namespace

Output outputOf(const char* name, bool replace) {
    platform::OutputKind kind = platform::outputKind(name);
    return Output{name, replace, kind.stream, kind.standardOutput, kind.terminal, kind.closed};
}

// `-` in and `-` out are two streams, not one name.
void refuseOutputName(const char* inputName, const Output& output) {
    bool standardStreams = platform::namesStandardInput(inputName) && output.standardOutput;
    if (!standardStreams && base::equalIgnoringCase(inputName, output.name)) {
        fail(Failure::SameName);
    }
    if (!output.replace && !output.stream &&
        (platform::opensForReading(output.name) || platform::isDanglingLink(output.name))) {
        fail(Failure::OutputExists);
    }
}

platform::File tryOpenInput(const char* name, bool exclusive) {
    platform::forgetFailureCause();
    platform::File input = platform::namesStandardInput(name) ? platform::openStandardInput()
                           : exclusive                        ? platform::openExclusive(name)
                                                              : platform::openShared(name);
    if (!platform::isOpen(input)) {
        report(Failure::OpenInput);
    }
    return input;
}

platform::File openInput(const char* name, bool exclusive) {
    platform::File input = tryOpenInput(name, exclusive);
    if (!platform::isOpen(input)) {
        platform::exitProcess(base::kExitFailure);
    }
    return input;
}

std::size_t readSome(void* file, char* into, std::size_t size) {
    long got = platform::readFile(*static_cast<platform::File*>(file), into, size);
    if (got < 0) {
        fail(Failure::ReadInput);
    }
    return static_cast<std::size_t>(got);
}

void prepareOutput(const Output& output, platform::File input) {
    platform::forgetFailureCause();
    if (!readyForFile(output, input)) {
        fail(Failure::OpenOutput);
    }
}

void writeOutput(const Output& output, const void* bytes, std::size_t size) {
    platform::forgetFailureCause();
    if (output.standardOutput) {
        if (!platform::writeStandardOutput(bytes, size)) {
            fail(Failure::WriteOutput);
        }
    } else if (output.stream) {
        writeStream(output.name, bytes, size);
    } else {
        platform::Commit commit = platform::commitOutput(bytes, size, output.replace);
        if (commit != platform::Commit::Done) {
            fail(commit == platform::Commit::Appeared ? Failure::OutputExists
                                                      : Failure::WriteOutput);
        }
    }
}

} // namespace cli
