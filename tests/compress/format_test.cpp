#include "compress/char_table.h"
#include "compress/compressor.h"
#include "compress/header.h"

#include "support/tool.h"

#include <gtest/gtest.h>

using namespace testing_support;
using namespace compress;

namespace {

std::string bytesOf(const CompressedHeader& header) {
    std::uint8_t bytes[kHeaderSize];
    headerBytes(header, bytes);
    return std::string(reinterpret_cast<const char*>(bytes), kHeaderSize);
}

TEST(Header, PlaceholderIsSignatureThenZeros) {
    EXPECT_EQ(bytesOf(CompressedHeader{}), std::string("\xBE\xEB", 2) + std::string(34, '\0'));
}

TEST(Header, FieldsAreLittleEndianInFileOrder) {
    CompressedHeader header;
    header.flags = kFinishedFlags;
    header.characterCount = 0x1234;
    header.table[29] = 0x7F;
    std::string bytes = bytesOf(header);
    EXPECT_EQ(bytes.substr(0, 6), std::string("\xBE\xEB\x8C\x00\x34\x12", 6));
    EXPECT_EQ(bytes[35], '\x7F');
}

// e ^ (' ' ^ 'o') = 0x65 ^ 0x4F = 0x2A; ' ' ^ 'o' = 0x20 ^ 0x6F = 0x4F.
TEST(Header, ScramblingXorsEachByteWithTheStoredByteAfterIt) {
    CompressedHeader header;
    header.table[0] = 'e';
    header.table[1] = ' ';
    header.table[2] = 'o';
    scrambleTable(header);
    EXPECT_EQ(bytesOf(header).substr(6), std::string("\x2A\x4F\x6F", 3) + std::string(27, '\0'));
}

TEST(Header, SignatureIsBeThenEbOnly) {
    EXPECT_TRUE(hasSignature({0xBE, 0xEB, 0, 0}));
    EXPECT_FALSE(hasSignature({0xEB, 0xBE, 0, 0}));
    EXPECT_FALSE(hasSignature({0, 0, 0, 0}));
}

std::string tableFor(const std::vector<std::string>& lines) {
    CharacterCounts counts;
    for (const std::string& line : lines) {
        countLine(counts, line.c_str());
    }
    CompressedHeader header;
    selectTable(counts, header);
    std::string table(reinterpret_cast<const char*>(header.table), kTableSize);
    return table.substr(0, table.find('\0'));
}

TEST(CharacterTable, FallingCountThenLowerValueFirst) {
    EXPECT_EQ(tableFor({}), "");
    EXPECT_EQ(tableFor({"ababababab", "bababababa"}), "ab");
    EXPECT_EQ(tableFor({"ab\r"}), "\rab");
    EXPECT_EQ(tableFor({"zzzyy", "yx"}), "yzx");
}

// 31 values, each more frequent than the next: the rarest one is left out.
TEST(CharacterTable, KeepsOnlyTheThirtyMostFrequent) {
    std::string line, expected;
    for (char c = 'A'; c < 'A' + 31; ++c) {
        line += std::string(static_cast<std::size_t>('A' + 32 - c), c);
        expected += c;
    }
    EXPECT_EQ(tableFor({line}), expected.substr(0, 30));
}

// Codes the characters of `lines` behind a table of `table` and returns the
// stream bytes that follow the 36-byte header.
std::string streamFor(const std::string& table, const std::vector<std::string>& lines) {
    TempFolder folder;
    Compressor compressor;
    platform::File output = platform::createExclusive((folder / "out.zcl").c_str());
    compressor.attachOutput(output);
    compressor.takeLine(1, table.c_str());
    compressor.endPass(1);
    compressor.beginPass(2);
    for (const std::string& line : lines) {
        compressor.takeLine(2, line.c_str());
    }
    compressor.finish();
    platform::closeFile(output);
    std::string file = readBytes(folder / "out.zcl");
    EXPECT_EQ(compressor.compressedSize(), static_cast<std::int32_t>(file.size()));
    return file.substr(kHeaderSize);
}

TEST(Compressor, CodesByTablePositionAndPacksHighHalfFirst) {
    // Table "\rab": codes 3, 4, 2 and a pad of 0.
    EXPECT_EQ(streamFor("ab\r", {"ab\r"}), "\x34\x20");
    // 'z' is no entry: 0, then its low half A, then its high half 7, and a pad.
    EXPECT_EQ(streamFor("a", {"z"}), "\x0A\x70");
    // The 15th entry (position 14) costs 1, then 0.
    EXPECT_EQ(streamFor("abcdefghijklmno", {"o"}), "\x10");
    EXPECT_EQ(streamFor("", {"", ""}), "");
}

TEST(Compressor, FullBufferLeavesAtOnceAndPadsOnlyAnOddCount) {
    EXPECT_EQ(streamFor("a", {std::string(2048, 'a')}), std::string(1024, '\x22'));
    EXPECT_EQ(streamFor("a", {std::string(2049, 'a')}), std::string(1024, '\x22') + "\x20");
}

} // namespace
