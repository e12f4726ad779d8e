// How both programs open their files, with the same refusals: the input is
// never written, and squeezle holds it exclusively; an output is never the
// input under any name, and an existing one is replaced only when /O says so.
// An output appears whole or not at all: a file on a disk is written beside
// its name and put in its place at the end; a stream (a pipe, a named pipe,
// a terminal, a device) gets every byte at the end, and nothing after a
// failure. `-` is standard input as the input, standard output as the output.
#pragma once

#include "cli/failures.h"
#include "platform/platform.h"

#include <cstddef>

namespace cli {

// Where a run's output goes, settled from its name before anything opens.
struct Output {
    const char* name;
    bool replace;        // /O: an existing file may be replaced
    bool stream;         // no file on a disk: nothing to refuse, replace or empty
    bool standardOutput; // the program's own standard output: written through it
    bool terminal;       // an interactive terminal or console
    bool closed;         // standard output, closed when the run started
};

// What `name` names, for a run with /O or without: one decision, the
// platform's (see platform::outputKind).
Output outputOf(const char* name, bool replace);

// Fails (SameName) when the names are equal ignoring ASCII case, but for
// standard input and output, and, unless the output may be replaced or is a
// stream, (OutputExists) when it opens for reading or is a symbolic link to
// nothing. An output that exists but cannot be opened passes: preparing it
// will say why.
void refuseOutputName(const char* inputName, const Output& output);

// The input, held until closed: exclusively, or beside other readers but no
// writer; a named pipe's writer is waited for. Standard input is taken as it
// stands, held by nobody. kNoFile, with the failure (OpenInput) told, when it
// cannot be opened so, and for a standard input that was closed when the run
// started: the run goes on with its next file.
platform::File tryOpenInput(const char* name, bool exclusive);

// As tryOpenInput(), but a failure ends the run.
platform::File openInput(const char* name, bool exclusive);

// Reads up to `size` bytes of the open platform::File that `file` points to,
// for a reader that takes its bytes through a callback; 0 at the end of the
// file. A failed read ends the run (ReadInput).
std::size_t readSome(void* file, char* into, std::size_t size);

// Makes the output ready before the input is read: fails (OpenOutput) when it
// is the input under any name, when it is a standard output that was closed
// when the run started, and, for a file, when it cannot be made in its folder
// or cannot replace what is there.
void prepareOutput(const Output& output, platform::File input);

// Writes all `size` bytes to the output: a file takes the output's name only
// now, a stream is opened only now. Fails (WriteOutput) when not every byte
// went, (OpenOutput) when a stream cannot be opened and (OutputExists) when,
// without /O, a file appeared under the name meanwhile.
void writeOutput(const Output& output, const void* bytes, std::size_t size);

} // namespace cli
