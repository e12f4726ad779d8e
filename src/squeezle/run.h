// squeezle's run sequence: check and open both files, read the input once,
// holding its kept lines, select the table, code them into the whole file,
// write it and report the size. Also what squeezle says of itself: its name,
// notice and usage.
#pragma once

#include "base/report.h"
#include "cli/files.h"
#include "compress/compression.h"
#include "input/kept_lines.h"

#include <cstdint>

namespace squeezle {

extern const base::ProgramTexts kTexts;

// The extension of squeezle's default output name.
inline constexpr const char* kOutputExtension = ".zcl";

// What the command line asked for; main.cpp's table gives each its letter.
struct RunOptions {
    bool removeComments; // /K: drop comment lines and lines empty after trimming
    bool overwrite;      // /O: an existing output file may be replaced
    bool quiet;          // /Q, or the output is standard output and no terminal
    bool brief;          // /B: only warnings and failures, as brief lines on standard error
    bool strict;         // /W: a text that would lose or change text fails the run
};

// The statistics line reports this ratio; above it a warning follows.
inline constexpr std::int32_t kEffectiveRatioLimit = 95;

// From the held lines to the finished file, the step that squeezle's run and
// the fuzz targets share: once `kept` holds every kept line and `compression`
// has taken them all, selects the table and builds the whole file in
// `compression.file`, `compression.fileSize` bytes.
void buildFile(input::KeptLines& kept, compress::Compression& compression);

// Runs the whole compression of `inputName` into `output`. Returns only
// after a complete run; every failure ends the process inside fail(), and
// leaves the output as it was.
void run(const RunOptions& options, const char* inputName, const cli::Output& output);

} // namespace squeezle
