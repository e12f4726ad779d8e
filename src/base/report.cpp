#include "base/report.h"

#include <cstdarg>

namespace base {
namespace {

// The program this run speaks for, and whether /Q has silenced it. Each
// message reads `quiet` as it is printed.
struct Reporting {
    const ProgramTexts* program;
    bool quiet;
};
Reporting reporting{nullptr, false};

void printUsage() {
    printMessage("\nUsage:  %s %s", reporting.program->name, reporting.program->usage);
}

} // namespace

void setProgramTexts(const ProgramTexts& program) {
    reporting.program = &program;
}

void setQuiet() {
    reporting.quiet = true;
}

// No default: a failure added without its text does not build.
const char* failureMessage(Failure failure) {
    switch (failure) {
    case Failure::None:
        break;
    case Failure::SameName:
        return "Input and output files must have different names";
    case Failure::OutputExists:
        return "Cannot overwrite existing output file";
    case Failure::OpenInput:
        return "Cannot open input file";
    case Failure::OpenOutput:
        return "Cannot open output file";
    case Failure::SeekInput:
        return "Seek error on input file";
    case Failure::ReadInput:
        return "Error reading input file";
    case Failure::WriteOutput:
        return "Error writing output file";
    case Failure::SeekOutput:
        return "Seek error on output file";
    case Failure::TooLarge:
        return "File too large to compress";
    case Failure::AlreadyCompressed:
        return "Input file is already compressed";
    case Failure::NameTooLong:
        return "File name too long";
    case Failure::ShortFile:
        return "File is shorter than a compressed file's header";
    case Failure::NotCompressed:
        return "Input file is not a compressed file";
    case Failure::FileTooLong:
        return "File is longer than any compressed file can be";
    case Failure::Unfinished:
        return "Compressed file is unfinished: the compressing run did not finish";
    case Failure::UnknownFlags:
        return "Compressed file has unknown flags";
    case Failure::ReservedSet:
        return "Compressed file has a reserved byte that is not 0";
    case Failure::CountTooLarge:
        return "Character count is larger than any compressed file holds";
    case Failure::TableGap:
        return "Character table holds a byte after a free position";
    case Failure::TableRepeats:
        return "Character table holds a byte twice";
    case Failure::StreamEnds:
        return "Code stream ends before the last character";
    case Failure::FreePosition:
        return "Code names a free position of the character table";
    case Failure::NeedlessLiteral:
        return "Literal codes a byte that the character table holds";
    case Failure::LiteralNul:
        return "Code stream holds a NUL character";
    case Failure::TerminatorInText:
        return "Text holds a line feed or a Ctrl-Z";
    case Failure::BytesAfterStream:
        return "Bytes follow the end of the code stream";
    case Failure::PaddingSet:
        return "Padding after the last code is not 0";
    case Failure::TableUnused:
        return "Character table holds a byte that the text lacks";
    case Failure::LiteralBesideFree:
        return "Literal codes a byte while the character table has a free position";
    case Failure::TableOutOfOrder:
        return "Character table is not in order of the text's counts";
    }
    return "Unknown error";
}

void printMessage(const char* format, ...) {
    if (reporting.quiet) {
        return;
    }
    std::va_list arguments;
    va_start(arguments, format);
    platform::print(format, arguments);
    va_end(arguments);
}

void printText(const char* text) {
    if (!reporting.quiet) {
        platform::printText(text);
    }
}

void showBanner() {
    printMessage("\n%s " SQUEEZLE_VERSION "\n%s\n", reporting.program->name,
                 reporting.program->notice);
}

void showUsage() {
    printUsage();
    platform::exitProcess(kExitUsage);
}

void answerHelp() {
    printUsage();
    platform::exitProcess(kExitSuccess);
}

void answerVersion() {
    showBanner();
    platform::exitProcess(kExitSuccess);
}

void fail(Failure failure) {
    printMessage("\n%s failed:  %s\n", reporting.program->name, failureMessage(failure));
    platform::exitProcess(kExitFailure);
}

} // namespace base
