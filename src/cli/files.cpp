#include "cli/files.h"

#include "base/ascii.h"

#include <iterator>

namespace cli {

using base::Failure;

namespace {

constexpr base::FailureText kTexts[] = {
    {Failure::SameName, "Input and output files must have different names"},
    {Failure::OutputExists, "Cannot overwrite existing output file"},
    {Failure::OpenInput, "Cannot open input file"},
    {Failure::OpenOutput, "Cannot open output file"},
    {Failure::ReadInput, "Error reading input file"},
    {Failure::WriteOutput, "Error writing output file"},
    {Failure::SeekOutput, "Seek error on output file"},
    {Failure::NameTooLong, "File name too long"},
};

} // namespace

const base::FailureTexts kSharedFailures{kTexts, std::size(kTexts)};

void refuseOutputName(const char* inputName, const char* outputName, bool overwrite) {
    if (base::equalIgnoringCase(inputName, outputName)) {
        base::fail(base::Failure::SameName);
    }
    if (!overwrite && platform::isOpen(platform::openShared(outputName))) {
        base::fail(base::Failure::OutputExists);
    }
}

platform::File openInput(const char* name) {
    platform::File input = platform::openExclusive(name);
    if (!platform::isOpen(input)) {
        base::fail(base::Failure::OpenInput);
    }
    return input;
}

platform::File openSharedInput(const char* name) {
    platform::File input = platform::openReadShared(name);
    if (!platform::isOpen(input)) {
        base::fail(base::Failure::OpenInput);
    }
    return input;
}

platform::File createOutput(const char* name) {
    platform::File output = platform::createExclusive(name);
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
