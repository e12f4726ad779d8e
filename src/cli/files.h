// How both programs open their two files, with the same refusals: the input
// is never written, and squeezle holds it exclusively; an output file is never
// the input under any name, and an existing one is replaced only when /O says
// so. unsqueezle's text may also go to a stream, which has nothing to replace.
#pragma once

#include "base/report.h"
#include "platform/platform.h"

namespace cli {

// Fails (SameName) when the names are equal ignoring ASCII case, and, unless
// `overwrite`, (OutputExists) when the output opens for reading. An output
// that exists but cannot be opened passes: creating it will say why.
void refuseOutputName(const char* inputName, const char* outputName, bool overwrite);

// The input, held until closed: exclusively, or beside other readers but no
// writer (then waiting for a named pipe's writer). Fails (OpenInput) when
// it cannot be opened so.
platform::File openInput(const char* name, bool exclusive);

// The output, created or emptied, held exclusively; fails (OpenOutput) when
// that is refused, as it is for `input` under another name, and (SeekOutput)
// for one that cannot be rewound, such as a pipe.
platform::File createOutput(const char* name, platform::File input);

// A stream (see platform::namesStream) opened for writing as it stands, once
// it has a reader; fails (OpenOutput) otherwise.
platform::File openOutputStream(const char* name);

} // namespace cli
