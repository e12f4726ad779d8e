// Every failure the tool reports, caused for real: a full disk, pipes and
// devices that cannot be rewound, a read error, files held by another process,
// folders, long names. Each run must say exactly what went wrong, end with
// status 2, write nothing to standard error and leave its input as it was.
// Unusual but sound surroundings, last, must change nothing.
#include "support/decoder.h"
#include "support/tool.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

using namespace testing_support;

namespace {

class Fault : public ::testing::Test {
protected:
    void SetUp() override { writeBytes(folder / "in.bat", input); }

    // Runs `options` and the two names, and expects the run to fail with
    // `message`, after the banner, the start line and any progress lines.
    ToolResult expectFailure(std::vector<std::string> options, const std::string& inputName,
                             const std::string& outputName, const std::string& message,
                             const ToolSetup& setup = {}) {
        options.insert(options.end(), {inputName, outputName});
        ToolResult run = runTool(options, folder.path(), setup);
        std::string opening = banner() + start(inputName, outputName);
        EXPECT_EQ(run.output.substr(0, opening.size()), opening);
        std::string ending = failure(message);
        EXPECT_EQ(run.output.substr(run.output.size() - std::min(run.output.size(), ending.size())),
                  ending);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.errors, "");
        EXPECT_EQ(readBytes(folder / "in.bat"), input);
        return run;
    }

    static bool printedAnyLine(const ToolResult& run) {
        return run.output.find("Compressing line") != std::string::npos;
    }

    TempFolder folder;
    // 1100 'x' code to 1100 nibbles: the stream is 550 bytes, so 36 + 550.
    // Three such lines give 1650 bytes: one full buffer and a short rest.
    std::string input = std::string(1100, 'x') + "\r\n" + std::string(1100, 'x') + "\r\n" +
                        std::string(1100, 'x') + "\r\n";
};

// Faults that only POSIX can cause this way: under Wine a size limit reaches
// Wine's own server, and /dev/stdin, /proc/self/mem, flock() and the bytes of
// an argument have no Windows meaning.
class PosixFault : public Fault {
protected:
    void SetUp() override {
        if (testingWindowsBuild()) {
            GTEST_SKIP() << "a POSIX fault";
        }
        Fault::SetUp();
    }
};

// A full disk, as a file size limit: it cuts the placeholder header, then a
// full 1024-byte buffer, then the last short write. A limit that falls
// between two writes raises its signal, which must not end the run unheard.
TEST_F(PosixFault, ShortWriteIsAnError) {
    for (rlim_t limit : {20, 36, 36 + 1000, 36 + 1024, 36 + 1024 + 100}) {
        ToolSetup setup;
        setup.inChild = [limit] {
            rlimit size{limit, limit};
            ::setrlimit(RLIMIT_FSIZE, &size);
        };
        expectFailure({"/O"}, "in.bat", "out.zcl", "Error writing output file", setup);
        EXPECT_EQ(readBytes(folder / "out.zcl").size(), limit);
    }
}

// A pipe as output is refused before a byte goes to it, the header included.
// The tool would be its own reader and block once a stream passes the pipe's
// buffer: 222 byte values, most of them outside the table at a byte and a
// half each, make 60,000 source bytes into more than 64 KiB of stream.
TEST_F(Fault, OutputPipeIsRefusedBeforeAnythingIsWritten) {
    std::string cycle;
    for (int i = 0; i < 60000; ++i) {
        cycle += std::string(1, static_cast<char>(0x21 + i % 222)) + (i % 100 == 99 ? "\r\n" : "");
    }
    writeBytes(folder / "big.bat", cycle);
    ASSERT_EQ(::mkfifo((folder / "pipe.zcl").c_str(), 0600), 0);
    int reader = ::open((folder / "pipe.zcl").c_str(), O_RDONLY | O_NONBLOCK);
    for (const char* name : {"in.bat", "big.bat"}) {
        ToolSetup setup;
        setup.timeLimitSeconds = 20;
        ToolResult run =
            expectFailure({"/O"}, name, "pipe.zcl", "Seek error on output file", setup);
        EXPECT_FALSE(printedAnyLine(run));
        char byte = 0;
        EXPECT_LE(::read(reader, &byte, 1), 0) << name;
    }
    ::close(reader);
}

// A pipe, or a device that reads for ever, has no start to come back to: the
// run fails at its first rewind, before any line, and leaves an empty output.
TEST_F(PosixFault, InputThatCannotBeRewound) {
    ToolSetup pipe;
    pipe.standardInput = input;
    pipe.standardInputIsPipe = true;
    const std::tuple<std::vector<std::string>, const char*, ToolSetup> cases[] = {
        {{"/O"}, "/dev/stdin", pipe},
        {{"/O"}, "/dev/zero", {}},
        {{"/O", "/K"}, "/dev/zero", {}},
        {{"/O"}, "/dev/urandom", {}},
    };
    for (auto [options, name, setup] : cases) {
        setup.timeLimitSeconds = 20;
        ToolResult run = expectFailure(options, name, "out.zcl", "Seek error on input file", setup);
        EXPECT_FALSE(printedAnyLine(run)) << name;
        EXPECT_TRUE(exists(folder / "out.zcl"));
        EXPECT_EQ(readBytes(folder / "out.zcl"), "");
    }
}

// Reading a process's own memory at offset 0 fails with an I/O error.
TEST_F(PosixFault, FailedReadIsAnErrorNotTheEnd) {
    expectFailure({}, "/proc/self/mem", "out.zcl", "Error reading input file");
}

