#include "format/format.h"

#include <gtest/gtest.h>

using namespace format;

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

} // namespace
