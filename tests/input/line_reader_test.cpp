#include "input/line_reader.h"

#include "support/tool.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace testing_support;

namespace {

// A delivered piece: its text, and '+' after it when the reader cut it.
std::vector<std::string> readAll(const std::string& bytes) {
    TempFolder folder;
    writeBytes(folder / "in.bat", bytes);
    platform::File file = platform::openExclusive((folder / "in.bat").c_str());
    static input::LineBuffer line;
    input::beginText(line);
    std::vector<std::string> pieces;
    while (input::readLine(file, line) > 0) {
        pieces.push_back(std::string(line.text) + (line.cut ? "+" : ""));
        EXPECT_LT(pieces.size(), 100u) << "no end of text";
    }
    platform::closeFile(file);
    return pieces;
}

struct ReaderCase {
    const char* name;
    std::string bytes;
    std::vector<std::string> pieces;
};

void PrintTo(const ReaderCase& reader, std::ostream* out) { *out << reader.name; }

const std::string k1023(1023, 'x'), k1024(1024, 'x');

class LineReaderCases : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(LineReaderCases, DeliversTheseLines) {
    EXPECT_EQ(readAll(GetParam().bytes), GetParam().pieces);
}

INSTANTIATE_TEST_SUITE_P(
    LineReader, LineReaderCases,
    ::testing::Values(
        ReaderCase{"CrStaysInTheLine", "a\r\nb\r\n", {"a\r", "b\r"}},
        ReaderCase{"BareLineFeedGetsACr", "\nx\n", {"\r", "x\r"}},
        ReaderCase{"SwallowsSecondLineFeedInSameRead", "a\n\nb", {"a\r", "b"}},
        ReaderCase{"ThirdLineFeedStartsALine", "a\n\n\nb\n", {"a\r", "\r", "b\r"}},
        ReaderCase{"CtrlZEndsTheText", std::string("a\x1a") + "b\n", {"a"}},
        ReaderCase{"CtrlZFirstEndsAtOnce", "\x1a\n", {}},
        ReaderCase{"EmptyFile", "", {}},
        ReaderCase{"NulEndsTheLineEarly", std::string("a\0b\nc\n", 6), {"a", "c\r"}},
        ReaderCase{"LongLineComesInPieces", k1024 + "tail\n", {k1024 + "+", "tail\r"}},
        ReaderCase{"LineOfExactlyOneReadLeavesItsCr", k1024 + "\n", {k1024 + "+", "\r"}},
        ReaderCase{"CrEndingACutPieceStandsBeforeTheLineFeed", k1023 + "\r\nb",
                   {k1023 + "\r+", "", "b"}},
        ReaderCase{"LineAndItsLineFeedFillingAReadIsNotCut", k1023 + "\nb", {k1023 + "\r", "b"}},
        ReaderCase{"SecondLineFeedInTheNextReadStartsALine", k1023 + "\n\nb",
                   {k1023 + "\r", "\r", "b"}},
        ReaderCase{"LastPieceOfAFileIsNotCut", "x  ", {"x  "}},
        // The swallowed LF stays in the buffer just past the last line's bytes.
        ReaderCase{"BytesPastTheReadAreNoLineEnd", "a\r\n\nxyz", {"a\r", "xyz"}}),
    [](const ::testing::TestParamInfo<ReaderCase>& info) { return info.param.name; });

TEST(LineReader, FailedReadEndsTheRun) {
    TempFolder folder;
    writeBytes(folder / "in.bat", "echo\n");
    int writeOnly = ::open((folder / "in.bat").c_str(), O_WRONLY);
    static input::LineBuffer line;
    EXPECT_EXIT(input::readLine(platform::File{writeOnly}, line), ::testing::ExitedWithCode(2), "");
}

TEST(LineReader, TrimsOnlyTrailingBlanksAndTabs) {
    for (auto [before, after] : std::vector<std::pair<std::string, std::string>>{
             {"x  \t", "x"}, {"x  \r", "x  \r"}, {" \t ", ""}, {" x", " x"}, {"", ""}}) {
        std::vector<char> line(before.begin(), before.end());
        line.push_back('\0');
        input::trimTrailingBlanks(line.data());
        EXPECT_EQ(std::string(line.data()), after) << before;
    }
}

TEST(LineReader, RecognisesExactlyTheCommentLines) {
    for (const char* comment : {"", "::label", "REM note", "rem  >log.txt", "Rem x"}) {
        EXPECT_TRUE(input::isCommentLine(comment)) << comment;
    }
    for (const char* ordinary : {"rem >log.txt", "REM >x", " rem note", "@rem note", "rem",
                                 "rem\tx", "rem\r", "\r", ":label", "remark"}) {
        EXPECT_FALSE(input::isCommentLine(ordinary)) << ordinary;
    }
}

} // namespace
