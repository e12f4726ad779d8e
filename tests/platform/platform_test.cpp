#include "platform/platform.h"

#include "support/tool.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace testing_support;
using platform::File;

namespace {

struct Closer {
    File file;
    ~Closer() {
        if (platform::isOpen(file)) {
            platform::closeFile(file);
        }
    }
};

TEST(Platform, EveryOpenRefusesADirectory) {
    TempFolder folder;
    EXPECT_FALSE(platform::isOpen(platform::openShared(folder.path().c_str())));
    EXPECT_FALSE(platform::isOpen(platform::openExclusive(folder.path().c_str())));
    EXPECT_FALSE(platform::isOpen(platform::createExclusive(folder.path().c_str())));
}

TEST(Platform, ExclusiveAccessShutsOutEveryOtherOpenAndKeepsTheBytes) {
    TempFolder folder;
    writeBytes(folder / "in.bat", "echo on\n");
    Closer held{platform::openExclusive((folder / "in.bat").c_str())};
    ASSERT_TRUE(platform::isOpen(held.file));
    EXPECT_FALSE(platform::isOpen(platform::openShared((folder / "in.bat").c_str())));
    EXPECT_FALSE(platform::isOpen(platform::openExclusive((folder / "in.bat").c_str())));
    EXPECT_FALSE(platform::isOpen(platform::createExclusive((folder / "in.bat").c_str())));
    EXPECT_EQ(readBytes(folder / "in.bat"), "echo on\n");
}

// Whatever name reaches the held input, it is never opened for writing.
TEST(Platform, CreateRefusesTheHeldInputUnderEveryOtherName) {
    TempFolder folder;
    writeBytes(folder / "in.bat", "echo on\n");
    ASSERT_EQ(::link((folder / "in.bat").c_str(), (folder / "hard.bat").c_str()), 0);
    ASSERT_EQ(::symlink("in.bat", (folder / "soft.bat").c_str()), 0);
    Closer held{platform::openExclusive((folder / "in.bat").c_str())};
    for (const std::string& name :
         {folder / "hard.bat", folder / "soft.bat", folder.path() + "/./in.bat"}) {
        EXPECT_FALSE(platform::isOpen(platform::createExclusive(name.c_str()))) << name;
    }
    EXPECT_EQ(readBytes(folder / "in.bat"), "echo on\n");
}

TEST(Platform, CreateEmptiesAnOrdinaryFileWithOrdinaryPermissions) {
    TempFolder folder;
    writeBytes(folder / "old.zcl", "previous contents");
    mode_t oldMask = ::umask(022);
    Closer old{platform::createExclusive((folder / "old.zcl").c_str())};
    Closer fresh{platform::createExclusive((folder / "new.zcl").c_str())};
    ::umask(oldMask);
    ASSERT_TRUE(platform::isOpen(old.file) && platform::isOpen(fresh.file));
    EXPECT_EQ(readBytes(folder / "old.zcl"), "");
    struct stat status {};
    ASSERT_EQ(::stat((folder / "new.zcl").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0644u);
}

TEST(Platform, ReadsWritesAndSeeksByHandle) {
    TempFolder folder;
    Closer file{platform::createExclusive((folder / "f").c_str())};
    EXPECT_EQ(platform::writeFile(file.file, "abcdef", 6), 6);
    EXPECT_TRUE(platform::seekTo(file.file, 1));
    char bytes[8] = {};
    EXPECT_EQ(platform::readFile(file.file, bytes, 3), 3);
    EXPECT_TRUE(platform::seekBy(file.file, -2));
    EXPECT_EQ(platform::readFile(file.file, bytes + 3, 8 - 3), 4);
    EXPECT_STREQ(bytes, "bcdcdef");
    EXPECT_EQ(platform::readFile(file.file, bytes, 8), 0);
}

TEST(Platform, NamedPipeOpensAtOnceAndCannotBeRewound) {
    TempFolder folder;
    ASSERT_EQ(::mkfifo((folder / "pipe").c_str(), 0600), 0);
    Closer pipe{platform::createExclusive((folder / "pipe").c_str())};
    ASSERT_TRUE(platform::isOpen(pipe.file));
    EXPECT_FALSE(platform::seekTo(pipe.file, 0));
}

TEST(Platform, OnlyASecondSlashMakesAnOptionAPath) {
    EXPECT_TRUE(platform::isPathArgument("/opt/out/setup.zcl"));
    EXPECT_TRUE(platform::isPathArgument("//"));
    EXPECT_FALSE(platform::isPathArgument("/O"));
    EXPECT_FALSE(platform::isPathArgument("/Quiet"));
    EXPECT_FALSE(platform::isPathArgument("/"));
}

} // namespace
