#include "cli/files.h"

#include "base/ascii.h"

namespace cli {

void refuseOutputName(const char* inputName, const char* outputName, bool overwrite) {
    if (base::equalIgnoringCase(inputName, outputName)) {
        base::fail(base::Failure::SameName);
    }
    if (!overwrite && platform::opensForReading(outputName)) {
        base::fail(base::Failure::OutputExists);
    }
}

platform::File openInput(const char* name, bool exclusive) {
    platform::File input = exclusive ? platform::openExclusive(name) : platform::openShared(name);
    if (!platform::isOpen(input)) {
        base::fail(base::Failure::OpenInput);
    }
    return input;
}

platform::File createOutput(const char* name, platform::File input) {
    platform::File output = platform::createExclusive(name, input);
    if (!platform::isOpen(output)) {
        base::fail(base::Failure::OpenOutput);
    }
    // Opened for reading and writing, a pipe is its own reader: writes could
    // block for ever. Nothing has been written to it yet.
    if (!platform::seekTo(output, 0)) {
        base::fail(base::Failure::SeekOutput);
    }
    return output;
}

platform::File openOutputStream(const char* name) {
    platform::File output = platform::openStream(name);
    if (!platform::isOpen(output)) {
        base::fail(base::Failure::OpenOutput);
    }
    return output;
}

} // namespace cli
