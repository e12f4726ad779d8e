// Command lines as a user types them, run in an empty folder: what the tool
// prints and how it ends. No input file exists, so an accepted command line
// ends at "Cannot open input file", after the start line shows both names.
#include "support/tool.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

struct CommandCase {
    std::vector<std::string> arguments;
    std::string output;
    int status;
};

void PrintTo(const CommandCase& command, std::ostream* out) {
    *out << "squeezle";
    for (const std::string& argument : command.arguments) {
        *out << " '" << argument.substr(0, 12) << (argument.size() > 12 ? "...'" : "'");
    }
}

std::string opened(const std::string& input, const std::string& output) {
    return banner() + start(input, output) + failure("Cannot open input file");
}

const std::string k259(259, 'n'), k260(260, 'n');

class CommandLine : public ::testing::TestWithParam<CommandCase> {};

TEST_P(CommandLine, EndsAsTheUserExpects) {
    TempFolder folder;
    ToolResult run = runTool(GetParam().arguments, folder.path());
    EXPECT_EQ(run.output, GetParam().output);
    EXPECT_EQ(run.status, GetParam().status);
    EXPECT_EQ(run.errors, "");
}

INSTANTIATE_TEST_SUITE_P(
    Usage, CommandLine,
    ::testing::Values(CommandCase{{}, usage(), 1}, CommandCase{{"/?"}, usage(), 1},
                      CommandCase{{"/?", "a.bat"}, usage(), 1},
                      // /Q is parsed before the missing name is noticed.
                      CommandCase{{"/q"}, "", 1}, CommandCase{{"/Q", "/X", "a.bat"}, "", 1},
                      // The usage message comes while /X is examined, before /Q.
                      CommandCase{{"/X", "/Q", "a.bat"}, usage(), 1},
                      CommandCase{{"/"}, usage(), 1}, CommandCase{{"a.bat", "/?"}, usage(), 1},
                      CommandCase{{"a.bat", "b.zcl", "c.zcl"}, usage(), 1},
                      CommandCase{{"a.bat", "b.zcl", ""}, usage(), 1},
                      CommandCase{{"", ""}, usage(), 1}));

INSTANTIATE_TEST_SUITE_P(
    Names, CommandLine,
    ::testing::Values(CommandCase{{"setup.bat"}, opened("setup.bat", "setup.zcl"), 2},
                      CommandCase{{"MAKE"}, opened("MAKE", "MAKE.zcl"), 2},
                      CommandCase{{"a.b.c"}, opened("a.b.c", "a.b.zcl"), 2},
                      CommandCase{{"name."}, opened("name.", "name.zcl"), 2},
                      CommandCase{{"dir.x\\run"}, opened("dir.x\\run", "dir.zcl"), 2},
                      CommandCase{{"a.bat", "out"}, opened("a.bat", "out"), 2},
                      CommandCase{{"/Kx", "a.bat", "/o"}, opened("a.bat", "a.zcl"), 2},
                      CommandCase{{"", "a.bat"}, opened("a.bat", "a.zcl"), 2},
                      CommandCase{{"a.bat", "", "b"}, opened("a.bat", "b"), 2},
                      CommandCase{{"/Quiet", "a.bat"}, "", 2}));

// The name and the derived name each fit in 259 bytes, or are refused.
INSTANTIATE_TEST_SUITE_P(
    Lengths, CommandLine,
    ::testing::Values(CommandCase{{k259, "o"}, opened(k259, "o"), 2},
                      CommandCase{{k260, "o"}, failure("File name too long"), 2},
                      CommandCase{{"i", k260}, failure("File name too long"), 2},
                      CommandCase{{k259.substr(4) + ".bat"},
                                  opened(k259.substr(4) + ".bat", k259.substr(4) + ".zcl"), 2},
                      CommandCase{{k259.substr(4)},
                                  opened(k259.substr(4), k259.substr(4) + ".zcl"), 2},
                      CommandCase{{k259.substr(3)}, banner() + failure("File name too long"),
                                  2}));

INSTANTIATE_TEST_SUITE_P(
    SameName, CommandLine,
    ::testing::Values(
        CommandCase{{"a.bat", "A.BAT"},
                    banner() + start("a.bat", "A.BAT") +
                        failure("Input and output files must have different names"),
                    2},
        CommandCase{{"old.zcl"},
                    banner() + start("old.zcl", "old.zcl") +
                        failure("Input and output files must have different names"),
                    2}));

// On POSIX an absolute path is a name even though it begins with '/'; on
// Windows it is the option /O. Neither expands wildcards.
TEST(CommandLinePlatform, SlashesAndWildcardsFollowThePlatform) {
    TempFolder folder;
    writeBytes(folder / "a.bat", "echo\r\n");
    ToolResult run = runTool({"setup.bat", "/opt/out/setup.zcl"}, folder.path());
    EXPECT_EQ(run.output, testingWindowsBuild() ? opened("setup.bat", "setup.zcl")
                                                : opened("setup.bat", "/opt/out/setup.zcl"));
    EXPECT_EQ(runTool({"*.bat"}, folder.path()).output, opened("*.bat", "*.zcl"));
}

} // namespace
