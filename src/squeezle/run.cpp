#include "squeezle/run.h"

#include "cli/files.h"
#include "compress/compression.h"
#include "format/format.h"
#include "input/kept_lines.h"

#include <cstring>

namespace squeezle {

using base::printMessage;

namespace {

// The run's own failures; the files' are cli's.
constexpr const char* kAlreadyCompressed = "Input file is already compressed";
constexpr const char* kTooLarge = "File too large to compress";
constexpr const char* kToTerminal = "Cannot write a compressed file to a terminal";

// The input, read once, and what it keeps; the file, built whole.
input::KeptLines kept;
compress::Compression compression;

// A file that this tool wrote is not compressed again. A short file, or one
// whose first read failed, shows NULs there, which never match.
void refuseCompressedInput() {
    const char* first = input::firstBytes(kept.reader);
    if (format::hasSignature(static_cast<std::uint8_t>(first[0]),
                             static_cast<std::uint8_t>(first[1]))) {
        base::fail(kAlreadyCompressed);
    }
}

// The progress line of each kept line, counted from 1 in each pass.
std::uint32_t progressLine = 0;

void restartProgress() {
    progressLine = 0;
}

void showNextLine() {
    base::printProgress("Compressing line ", ++progressLine);
}

// The first pass: every kept line of the file is announced, taken and held,
// up to the line that would bring the source to its limit. With /Q nothing
// more is shown, so the run fails there; otherwise the file is read to its
// end for the announcements and what the text leaves out. True when every
// kept line is held.
bool readKeptLines(const RunOptions& options) {
    restartProgress();
    bool holdsAll = true;
    for (input::LineRun run; (run = input::nextKeptLines(kept)).lines > 0;) {
        for (std::uint32_t line = 0; line < run.lines && !options.quiet; ++line) {
            showNextLine();
        }
        if (!holdsAll) {
            continue;
        }
        holdsAll = compress::takeLines(compression, run.text, run.size, run.lines);
        if (holdsAll) {
            input::holdText(kept, run);
        } else if (options.quiet) {
            base::fail(kTooLarge);
        }
    }
    if (!options.quiet) {
        input::noteTextAfterEnd(kept);
    }
    return holdsAll;
}

// The second pass codes what the first held, announcing its lines again: up
// to the one that reached the limit, if any, where the run fails. The file is
// built in the reader's room behind the held text, which the reader has used
// up by then: no more memory for it.
const std::uint8_t* codeKeptLines(const RunOptions& options, bool holdsAll,
                                  const input::HeldText& held) {
    restartProgress();
    for (std::uint32_t line = 0; line < compression.lines && !options.quiet; ++line) {
        showNextLine();
    }
    if (!holdsAll) {
        showNextLine();
        base::fail(kTooLarge);
    }
    compress::codeSource(compression, held.text, held.size, held.room);
    return held.room;
}

// Whole percent of the source, truncated; 0 for an empty source.
std::int32_t ratioOf(std::int32_t compressedSize, std::int32_t sourceSize) {
    return sourceSize <= 0 ? 0 : compressedSize * 100 / sourceSize;
}

// A warning that names the first line where the text leaves something out.
void warnOfLine(const char* format, std::uint32_t line) {
    if (line != 0) {
        printMessage(format, static_cast<unsigned>(line));
    }
}

void reportStatistics() {
    std::int32_t ratio = ratioOf(static_cast<std::int32_t>(compression.fileSize),
                                 static_cast<std::int32_t>(compression.sourceSize));
    printMessage("Compression completed; file compressed to %d%% of original size\n",
                 static_cast<int>(ratio));
    if (ratio > kEffectiveRatioLimit) {
        printMessage("Warning:  %s is not effective at compressing small files!\n", kTexts.name);
    }
    const input::LeftOut& leftOut = kept.leftOut;
    warnOfLine("Warning:  text after a Ctrl-Z in line %u is not compressed!\n", leftOut.afterCtrlZ);
    // A UTF-16 text is NULs every other byte: what it needs is the one word.
    warnOfLine("Warning:  a NUL byte cuts line %u short!\n", leftOut.utf16 ? 0 : leftOut.cutByNul);
    warnOfLine("Warning:  blank line %u is not compressed!\n", leftOut.blankLine);
    warnOfLine("Warning:  blanks at the end of line %u are not compressed!\n",
               leftOut.trailingBlanks);
    if (leftOut.utf16) {
        printMessage("Warning:  the input is UTF-16 text; save it in an 8-bit encoding!\n");
    }
}

} // namespace

const base::ProgramTexts kTexts{"SQUEEZLE",
                                "Batch file compressor. Free software, without warranty.",
                                "[/K /O /Q] input_file [output_file]\n"
                                "    /K remove comments\n"
                                "    /O overwrite file\n"
                                "    /Q quiet\n"};

void run(const RunOptions& options, const char* inputName, const cli::Output& output) {
    printMessage("\nCompressing %s to %s\n", inputName, output.name);
    cli::refuseOutputName(inputName, output);
    if (output.terminal) { // binary bytes would only garble the screen
        base::fail(kToTerminal);
    }
    platform::File input = cli::openInput(inputName, true);
    input::beginKeptLines({cli::readSome, &input}, kept, options.removeComments);
    refuseCompressedInput();
    cli::prepareOutput(output, input);
    compress::beginCompression(compression);
    bool holdsAll = readKeptLines(options);
    input::HeldText held = input::heldText(kept);
    compress::selectTable(compression, held.text, held.size);
    const std::uint8_t* file = codeKeptLines(options, holdsAll, held);
    cli::writeOutput(output, file, compression.fileSize);
    platform::closeFile(input);
    reportStatistics();
}

} // namespace squeezle
