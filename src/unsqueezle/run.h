// unsqueezle's run: read a compressed file whole, check every rule, then
// decode it into a batch file, say that it is sound, or list what it holds.
// Also what unsqueezle says of itself: its name, notice and usage.
#pragma once

#include "base/report.h"

namespace unsqueezle {

extern const base::ProgramTexts kTexts;

// The extension of unsqueezle's default output name.
inline constexpr const char* kOutputExtension = ".bat";

enum class Mode { Decode, Test, List };

// What the command line asked for; main.cpp's table gives each its letter.
struct RunOptions {
    bool list;      // /L: list what the file holds; write nothing
    bool test;      // /T, unless /L: test the file; write nothing
    bool raw;       // /R: write the coded characters alone, adding no LF
    bool overwrite; // /O: an existing output file may be replaced
    bool quiet;     // /Q: nothing is shown
    bool brief;     // /B: only a listing, warnings and failures, these on standard error
    Mode mode() const { return list ? Mode::List : test ? Mode::Test : Mode::Decode; }
};

// Decodes `inputName` into `outputName`. Returns only when the file is sound
// and the text written; every fault and failure ends the process inside
// fail(), before any output file is created.
void run(const RunOptions& options, const char* inputName, const char* outputName);

// Tests or lists `inputName`, as `options` ask: false, with the fault or
// failure told, when the file cannot be read or is not sound.
bool examine(const RunOptions& options, const char* inputName);

} // namespace unsqueezle
