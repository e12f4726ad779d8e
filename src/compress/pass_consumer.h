// What the run sequence drives: the compression lives behind this interface.
// Operations come in this order: attachOutput, then for passes 1 and 2
// beginPass, takeLine for every kept line, endPass; then finish.
#pragma once

#include "platform/platform.h"

#include <cstdint>

namespace compress {

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

} // namespace compress
