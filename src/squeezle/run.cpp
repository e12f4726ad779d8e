#include "squeezle/run.h"

#include "cli/files.h"
#include "format/format.h"
#include "input/line_reader.h"

#include <cstring>

namespace squeezle {

using base::fail;
using base::Failure;
using base::printMessage;

namespace {

// The only storage the input gets: one line at a time.
input::LineBuffer lineBuffer;

// What the text leaves out of the file, found in pass 1 and told after the
// result: the lines of the file that hold the Ctrl-Z with text after it, and
// the first NUL that cuts a kept line short; 0 for none.
struct LeftOut {
    std::uint32_t afterCtrlZ;
    std::uint32_t cutByNul;
};
LeftOut leftOut{0, 0};

// A file that this tool wrote is not compressed again. The probe's read is not
// checked: a short or failed read leaves zeros, which never match. The first
// pass rewinds the input, so the probe leaves it where it stands.
void refuseCompressedInput(platform::File input) {
    std::uint8_t probe[4] = {};
    platform::readFile(input, probe, sizeof probe);
    if (format::hasSignature(probe[0], probe[1])) {
        fail(Failure::AlreadyCompressed);
    }
}

// "Compressing line N" and a CR, the number counted up in place: the line is
// printed for every line of both passes, and formatting it each time would
// cost more than coding the line does.
struct Progress {
    char text[sizeof "Compressing line 4294967295\r"];
    std::size_t end; // where the number's CR stands
};
Progress progress;

constexpr std::size_t kNumberStart = sizeof "Compressing line " - 1;

void restartProgress() {
    std::memcpy(progress.text, "Compressing line 0\r", sizeof "Compressing line 0\r");
    progress.end = kNumberStart + 1;
}

// The next number: a digit goes up, the nines to its right turn to 0; after
// all nines, the number gains a digit.
void showNextLine() {
    std::size_t digit = progress.end;
    do {
        --digit;
        if (progress.text[digit] != '9') {
            ++progress.text[digit];
            base::printText(progress.text);
            return;
        }
        progress.text[digit] = '0';
    } while (digit > kNumberStart);
    progress.text[kNumberStart] = '1';
    std::memcpy(progress.text + progress.end, "0\r", sizeof "0\r");
    ++progress.end;
    base::printText(progress.text);
}

// One pass over the input. Both passes see exactly the same lines.
//
// A line longer than one read comes in pieces. Only a piece that ends its line
// is trimmed: the blanks at a cut lie inside the command. Under /K the first
// piece decides for the whole line, so a long comment leaves no tail behind.
void walkInput(int pass, const RunOptions& options, platform::File input,
               compress::PassConsumer& consumer) {
    restartProgress();
    consumer.beginPass(pass);
    if (!platform::seekTo(input, 0)) {
        fail(Failure::SeekInput);
    }
    input::beginText(lineBuffer);
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
        if (lineBuffer.lostText && leftOut.cutByNul == 0) {
            leftOut.cutByNul = lineBuffer.number;
        }
        showNextLine();
        consumer.takeLine(pass, lineBuffer.text);
    }
    if (pass == 1 && input::textFollowsEnd(input, lineBuffer)) {
        leftOut.afterCtrlZ = lineBuffer.number;
    }
    consumer.endPass(pass);
}

// Whole percent of the source, truncated; 0 for an empty source.
std::int32_t ratioOf(std::int32_t compressedSize, std::int32_t sourceSize) {
    return sourceSize <= 0 ? 0 : compressedSize * 100 / sourceSize;
}

void reportStatistics(const compress::PassConsumer& consumer) {
    std::int32_t ratio = ratioOf(consumer.compressedSize(), consumer.sourceSize());
    printMessage("Compression completed; file compressed to %d%% of original size\n",
                 static_cast<int>(ratio));
    if (ratio > kEffectiveRatioLimit) {
        printMessage("Warning:  %s is not effective at compressing small files!\n", kTexts.name);
    }
    if (leftOut.afterCtrlZ != 0) {
        printMessage("Warning:  text after a Ctrl-Z in line %u is not compressed!\n",
                     static_cast<unsigned>(leftOut.afterCtrlZ));
    }
    if (leftOut.cutByNul != 0) {
        printMessage("Warning:  a NUL byte cuts line %u short!\n",
                     static_cast<unsigned>(leftOut.cutByNul));
    }
}

} // namespace

const base::ProgramTexts kTexts{"SQUEEZLE",
                                "Batch file compressor. Free software, without warranty.",
                                "[/K /O /Q] input_file [output_file]\n"
                                "    /K remove comments\n"
                                "    /O overwrite file\n"
                                "    /Q quiet\n"};

void run(const RunOptions& options, const char* inputName, const char* outputName,
         compress::PassConsumer& consumer) {
    printMessage("\nCompressing %s to %s\n", inputName, outputName);
    cli::refuseOutputName(inputName, outputName, options.overwrite);
    leftOut = LeftOut{0, 0};
    platform::File input = cli::openInput(inputName, true);
    refuseCompressedInput(input);
    platform::File output = cli::createOutput(outputName, input);
    consumer.attachOutput(output);
    walkInput(1, options, input, consumer);
    walkInput(2, options, input, consumer);
    consumer.finish();
    platform::closeFile(input);
    platform::closeFile(output);
    reportStatistics(consumer);
}

} // namespace squeezle
