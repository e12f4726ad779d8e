// Runs over varied inputs lose nothing: every file the tool writes decodes to
// exactly the characters of the lines it keeps.
#include "support/decoder.h"
#include "support/tool.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>

using namespace testing_support;

namespace {

// Batch-like text from a small alphabet that favours the bytes the reader and
// the /K filter treat specially, with long lines now and then; or, without a
// line end, bytes of every value.
std::string randomText(std::mt19937& random, std::size_t size, const char* lineEnd) {
    static const std::string alphabet = "remREM :@>\t abcxyz0123\r\xe9\xff";
    std::string text;
    while (text.size() < size) {
        std::size_t length = random() % 8 == 0 ? 900 + random() % 400 : random() % 40;
        for (std::size_t i = 0; i < length; ++i) {
            text += lineEnd != nullptr ? alphabet[random() % alphabet.size()]
                                       : static_cast<char>(random());
        }
        text += lineEnd != nullptr ? lineEnd : "";
    }
    return text;
}

void expectRoundTrip(const std::string& input, const std::string& what) {
    TempFolder folder;
    writeBytes(folder / "in.bat", input);
    for (bool removeComments : {false, true}) {
        std::vector<std::string> arguments = {"/q", "/o", "in.bat"};
        if (removeComments) {
            arguments.push_back("/k");
        }
        ASSERT_EQ(runTool(arguments, folder.path()).status, 0) << what;
        Decoded decoded = decode(readBytes(folder / "in.zcl"));
        EXPECT_EQ(decoded.fault, "") << what;
        EXPECT_EQ(decoded.text, keptText(input, removeComments)) << what << " /K " << removeComments;
        EXPECT_EQ(decoded.table, expectedTable(decoded.text)) << what;
    }
}

TEST(RoundTrip, VariedInputsDecodeToTheirKeptLines) {
    std::mt19937 random(20261206);
    for (int round = 0; round < 6; ++round) {
        expectRoundTrip(randomText(random, 6000, "\r\n"), "CR LF text");
        expectRoundTrip(randomText(random, 6000, "\n"), "bare LF text");
        expectRoundTrip(randomText(random, 6000, nullptr), "random bytes");
    }
}

TEST(RoundTrip, ShippedExampleDecodesToItsLines) {
    std::string example = readBytes(SQUEEZLE_SOURCE_DIR "/examples/setup.bat");
    ASSERT_GT(example.size(), 1000u);
    expectRoundTrip(example, "examples/setup.bat");
    example.erase(std::remove(example.begin(), example.end(), '\r'), example.end());
    expectRoundTrip(example, "examples/setup.bat with LF line ends");
}

} // namespace
