#include "correction/AppendPath.h"

#include <gtest/gtest.h>

namespace {

std::string Join(std::string dir, const char* name, PathSyntax syntax = kWindowsPaths) {
    AppendPath(dir, name, syntax);
    return dir;
}

TEST(AppendPathTest, ExactlyOneSeparatorBetweenDirectoryAndName) {
    EXPECT_EQ(Join("C:\\mesh", "a.mem"), "C:\\mesh\\a.mem");
    EXPECT_EQ(Join("C:\\mesh\\", "a.mem"), "C:\\mesh\\a.mem");
    EXPECT_EQ(Join("C:\\mesh\\", "\\a.mem"), "C:\\mesh\\a.mem");
    EXPECT_EQ(Join("C:\\mesh", "\\a.mem"), "C:\\mesh\\a.mem");
    EXPECT_EQ(Join("/data/mesh", "*.mem", kPosixPaths), "/data/mesh/*.mem");
    EXPECT_EQ(Join("/data/mesh/", "/x.mem", kPosixPaths), "/data/mesh/x.mem");
}

TEST(AppendPathTest, EmptyDirectoryMeansTheCurrentOne) {
    EXPECT_EQ(Join("", "*.mem"), "*.mem");
    EXPECT_EQ(Join("", "\\*.mem"), "*.mem");
}

TEST(AppendPathTest, TrailByteThatLooksLikeABackslashIsNoSeparator) {
    // "ソ" is 0x83 0x5C in code page 932: a folder name ending in it still
    // needs its separator.
    EXPECT_EQ(Join("C:\\\x83\x5C", "a.mem"), "C:\\\x83\x5C\\a.mem");
    EXPECT_EQ(Join("C:\\\x83\x5C\\", "a.mem"), "C:\\\x83\x5C\\a.mem");
    // A lone lead byte at the very end pairs with nothing.
    EXPECT_EQ(Join("C:\\\x83", "a.mem"), "C:\\\x83\\a.mem");
    // Half-width katakana (0xA1-0xDF) are single bytes.
    EXPECT_EQ(Join("C:\\\xB1\\", "a.mem"), "C:\\\xB1\\a.mem");
}

}  // namespace
