// The command line `[/K /O /Q] input_file [output_file]`: the tool's whole
// configuration, turned into the run options and the two file names.
#pragma once

#include <cstddef>

namespace app {

// 259 bytes of name and the terminating NUL; a longer name is refused.
inline constexpr std::size_t kNameCapacity = 260;

// The extension that replaces the input's to give the default output name.
inline constexpr const char* kOutputExtension = ".zcl";

// The two file names of a run. A name is empty while its first byte is NUL.
struct FileNames {
    char input[kNameCapacity];
    char output[kNameCapacity];
};

// The names of this run, filled by parseCommandLine.
extern FileNames fileNames;

// Fills runOptions and fileNames from the arguments after argv[0], prints the
// banner and derives the output name when none was given. Ends the run with
// the usage message on a malformed command line, and with "File name too
// long" when a name, given or derived, does not fit its buffer.
void parseCommandLine(int argc, const char* const argv[]);

// Writes into `output` the input name with everything from its last '.' on
// replaced by ".zcl", or with ".zcl" appended when it holds no '.'; a '.' in
// a folder name counts. Fails with NameTooLong rather than overrun `output`.
void deriveOutputName(const char* input, char (&output)[kNameCapacity]);

} // namespace app
