#include "app/run.h"

#include "app/ascii.h"
#include "compress/header.h"
#include "input/line_reader.h"

namespace app {
namespace {

// The only storage the input gets: one line at a time.
input::LineBuffer lineBuffer;

// The existence test: an output that opens for reading is not replaced unless
// /O says so. One that exists but cannot be opened passes.
void refuseExistingOutput(const char* outputName) {
    if (platform::isOpen(platform::openShared(outputName))) {
        fail(Failure::OutputExists);
    }
}

// A file that this tool wrote is not compressed again. The probe's read is not
// checked: a short or failed read leaves zeros, which never match.
void refuseCompressedInput(platform::File input) {
    std::uint8_t probe[4] = {};
    platform::readFile(input, probe, sizeof probe);
    if (compress::hasSignature(probe)) {
        fail(Failure::AlreadyCompressed);
    }
    platform::seekTo(input, 0);
}

// One pass over the input. Both passes see exactly the same lines.
//
// A line longer than one read comes in pieces. Only a piece that ends its line
// is trimmed: the blanks at a cut lie inside the command. Under /K the first
// piece decides for the whole line, so a long comment leaves no tail behind.
void walkInput(int pass, const RunOptions& options, platform::File input,
               PassConsumer& consumer) {
    std::uint32_t lineNumber = 0;
    consumer.beginPass(pass);
    if (!platform::seekTo(input, 0)) {
        fail(Failure::SeekInput);
    }
    bool continuesLine = false;
    bool dropLine = false;
    while (input::readLine(input, lineBuffer) > 0) {
        bool firstPiece = !continuesLine;
        continuesLine = lineBuffer.cut;
        if (!lineBuffer.cut) {
            input::trimTrailingBlanks(lineBuffer.text);
        }
        if (firstPiece) {
            dropLine = options.removeComments && input::isCommentLine(lineBuffer.text);
        }
        if (dropLine) {
            continue;
        }
        if (!options.quiet) {
            printMessage("Compressing line %u\r", ++lineNumber);
        }
        consumer.takeLine(pass, lineBuffer.text);
    }
    consumer.endPass(pass);
}

// Whole percent of the source, truncated; 0 for an empty source.
std::int32_t ratioOf(std::int32_t compressedSize, std::int32_t sourceSize) {
    return sourceSize <= 0 ? 0 : compressedSize * 100 / sourceSize;
}

void reportStatistics(const RunOptions& options, const PassConsumer& consumer) {
    std::int32_t ratio = ratioOf(consumer.compressedSize(), consumer.sourceSize());
    if (options.quiet) {
        return;
    }
    printMessage("Compression completed; file compressed to %d%% of original size\n",
                 static_cast<int>(ratio));
    if (ratio > kEffectiveRatioLimit) {
        printMessage("Warning:  %s is not effective at compressing small files!\n", kToolName);
    }
}

} // namespace

void run(const RunOptions& options, const char* inputName, const char* outputName,
         PassConsumer& consumer) {
    if (!options.quiet) {
        printMessage("\nCompressing %s to %s\n", inputName, outputName);
    }
    if (equalIgnoringCase(inputName, outputName)) {
        fail(Failure::SameName);
    }
    if (!options.overwrite) {
        refuseExistingOutput(outputName);
    }
    platform::File input = platform::openExclusive(inputName);
    if (!platform::isOpen(input)) {
        fail(Failure::OpenInput);
    }
    refuseCompressedInput(input);
    platform::File output = platform::createExclusive(outputName);
    if (!platform::isOpen(output)) {
        fail(Failure::OpenOutput);
    }
    // An output that cannot be rewound (a pipe, a device) gets no byte: it would
    // take the stream, or block as its own reader, and fail only at the end.
    if (!platform::seekTo(output, 0)) {
        fail(Failure::SeekOutput);
    }
    consumer.attachOutput(output);
    walkInput(1, options, input, consumer);
    walkInput(2, options, input, consumer);
    consumer.finish();
    platform::closeFile(input);
    platform::closeFile(output);
    reportStatistics(options, consumer);
}

} // namespace app
