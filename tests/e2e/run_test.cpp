// Whole runs of the tool on real files: the output bytes, every message and
// the exit status, and what happens to the files when a run is refused.
#include "support/decoder.h"
#include "support/tool.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace testing_support;

namespace {

const std::string kCompressedAb = std::string("\xBE\xEB\x8C\x00\x03\x00\x0E\x03\x62", 9) +
                                  std::string(27, '\0') + "\x34\x20";

// The worked example: one line a, b, CR. Table CR, a, b; codes 3, 4, 2.
// On POSIX the output gets ordinary permissions: 0666 less the umask.
TEST(Run, WorkedExampleGivesTheDocumentedBytesAndWarning) {
    TempFolder folder;
    writeBytes(folder / "t.bat", "ab\r\n");
    ToolSetup umask027;
    umask027.inChild = [] { ::umask(027); };
    ToolResult run = runTool({"t.bat"}, folder.path(), umask027);
    EXPECT_EQ(run.output, banner() + start("t.bat", "t.zcl") + progress(1) + progress(1) +
                              result(950));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.errors, "");
    EXPECT_EQ(readBytes(folder / "t.zcl"), kCompressedAb);
    struct stat status {};
    ASSERT_EQ(::stat((folder / "t.zcl").c_str(), &status), 0);
    if (!testingWindowsBuild()) {
        EXPECT_EQ(status.st_mode & 0777, 0640u);
    }
}

TEST(Run, EmptyInputGivesTheHeaderAloneAndNoWarning) {
    TempFolder folder;
    writeBytes(folder / "e.bat", "");
    ToolResult run = runTool({"e.bat", "/q"}, folder.path());
    EXPECT_EQ(run.output, "");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(readBytes(folder / "e.zcl"),
              std::string("\xBE\xEB\x8C\x00\x00\x00", 6) + std::string(30, '\0'));
    run = runTool({"/O", "e.bat"}, folder.path());
    EXPECT_EQ(run.output, banner() + start("e.bat", "e.zcl") + result(0));
}

// 78 'a' and the CR their LF gets: 36 + 40 bytes for a source of 80 is 95%;
// 76 'a': 75 for 78 is 96%.
TEST(Run, WarningStartsAboveNinetyFivePercent) {
    TempFolder folder;
    for (auto [length, percent] : {std::pair{78, 95}, std::pair{76, 96}}) {
        writeBytes(folder / "w.bat", std::string(static_cast<std::size_t>(length), 'a') + "\n");
        ToolResult run = runTool({"/o", "w.bat"}, folder.path());
        EXPECT_EQ(run.output, banner() + start("w.bat", "w.zcl") + progress(1) + progress(1) +
                                  result(percent));
    }
}

// /K drops comment lines and lines empty after trimming, in both passes; a
// bare LF gets its CR first, so the blanks before it stay.
TEST(Run, RemoveCommentsKeepsOnlyCommands) {
    TempFolder folder;
    writeBytes(folder / "k.bat", "@echo off\r\n:: note\r\nREM x\r\n\r\n   \n"
                                 "rem >log.txt\nrem\tx\n:label\n  \t");
    ToolResult run = runTool({"/k", "k.bat"}, folder.path());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output.substr(0, run.output.find("Compression completed")),
              banner() + start("k.bat", "k.zcl") + progress(6) + progress(6));
    EXPECT_EQ(decode(readBytes(folder / "k.zcl")).text,
              "@echo off\r\r   \rrem >log.txt\rrem\tx\r:label\r");
}

// Sources are counted as line length plus one: 63 lines of 1023 bytes and one
// of 926, each with the CR its LF gets, make 65503, the largest source; one
// byte more is refused.
TEST(Run, SourceSizeLimitIs65503) {
    TempFolder folder;
    std::string lines;
    for (int i = 0; i < 63; ++i) {
        lines += std::string(1023, 'x') + "\n";
    }
    writeBytes(folder / "big.bat", lines + std::string(926, 'x') + "\n");
    ToolResult run = runTool({"/q", "big.bat"}, folder.path());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(decode(readBytes(folder / "big.zcl")).text.size(), 63u * 1024 + 927);

    writeBytes(folder / "big.bat", lines + std::string(927, 'x') + "\n");
    run = runTool({"/o", "big.bat"}, folder.path());
    EXPECT_EQ(run.status, 2);
    std::string tail = progress(64) + failure("File too large to compress");
    EXPECT_EQ(run.output.substr(run.output.size() - tail.size()), tail);
}

// 2048 codes fill the 1024-byte buffer exactly: nothing is padded or added.
TEST(Run, StreamEndsExactlyAtTheBufferBoundary) {
    TempFolder folder;
    for (std::size_t codes : {2048u, 2049u}) {
        writeBytes(folder / "b.bat", std::string(codes, 'a'));
        ASSERT_EQ(runTool({"/q", "/o", "b.bat"}, folder.path()).status, 0);
        EXPECT_EQ(readBytes(folder / "b.zcl").size(), 36 + (codes + 1) / 2);
    }
}

