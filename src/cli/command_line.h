// The command line both programs share: `[/X ...] input_file [output_file]`.
// Options begin with '/', only the letter after it counts, in either case,
// anywhere on the line and repeatable; any other argument is a file name.
#pragma once

#include "cli/failures.h"
#include "platform/platform.h"

#include <cstddef>

namespace cli {

// The longest name the platform takes (platform::nameFits) and the
// terminating NUL; a longer name is refused.
inline constexpr std::size_t kNameCapacity = platform::kLongestNameBytes + 1;

// The two file names of a run. A name is empty while its first byte is NUL.
struct FileNames {
    char input[kNameCapacity];
    char output[kNameCapacity];
    // Where more names are welcome: how many arguments, empty ones too,
    // follow the second name. They stay in the arguments, where
    // isFileName() finds them again.
    int more;
};

// One option a program knows: its letter, in upper case, and the flag that
// it sets. Each program keeps a table of them.
struct Option {
    char letter;
    bool* flag;
};

// Sets the flags of the options given and fills `names` from the arguments
// after argv[0]; `options` are the `count` this program knows. Where the platform
// answers them, `--help` or `--version` anywhere ends the run first, with
// status 0. /Q silences the run as soon as it is seen, /B makes it brief.
// Ends the run with the usage message for /?, an unknown option, a third
// name unless `manyNames`, or no input name, and with "File name too long"
// for a name that does not fit. The banner is the caller's to print, once it
// knows whether messages are wanted.
void parseCommandLine(int argc, const char* const argv[], const Option* options, std::size_t count,
                      FileNames& names, bool manyNames);

template <std::size_t kCount>
void parseCommandLine(int argc, const char* const argv[], const Option (&options)[kCount],
                      FileNames& names, bool manyNames = false) {
    parseCommandLine(argc, argv, options, kCount, names, manyNames);
}

// True for an argument that is a file name: neither an option nor empty.
bool isFileName(const char* argument);

// Writes into `output` the input name with everything from its last '.' on
// replaced by `extension`, or with `extension` appended when it holds no '.';
// a '.' in a folder name counts. Standard input gives `-`, standard output.
// False, with `output` untouched, for a name that the platform finds too long.
bool deriveOutputName(const char* input, const char* extension, char (&output)[kNameCapacity]);

} // namespace cli
