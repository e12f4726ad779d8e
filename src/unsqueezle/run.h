// unsqueezle's run: read a compressed file whole, check every rule, then
// decode it into a batch file, say that it is sound, or list what it holds.
// Also what unsqueezle says of itself: its name, notice and usage.
#pragma once

#include "base/report.h"

namespace unsqueezle {

extern const base::ProgramTexts kTexts;

// The options unsqueezle knows, and the extension of its default output name.
inline constexpr const char* kOptionLetters = "LTROQ";
inline constexpr const char* kOutputExtension = ".bat";

enum class Mode { Decode, Test, List };

struct RunOptions {
    Mode mode;      // /L lists, else /T tests, else the file is decoded
    bool raw;       // /R: write the coded characters alone, adding no LF
    bool overwrite; // /O: an existing output file may be replaced
};

// Does what `options` ask of `inputName` (and, when decoding, `outputName`).
// Returns only when the file is sound and the work is done; every fault and
// failure ends the process inside fail(), before any output file is created.
void run(const RunOptions& options, const char* inputName, const char* outputName);

} // namespace unsqueezle