// Many lines print more than the console buffer holds: none may be lost, on a
// pipe, on an interactive terminal, or with nobody left reading at all.
TEST(Run, ProgressCountsEveryKeptLineOfEachPass) {
    TempFolder folder;
    std::string lines;
    for (int i = 0; i < 300; ++i) {
        lines += "echo " + std::to_string(i) + "\r\n";
    }
    writeBytes(folder / "p.bat", lines);
    std::string expected = banner() + start("p.bat", "p.zcl") + progress(300) + progress(300);
    ToolResult run = runTool({"p.bat"}, folder.path());
    EXPECT_EQ(run.output.substr(0, expected.size()), expected);
    ToolSetup terminal;
    terminal.standardOutputIsTerminal = !testingWindowsBuild();
    EXPECT_EQ(runTool({"/o", "p.bat"}, folder.path(), terminal).output, run.output);
    ToolSetup nobodyReading;
    nobodyReading.inChild = [] {
        int gone[2];
        if (::pipe(gone) == 0) {
            ::close(gone[0]);
            ::dup2(gone[1], 1);
        }
    };
    std::string before = readBytes(folder / "p.zcl");
    ASSERT_EQ(::unlink((folder / "p.zcl").c_str()), 0);
    EXPECT_EQ(runTool({"p.bat"}, folder.path(), nobodyReading).status, 0);
    EXPECT_EQ(readBytes(folder / "p.zcl"), before);
}

TEST(Run, ReplacesAnExistingOutputOnlyWithOverwrite) {
    TempFolder folder;
    writeBytes(folder / "t.bat", "ab\r\n");
    writeBytes(folder / "b.zcl", "keep me");
    ToolResult run = runTool({"t.bat", "b.zcl"}, folder.path());
    EXPECT_EQ(run.output, banner() + start("t.bat", "b.zcl") +
                              failure("Cannot overwrite existing output file"));
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(readBytes(folder / "b.zcl"), "keep me");
    EXPECT_EQ(runTool({"t.bat", "b.zcl", "/o"}, folder.path()).status, 0);
    EXPECT_EQ(readBytes(folder / "b.zcl"), kCompressedAb);
}

TEST(Run, RefusesAnAlreadyCompressedInputBeforeCreatingTheOutput) {
    TempFolder folder;
    writeBytes(folder / "t.zcl", kCompressedAb);
    ToolResult run = runTool({"t.zcl", "again.zcl"}, folder.path());
    EXPECT_EQ(run.output, banner() + start("t.zcl", "again.zcl") +
                              failure("Input file is already compressed"));
    EXPECT_EQ(run.status, 2);
    EXPECT_FALSE(exists(folder / "again.zcl"));
}

// The input named again as the output, through another name: refused before
// a byte of the input is touched, with /O and without.
TEST(Run, NeverWritesOverItsOwnInput) {
    TempFolder folder;
    writeBytes(folder / "in.bat", "echo on\r\n");
    std::string folderName = folder.path().substr(folder.path().rfind('/') + 1);
    std::vector<std::string> aliases = {"./in.bat", "hard.bat", "soft.bat"};
    if (testingWindowsBuild()) {
        aliases.insert(aliases.end(), {".\\in.bat", "..\\" + folderName + "\\in.bat"});
    } else {
        aliases.insert(aliases.end(), {"../" + folderName + "/in.bat", folder / "in.bat"});
    }
    ASSERT_EQ(::link((folder / "in.bat").c_str(), (folder / "hard.bat").c_str()), 0);
    ASSERT_EQ(::symlink("in.bat", (folder / "soft.bat").c_str()), 0);
    for (const std::string& alias : aliases) {
        ToolResult run = runTool({"in.bat", alias}, folder.path());
        EXPECT_EQ(run.output, banner() + start("in.bat", alias) +
                                  failure("Cannot overwrite existing output file"));
        run = runTool({"/O", "in.bat", alias}, folder.path());
        EXPECT_EQ(run.output,
                  banner() + start("in.bat", alias) + failure("Cannot open output file"));
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(readBytes(folder / "in.bat"), "echo on\r\n") << alias;
    }
}

TEST(Run, MissingInputIsReportedAndNothingIsCreated) {
    TempFolder folder;
    ToolResult run = runTool({"none.bat"}, folder.path());
    EXPECT_EQ(run.output, banner() + start("none.bat", "none.zcl") +
                              failure("Cannot open input file"));
    EXPECT_FALSE(exists(folder / "none.zcl"));
}

