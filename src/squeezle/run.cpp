#include "squeezle/run.h"

#include "cli/files.h"
#include "compress/compression.h"
#include "format/format.h"
#include "input/kept_lines.h"

namespace squeezle {

using base::printMessage;

void buildFile(input::KeptLines& kept, compress::Compression& compression) {
    const input::HeldText& held = input::heldText(kept);
    compress::selectTable(compression, held.text, held.size);
    compress::codeSource(compression, held.text, held.size);
}

namespace {

// The run's own failures; the files' are cli's.
enum class Failure {
    AlreadyCompressed, // the input begins with the signature
    TooLarge,          // the kept lines reach the source limit
    ToTerminal,        // the output is a terminal
    TextLost,          // /W, and the text would lose or change text
};

// No default: a failure added without its message does not build.
const char* messageOf(Failure failure) {
    switch (failure) {
    case Failure::AlreadyCompressed:
        return "Input file is already compressed";
    case Failure::TooLarge:
        return "File too large to compress";
    case Failure::ToTerminal:
        return "Cannot write a compressed file to a terminal";
    case Failure::TextLost:
        return "Text would be lost or changed";
    }
    return "Unknown error";
}

// What a brief line adds to TooLarge, at the line that reaches the limit.
constexpr const char* kTooLargeCause = "the kept lines reach the limit of 65504 bytes";
static_assert(format::kSourceLimit == 65504, "the limit that kTooLargeCause names");

// What the text leaves out or changes, told in this order after the result,
// each once, for the first line where it happens.
const base::Warning kTextAfterEnd{"Warning:  text after a Ctrl-Z in line %u is not compressed!\n",
                                  "text after a Ctrl-Z is not compressed"};
const base::Warning kCutByNul{"Warning:  a NUL byte cuts line %u short!\n",
                              "a NUL byte cuts the line short"};
const base::Warning kBlankLine{"Warning:  blank line %u is not compressed!\n",
                               "a blank line is not compressed"};
const base::Warning kTrailingBlanks{"Warning:  blanks at the end of line %u are not compressed!\n",
                                    "blanks at the end of the line are not compressed"};
const base::Warning kUtf16{"Warning:  the input is UTF-16 text; save it in an 8-bit encoding!\n",
                           "the input is UTF-16 text; save it in an 8-bit encoding"};
const base::Warning kSplitByReturn{"Warning:  a CR splits line %u in two!\n",
                                   "a CR splits the line in two"};

// The input, read once, and what it keeps; the file, built whole.
input::KeptLines kept;
compress::Compression compression;

// A file that this tool wrote is not compressed again. A short file, or one
// whose first read failed, shows NULs there, which never match.
void refuseCompressedInput() {
    const char* first = input::firstBytes(kept.reader);
    if (format::hasSignature(static_cast<std::uint8_t>(first[0]),
                             static_cast<std::uint8_t>(first[1]))) {
        base::fail(Failure::AlreadyCompressed);
    }
}

// The progress line of each kept line, counted from 1 in each pass, and the
// line of the file that brings the source to its limit, if one does.
std::uint32_t progressLine = 0;
std::uint32_t tooLargeAt = 0;

// Neither /Q nor /B shows progress.
bool showsProgress(const RunOptions& options) {
    return !options.quiet && !options.brief;
}

[[noreturn]] void failTooLarge() {
    base::fail(Failure::TooLarge, {tooLargeAt, kTooLargeCause});
}

void restartProgress() {
    progressLine = 0;
}

void showNextLine() {
    base::printProgress("Compressing line ", ++progressLine);
}

// The first pass: every kept line of the file is announced, taken and held,
// up to the line that would bring the source to its limit. Without progress
// nothing more is shown, so the run fails there; otherwise the file is read
// to its end for the announcements and what the text leaves out. True when
// every kept line is held.
bool readKeptLines(const RunOptions& options) {
    restartProgress();
    bool holdsAll = true;
    for (input::KeptLine line; (line = input::nextKeptLine(kept)).text != nullptr;) {
        if (showsProgress(options)) {
            showNextLine();
        }
        if (!holdsAll) {
            continue;
        }
        holdsAll = compress::takeLine(compression, line.length);
        if (holdsAll) {
            input::holdLine(kept, line);
            continue;
        }
        tooLargeAt = line.number;
        if (!showsProgress(options)) {
            failTooLarge();
        }
    }
    // Warnings that nobody sees are looked for only where they fail the run.
    if (!options.quiet || options.strict) {
        input::noteTextAfterEnd(kept);
    }
    return holdsAll;
}

// The second pass announces the held lines again: up to the one that reached
// the limit, if any, where the run fails.
void announceKeptLines(const RunOptions& options, bool holdsAll) {
    restartProgress();
    for (std::uint32_t line = 0; line < compression.lines && showsProgress(options); ++line) {
        showNextLine();
    }
    if (!holdsAll) {
        showNextLine();
        failTooLarge();
    }
}

// Whole percent of the source, truncated; 0 for an empty source.
std::int32_t ratioOf(std::int32_t compressedSize, std::int32_t sourceSize) {
    return sourceSize <= 0 ? 0 : compressedSize * 100 / sourceSize;
}

// The result, and the advice for small files: it changes nothing in the
// script, so a brief line leaves it out.
void reportStatistics() {
    std::int32_t ratio = ratioOf(static_cast<std::int32_t>(compression.fileSize),
                                 static_cast<std::int32_t>(compression.sourceSize));
    printMessage("Compression completed; file compressed to %d%% of original size\n",
                 static_cast<int>(ratio));
    if (ratio > kEffectiveRatioLimit) {
        printMessage("Warning:  %s is not effective at compressing small files!\n", kTexts.name);
    }
}

// Tells what the text leaves out or changes; true when it told anything.
bool warnOfLosses() {
    const input::LeftOut& leftOut = kept.leftOut;
    bool told = false;
    auto tell = [&told](const base::Warning& warning, std::uint32_t line, bool happens) {
        if (happens) {
            base::warn(warning, line);
            told = true;
        }
    };
    tell(kTextAfterEnd, leftOut.afterCtrlZ, leftOut.afterCtrlZ != 0);
    // A UTF-16 text is NULs every other byte: what it needs is the one word.
    tell(kCutByNul, leftOut.cutByNul, leftOut.cutByNul != 0 && !leftOut.utf16);
    tell(kBlankLine, leftOut.blankLine, leftOut.blankLine != 0);
    tell(kTrailingBlanks, leftOut.trailingBlanks, leftOut.trailingBlanks != 0);
    tell(kUtf16, 0, leftOut.utf16);
    tell(kSplitByReturn, leftOut.splitByReturn, leftOut.splitByReturn != 0);
    return told;
}

} // namespace

const base::ProgramTexts kTexts{"SQUEEZLE",
                                "Batch file compressor. Free software, without warranty.",
                                "[/K /O /Q /B /W] input_file [output_file]\n"
                                "    /K remove comments\n"
                                "    /O overwrite file\n"
                                "    /Q quiet\n"
                                "    /B brief: warnings and failures only, on standard error\n"
                                "    /W fail when text would be lost or changed\n"};

void run(const RunOptions& options, const char* inputName, const cli::Output& output) {
    printMessage("\nCompressing %s to %s\n", inputName, output.name);
    cli::refuseOutputName(inputName, output);
    if (output.terminal) { // binary bytes would only garble the screen
        base::fail(Failure::ToTerminal);
    }
    platform::File input = cli::openInput(inputName, true);
    input::beginKeptLines({cli::readSome, &input}, kept, options.removeComments);
    refuseCompressedInput();
    cli::prepareOutput(output, input);
    compress::beginCompression(compression);
    announceKeptLines(options, readKeptLines(options));
    buildFile(kept, compression);
    if (options.strict && warnOfLosses()) {
        base::fail(Failure::TextLost);
    }
    cli::writeOutput(output, compression.file, compression.fileSize);
    platform::closeFile(input);
    reportStatistics();
    if (!options.strict) {
        warnOfLosses();
    }
}

} // namespace squeezle
