// squeezle's run sequence: check and open both files, walk the input twice,
// hand every kept line to the pass consumer, close the files and report the
// size. Also what squeezle says of itself: its name, notice and usage.
#pragma once

#include "base/report.h"
#include "compress/pass_consumer.h"

#include <cstdint>

namespace squeezle {

extern const base::ProgramTexts kTexts;

// The options squeezle knows, and the extension of its default output name.
inline constexpr const char* kOptionLetters = "KOQ";
inline constexpr const char* kOutputExtension = ".zcl";

// What the command line asked for, beyond /Q (which silences every message).
struct RunOptions {
    bool removeComments; // /K: drop comment lines and lines empty after trimming
    bool overwrite;      // /O: an existing output file may be replaced
};

// The statistics line reports this ratio; above it a warning follows.
inline constexpr std::int32_t kEffectiveRatioLimit = 95;

// Runs the whole compression of `inputName` into `outputName`. Returns only
// after a complete run; every failure ends the process inside fail().
void run(const RunOptions& options, const char* inputName, const char* outputName,
         compress::PassConsumer& consumer);

} // namespace squeezle