// A long command keeps the blank that falls on the cut between two reads; a
// long comment goes whole under /K, and a piece that merely looks like a
// comment stays with the command it continues.
TEST(Run, LongLinesSurviveWhole) {
    TempFolder folder;
    std::string command = "echo " + std::string(1018, 'x') + " world\r\n"; // blank at 1023
    std::string comment = "rem " + std::string(1020, 'y') + "del *.*\r\n";
    std::string cutBeforeRem = "echo " + std::string(1019, 'z') + "rem not a comment\r\n";
    writeBytes(folder / "long.bat", command + comment + cutBeforeRem);
    ASSERT_EQ(runTool({"/q", "/k", "long.bat"}, folder.path()).status, 0);
    EXPECT_EQ(decode(readBytes(folder / "long.zcl")).text,
              command.substr(0, command.size() - 1) +
                  cutBeforeRem.substr(0, cutBeforeRem.size() - 1));
}

// A line of 1023 bytes and its CR fills a read and leaves an empty piece:
// kept with its line, so the source counts 1025 + 1 bytes against 36 + 512
// written: 53%.
TEST(Run, EmptyTailOfAKeptLongLineIsKept) {
    TempFolder folder;
    writeBytes(folder / "l.bat", std::string(1023, 'x') + "\r\n");
    ToolResult run = runTool({"/k", "l.bat"}, folder.path());
    EXPECT_EQ(run.output.substr(banner().size()),
              start("l.bat", "l.zcl") + progress(2) + progress(2) + result(53));
}

// Text with bare LF line ends: each LF without a CR before it in the file is
// read as if one stood there, so the file shows every line end as its CR.
struct LineEndCase {
    const char* name;
    std::string input;
    bool removeComments;
    std::string kept;     // what the file decodes to
    std::string crLfForm; // if given, a file that compresses to the same bytes
};

void PrintTo(const LineEndCase& lineEnd, std::ostream* out) { *out << lineEnd.name; }

const std::string k1023(1023, 'x'), k1024(1024, 'x');

class LineEnds : public ::testing::TestWithParam<LineEndCase> {};

TEST_P(LineEnds, DecodeToTheirCrs) {
    const LineEndCase& lineEnd = GetParam();
    TempFolder folder;
    writeBytes(folder / "lf.bat", lineEnd.input);
    writeBytes(folder / "crlf.bat", lineEnd.crLfForm);
    std::vector<std::string> arguments = {"/q", "lf.bat"};
    if (lineEnd.removeComments) {
        arguments.push_back("/k");
    }
    ASSERT_EQ(runTool(arguments, folder.path()).status, 0);
    Decoded decoded = decode(readBytes(folder / "lf.zcl"));
    EXPECT_EQ(decoded.fault, "");
    EXPECT_EQ(decoded.text, lineEnd.kept);
    if (!lineEnd.crLfForm.empty()) {
        arguments[1] = "crlf.bat";
        ASSERT_EQ(runTool(arguments, folder.path()).status, 0);
        EXPECT_EQ(readBytes(folder / "crlf.zcl"), readBytes(folder / "lf.zcl"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Run, LineEnds,
    ::testing::Values(
        LineEndCase{"Script", "@echo off\ncd \\tmp\necho done\n", false,
                    "@echo off\rcd \\tmp\recho done\r",
                    "@echo off\r\ncd \\tmp\r\necho done\r\n"},
        LineEndCase{"Mixed", "a\r\nb\n\r\nc\rd\n", false, "a\rb\r\rc\rd\r",
                    "a\r\nb\r\n\r\nc\rd\r\n"},
        // The second pass starts afresh, not after the CR that ended the first.
        LineEndCase{"LineFeedFirstInTheFile", "\nab\r", false, "\rab\r", "\r\nab\r"},
        LineEndCase{"LineFeedAfterACutPiece", k1024 + "\nb\n", false, k1024 + "\rb\r",
                    k1024 + "\r\nb\r\n"},
        LineEndCase{"LineFeedAfterAPieceEndingInCr", k1023 + "\r\nb\n", false, k1023 + "\rb\r",
                    k1023 + "\r\nb\r\n"},
        LineEndCase{"SecondLineFeedBeginningARead", k1023 + "\n\nb\n", false,
                    k1023 + "\r\rb\r", ""},
        // With its CR the line fills the buffer but is whole: the comment after
        // it is no tail of it.
        LineEndCase{"LineOf1023Bytes", k1023 + "\nrem x\n", true, k1023 + "\r", ""},
        LineEndCase{"BlanksBeforeTheLineFeedStay", "echo a  \n\t\nx \t", false,
                    "echo a  \r\t\rx", "echo a  \r\n\t\r\nx \t"},
        LineEndCase{"RemoveComments", "::x\nrem y\n\n\nrem\n   \nREM >z\n", true,
                    "\rrem\r   \rREM >z\r", ""},
        LineEndCase{"NulBeforeTheLineFeed", std::string("a \0\nb\0c\nd\n", 10), false, "abd\r",
                    std::string("a \0\r\nb\0c\r\nd\r\n", 13)},
        LineEndCase{"CtrlZOrTheEndGetsNoCr", "a\nb\x1a\n", false, "a\rb", "a\r\nb\x1a\n"}),
    [](const ::testing::TestParamInfo<LineEndCase>& info) { return info.param.name; });

} // namespace
