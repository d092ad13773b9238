// The file system face on both backends: what a path names, removal, sizes,
// places and their parts.
#include "framework/FileSystem.h"

#include <gtest/gtest.h>

#include <fstream>

#include "framework/PathSyntax.h"
#include "testsupport/TestFolder.h"

namespace {

const std::string kSep(1, NativePaths().separator);

TEST(FileSystem, KindsSizesAndRemoval) {
    CTestFolder folder;
    const std::string file = (folder / "a.bin").string();
    std::ofstream(file, std::ios::binary) << "12345";
    EXPECT_EQ(KindOfPath(folder.Path().string()), PathKind::kFolder);
    EXPECT_EQ(KindOfPath(file), PathKind::kFile);
    EXPECT_EQ(KindOfPath((folder / "none").string()), PathKind::kMissing);
    EXPECT_EQ(KindOfPath((folder / "none" / "deeper").string()), PathKind::kMissing);
    EXPECT_EQ(SizeOfFile(file), 5u);
    EXPECT_FALSE(SizeOfFile((folder / "none").string()));
    EXPECT_EQ(RemoveFile(file), Removal::kRemoved);
    EXPECT_EQ(KindOfPath(file), PathKind::kMissing);
    EXPECT_EQ(RemoveFile(file), Removal::kAbsent);
}

TEST(FileSystem, FoldersMadeAndFilesRenamed) {
    CTestFolder folder;
    const std::string made = (folder / "made").string();
    std::string why;
    ASSERT_TRUE(MakeFolder(made, why)) << why;
    EXPECT_EQ(KindOfPath(made), PathKind::kFolder);
    EXPECT_FALSE(MakeFolder(made, why));
    EXPECT_FALSE(why.empty());
    why.clear();
    EXPECT_FALSE(MakeFolder((folder / "none" / "deeper").string(), why));
    EXPECT_FALSE(why.empty());

    const std::string from = made + kSep + "a.part", to = made + kSep + "a.mem";
    std::ofstream(from, std::ios::binary) << "12345";
    std::ofstream(to, std::ios::binary) << "older";
    ASSERT_TRUE(RenameFile(from, to, why)) << why;
    EXPECT_EQ(KindOfPath(from), PathKind::kMissing);
    std::ifstream in(to, std::ios::binary);
    std::string text;
    in >> text;
    EXPECT_EQ(text, "12345");
    why.clear();
    EXPECT_FALSE(RenameFile(from, to, why));
    EXPECT_FALSE(why.empty());
}

TEST(FileSystem, CFilesOpenAndCreate) {
    CTestFolder folder;
    const std::string file = (folder / "c.txt").string();
    EXPECT_EQ(OpenCFile(file, "rb"), nullptr);
    FILE* out = OpenCFile(file, "wb");
    ASSERT_NE(out, nullptr);
    std::fputs("line\n", out);
    ASSERT_EQ(std::fclose(out), 0);
    EXPECT_EQ(SizeOfFile(file), 5u) << "binary mode: no carriage return";
}

TEST(FileSystem, PlacesTellOneFileByTwoNames) {
    CTestFolder folder;
    const std::string base = folder.Path().string();
    EXPECT_EQ(PlaceOfPath(base + kSep + "sub" + kSep + ".." + kSep + "x.png"),
              PlaceOfPath(base + kSep + "." + kSep + "x.png"))
        << "a place not made yet, reached through \"..\" and \".\"";
    EXPECT_NE(PlaceOfPath(base + kSep + "x.png"), PlaceOfPath(base + kSep + "y.png"));
    EXPECT_EQ(FolderOfPlace(PlaceOfPath(base + kSep + "x.png")), PlaceOfPath(base));
    EXPECT_EQ(NameOfPlace(PlaceOfPath(base + kSep + "x.png")), "x.png");
}

TEST(FileSystem, FolderAndNameOfAPlace) {
    EXPECT_EQ(FolderOfPlace("a" + kSep + "b" + kSep + "c"), "a" + kSep + "b");
    EXPECT_EQ(NameOfPlace("a" + kSep + "b" + kSep + "c"), "c");
    EXPECT_EQ(FolderOfPlace(kSep + "x"), kSep) << "the root keeps its separator";
    EXPECT_EQ(FolderOfPlace("C:" + kSep + "x"), "C:" + kSep) << "a drive's root too";
    EXPECT_EQ(FolderOfPlace("x"), "");
    EXPECT_EQ(NameOfPlace("x"), "x");
}

TEST(FileSystem, ASecondByteLikeTheSeparatorIsNoSeparator) {
    if (!NativePaths().doubleByteNames) GTEST_SKIP() << "paths without double-byte names";
    // "ソ" is 0x83 0x5C and "表" 0x95 0x5C in code page 932.
    EXPECT_EQ(FolderOfPlace("C:\\表\\ソ"), "C:\\表");
    EXPECT_EQ(NameOfPlace("C:\\表\\ソ"), "ソ");
    EXPECT_EQ(FolderOfPlace("C:\\dir\\表"), "C:\\dir");
}

}  // namespace
