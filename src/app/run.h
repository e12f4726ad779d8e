// The run sequence: check and open both files, walk the input twice, hand
// every kept line to the pass consumer, close the files and report the size.
#pragma once

#include "app/messages.h"
#include "platform/platform.h"

#include <cstdint>

namespace app {

// What the run sequence drives: the compression lives behind this interface.
// Operations come in this order: attachOutput, then for passes 1 and 2
// beginPass, takeLine for every kept line, endPass; then finish.
class PassConsumer {
public:
    // The output file, created and emptied; the consumer writes through it.
    virtual void attachOutput(platform::File output) = 0;
    // Called at the start of a pass, before the input is rewound.
    virtual void beginPass(int pass) = 0;
    // `line` is NUL-terminated and valid until the next line is read.
    virtual void takeLine(int pass, const char* line) = 0;
    virtual void endPass(int pass) = 0;
    // Completes the output file after pass 2.
    virtual void finish() = 0;
    // The statistics: bytes of source that were kept, bytes of output written.
    virtual std::int32_t sourceSize() const = 0;
    virtual std::int32_t compressedSize() const = 0;

protected:
    ~PassConsumer() = default;
};

// The statistics line reports this ratio; above it a warning follows.
inline constexpr std::int32_t kEffectiveRatioLimit = 95;

// Runs the whole compression of `inputName` into `outputName`. Returns only
// after a complete run; every failure ends the process inside fail().
void run(const RunOptions& options, const char* inputName, const char* outputName,
         PassConsumer& consumer);

} // namespace app
