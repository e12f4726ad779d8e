#include "unsqueezle/run.h"

#include "cli/files.h"
#include "decompress/decoder.h"

#include <cstdint>
#include <cstring>

namespace unsqueezle {

using base::printMessage;

namespace {

// The warning for a text that another program wrote without its CRs.
const base::Warning kNoReturn{
    "Warning:  the text holds no CR: another program wrote it from lines with bare LF ends, "
    "which now run together as one!\n",
    "the text holds no CR: another program wrote it from lines with bare LF ends, which now run "
    "together as one"};

// The whole file in, the whole text out: a fault found late leaves no output.
decompress::FileImage image;
decompress::Decoded decoded;

// The file from where it stands, up to the image's capacity: a pipe is read
// to its end like a file. False, with the failure told, when a read fails.
bool readImage(platform::File input) {
    image.size = 0;
    long got = 0;
    while (image.size < decompress::kImageCapacity &&
           (got = platform::readFile(input, image.bytes + image.size,
                                     decompress::kImageCapacity - image.size)) > 0) {
        image.size += static_cast<std::size_t>(got);
    }
    if (got < 0) {
        cli::report(cli::Failure::ReadInput);
    }
    return got >= 0;
}

// A listing begins with the name of the file it lists, brief or not.
void showStart(const RunOptions& options, const char* inputName, const char* outputName) {
    if (options.mode() == Mode::Decode) {
        printMessage("\nDecoding %s to %s\n", inputName, outputName);
    } else if (options.mode() == Mode::List) {
        base::printAnswer("\nListing %s\n", inputName);
    } else {
        printMessage("\nTesting %s\n", inputName);
    }
}

// Printable bytes as themselves; blanks, controls and bytes above 0x7E in hex.
void listPosition(unsigned position, std::uint8_t entry) {
    if (entry == 0) {
        base::printAnswer("Position %2u: free\n", position);
    } else if (entry > ' ' && entry < 0x7F) {
        base::printAnswer("Position %2u: %c\n", position, entry);
    } else {
        base::printAnswer("Position %2u: %02X\n", position, entry);
    }
}

// The header as far as it can be read; a placeholder's table as it stands.
void listHeader() {
    if (!decoded.headerRead) {
        return;
    }
    base::printAnswer("Finished:    %s\n",
                      decoded.header.flags == format::kFinishedFlags ? "yes" : "no");
    base::printAnswer("Characters:  %u\n", static_cast<unsigned>(decoded.header.characterCount));
    // A file read only up to one byte past the largest shows no more of its size.
    if (image.size > format::kLargestFile) {
        base::printAnswer("Compressed:  more than %u bytes\n",
                          static_cast<unsigned>(format::kLargestFile));
    } else {
        base::printAnswer("Compressed:  %u bytes\n", static_cast<unsigned>(image.size));
    }
    for (unsigned position = 0; position < format::kTableSize; ++position) {
        listPosition(position, decoded.header.table[position]);
    }
}

void listStream() {
    std::size_t size = decoded.length + decoded.lines; // each CR gains an LF
    auto ratio = size == 0 ? 0 : static_cast<unsigned>(image.size * 100 / size);
    base::printAnswer("Lines:       %u\n", static_cast<unsigned>(decoded.lines));
    base::printAnswer("Decoded:     %u bytes with CR LF line ends; compressed to %u%%\n",
                      static_cast<unsigned>(size), ratio);
}

// Made only now, from a sound file, and written with one write.
void writeBatchFile(const cli::Output& output, platform::File input) {
    cli::prepareOutput(output, input);
    cli::writeOutput(output, decoded.text, decoded.size);
}

void showResult(const RunOptions& options) {
    auto characters = static_cast<unsigned>(decoded.length);
    auto lines = static_cast<unsigned>(decoded.lines);
    if (options.mode() == Mode::List) {
        listStream();
    } else if (options.mode() == Mode::Test) {
        printMessage("File is sound: characters %u, lines %u\n", characters, lines);
    } else {
        printMessage("Decoding completed; characters %u, lines %u\n", characters, lines);
    }
    // squeezle gives each line a CR, bare LF or not: so long a text without one
    // most likely comes from another program that dropped bare LF line ends.
    if (decoded.lines == 0 && decoded.length > format::kLongestPiece) {
        base::warn(kNoReturn, 0);
    }
}

// Reads and checks the file, and lists its header when asked, even that of
// a faulty one; false, with the fault or failure told, unless it is sound.
bool readSoundFile(const RunOptions& options, const char* inputName, platform::File& input) {
    input = cli::tryOpenInput(inputName, false);
    if (!platform::isOpen(input)) {
        return false;
    }
    if (!readImage(input)) {
        return false;
    }
    // The text as the batch file gets it: each CR followed by an LF, unless /R.
    decompress::Fault fault = decompress::decode(image, decoded, !options.raw);
    if (options.mode() == Mode::List) {
        listHeader();
    }
    if (fault != decompress::Fault::None) {
        base::reportFailure(fault);
        return false;
    }
    return true;
}

} // namespace

const base::ProgramTexts kTexts{"UNSQUEEZLE",
                                "Batch file decompressor. Free software, without warranty.",
                                "[/L /T /R /O /Q /B] input_file [output_file]\n"
                                "    /L list contents of every file named\n"
                                "    /T test every file named\n"
                                "    /R raw: add no LF after each CR\n"
                                "    /O overwrite file\n"
                                "    /Q quiet\n"
                                "    /B brief: warnings and failures only, on standard error\n"};

void run(const RunOptions& options, const char* inputName, const char* outputName) {
    showStart(options, inputName, outputName);
    cli::Output output = cli::outputOf(outputName, options.overwrite);
    cli::refuseOutputName(inputName, output);
    platform::File input = platform::kNoFile;
    if (!readSoundFile(options, inputName, input)) {
        platform::exitProcess(base::kExitFailure);
    }
    writeBatchFile(output, input);
    platform::closeFile(input);
    showResult(options);
}

bool examine(const RunOptions& options, const char* inputName) {
    base::setSubject(inputName);
    showStart(options, inputName, "");
    platform::File input = platform::kNoFile;
    bool sound = readSoundFile(options, inputName, input);
    if (platform::isOpen(input)) {
        platform::closeFile(input);
    }
    if (sound) {
        showResult(options);
    }
    return sound;
}

} // namespace unsqueezle