TEST_F(PosixFault, FilesHeldByAnotherProgramAreLeftAlone) {
    writeBytes(folder / "out.zcl", "theirs");
    for (const char* name : {"in.bat", "out.zcl"}) {
        int held = ::open((folder / name).c_str(), O_RDONLY);
        ASSERT_EQ(::flock(held, LOCK_EX), 0);
        bool holdsInput = std::string(name) == "in.bat";
        const char* message = holdsInput ? "Cannot open input file" : "Cannot open output file";
        expectFailure({"/O"}, "in.bat", "out.zcl", message);
        if (!holdsInput) {
            // Held output: not taken for an existing file, and kept whole.
            expectFailure({}, "in.bat", "out.zcl", message);
        }
        EXPECT_EQ(readBytes(folder / "out.zcl"), "theirs");
        ::close(held);
    }
}

TEST_F(Fault, FoldersAreNoFiles) {
    ASSERT_EQ(::mkdir((folder / "dir.bat").c_str(), 0700), 0);
    ASSERT_EQ(::mkdir((folder / "dir.zcl").c_str(), 0700), 0);
    expectFailure({}, "dir.bat", "x.zcl", "Cannot open input file");
    expectFailure({}, "in.bat", "dir.zcl", "Cannot open output file");
    expectFailure({"/O"}, "in.bat", "dir.zcl", "Cannot open output file");
    expectFailure({}, "in.bat", "none/x.zcl", "Cannot open output file");
}

// A name of 259 bytes is a real file; one of 260 is refused, given or derived.
TEST_F(Fault, NamesUpTo259BytesReachTheirFiles) {
    std::string sub(100, 'd');
    ASSERT_EQ(::mkdir((folder / sub).c_str(), 0700), 0);
    std::string name259 = sub + "/" + std::string(154, 'f') + ".bat"; // derives 255 + ".zcl"
    writeBytes(folder / name259, "echo\r\n");
    ToolResult run = runTool({"/q", name259}, folder.path());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(decode(readBytes(folder / (name259.substr(0, 255) + ".zcl"))).text, "echo\r");
    std::string name256 = sub + "/" + std::string(155, 'f'); // derives 260 bytes
    writeBytes(folder / name256, "echo\r\n");
    run = runTool({name256}, folder.path());
    EXPECT_EQ(run.output, banner() + failure("File name too long"));
    EXPECT_EQ(run.status, 2);
}

// Only ASCII letters fold: these two names are two files.
TEST_F(PosixFault, NonAsciiNamesAreNeverFolded) {
    writeBytes(folder / "\xC4.bat", "echo\r\n");
    writeBytes(folder / "\xE4.bat", "other");
    ToolResult run = runTool({"/q", "/o", "\xC4.bat", "\xE4.bat"}, folder.path());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(decode(readBytes(folder / "\xE4.bat")).text, "echo\r");
}

// Closes the standard streams below `count` in the child, as `<&- >&-` does.
std::function<void()> closingStreams(int count) {
    return [count] {
        for (int descriptor = 0; descriptor < count; ++descriptor) {
            ::close(descriptor);
        }
    };
}

// Closed standard streams, an input reached through /dev/stdin, a console
// under a size limit or on a non-blocking pipe read late: the run completes,
// its output decodes to its lines, and its console shows what an ordinary
// run shows, as far as the console takes it (`kept` bytes, of a console lost
// when closed, cut in a file at the limit). 3000 lines make a console of
// 130 KB, past the tool's buffer and a pipe's, and an output of 7536 bytes.
TEST_F(PosixFault, UnusualSurroundingsChangeNothing) {
    std::string lines;
    for (int i = 0; i < 3000; ++i) {
        lines += "echo\r\n";
    }
    writeBytes(folder / "many.bat", lines);
    const std::size_t all = std::string::npos;
    struct Case {
        const char* what;
        const char* inputName;
        std::function<void()> inChild;
        const char* consoleFile; // "" for the pipe
        std::size_t kept;
        unsigned readLate = 0;
    };
    const Case cases[] = {
        {"stdin, stdout closed", "many.bat", closingStreams(2), "", 0},
        {"stdin, stdout, stderr closed", "many.bat", closingStreams(3), "", 0},
        {"input on stdin", "/dev/stdin", [] { ::dup2(::open("many.bat", O_RDONLY), 0); }, "", all},
        {"console in a size-limited file", "many.bat",
         [] {
             ::dup2(::open("console.txt", O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
             rlimit size{10000, 10000};
             ::setrlimit(RLIMIT_FSIZE, &size);
         },
         "console.txt", 10000},
        {"console on a non-blocking pipe read late", "many.bat",
         [] { ::fcntl(1, F_SETFL, ::fcntl(1, F_GETFL) | O_NONBLOCK); }, "", all, 300},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ToolSetup setup;
        setup.inChild = c.inChild;
        setup.readLateMilliseconds = c.readLate;
        ToolResult run = runTool({"/O", c.inputName, "out.zcl"}, folder.path(), setup);
        std::string output = readBytes(folder / "out.zcl");
        Decoded decoded = decode(output);
        EXPECT_EQ(decoded.fault, "");
        EXPECT_EQ(decoded.text, keptText(lines, false));
        std::string expected = banner() + start(c.inputName, "out.zcl") + progress(3000) +
                               progress(3000) +
                               result(static_cast<int>(output.size() * 100 / 18000));
        std::string seen = *c.consoleFile ? readBytes(folder / c.consoleFile) : run.output;
        EXPECT_EQ(seen, expected.substr(0, c.kept));
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.errors, "");
    }
}

} // namespace
