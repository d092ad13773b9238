// The framework's file functions in a process whose system text is UTF-8,
// as the terminal programs' wide entry point makes it: names that no ANSI
// code page holds reach the disk whole and come back byte for byte.
#include <windows.h>
#include <gtest/gtest.h>

#include "framework/Console.h"
#include "framework/Exception.h"
#include "framework/File.h"
#include "framework/FileIdentity.h"
#include "framework/FileSystem.h"
#include "framework/FindFile.h"
#include "framework/PathSyntax.h"
#include "framework/SystemMessage.h"
#include "framework/win32/WideText.h"
#include "testsupport/TestFolder.h"

namespace {

// "é한😀", which code page 932 cannot spell, in UTF-8 and UTF-16.
const std::string kName = "\xC3\xA9\xED\x95\x9C\xF0\x9F\x98\x80";
const std::wstring kWideName = L"\u00E9\uD55C\U0001F600";

class Utf8Paths : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { UseUtf8Paths(); }
};

TEST_F(Utf8Paths, AFolderAndFileNamedOutsideCodePage932) {
    CTestFolder folder;
    const std::string dir = folder.Path().string() + "\\" + kName;
    ASSERT_TRUE(CreateDirectoryW((folder.Path().wstring() + L"\\" + kWideName).c_str(), nullptr));
    EXPECT_EQ(KindOfPath(dir), PathKind::kFolder);
    const std::string path = dir + "\\" + kName + ".mem";
    OpenFile(path, FileAccess::kCreateNew)->Write("abc", 3);
    // On disk under its own name, as the wide functions see it.
    const std::wstring wide =
        folder.Path().wstring() + L"\\" + kWideName + L"\\" + kWideName + L".mem";
    EXPECT_NE(GetFileAttributesW(wide.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(SizeOfFile(path), 3u);
    EXPECT_TRUE(IdentifyFile(path));

    CFindFile find;
    ASSERT_TRUE(find.FindFirst(dir + "\\*.MEM"));
    EXPECT_EQ(find.GetFileName(), kName + ".mem");
    EXPECT_EQ(NameOfPlace(PlaceOfPath(path)), kName + ".mem");

    FILE* out = OpenCFile(dir + "\\" + kName + ".png", "wb");
    ASSERT_NE(out, nullptr);
    std::fclose(out);
    EXPECT_EQ(KindOfPath(dir + "\\" + kName + ".png"), PathKind::kFile);
    EXPECT_EQ(RemoveFile(path), Removal::kRemoved);
    EXPECT_EQ(KindOfPath(path), PathKind::kMissing);
}

TEST_F(Utf8Paths, RefusalsNameThePathAndTheSystemsReasonInUtf8) {
    CTestFolder folder;
    const std::string path = folder.Path().string() + "\\" + kName + ".dcm";
    try {
        OpenFile(path, FileAccess::kReadShared);
        FAIL() << "a missing file opened";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.Path(), path);
        wchar_t text[512] = {};
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                       ERROR_FILE_NOT_FOUND, 0, text, 512, nullptr);
        std::wstring reason = text;
        while (!reason.empty() && (reason.back() == L'\n' || reason.back() == L'\r'))
            reason.pop_back();
        EXPECT_EQ(e.Reason(), FromWide(reason, CP_UTF8));
    }
}

TEST_F(Utf8Paths, ProgramTextBecomesUtf8AndNamesKeepTheirSeparators) {
    EXPECT_EQ(NativeFromCp932("表ソ"), "\xE8\xA1\xA8\xE3\x82\xBD");
    EXPECT_FALSE(NativePaths().doubleByteNames) << "UTF-8 never hides a separator";
    // "한" is 0xED 0x95 0x9C: a code page 932 walk would pair its 0x9C with
    // the separator after it.
    EXPECT_EQ(FolderOfPlace("C:\\\xED\x95\x9C\\x"), "C:\\\xED\x95\x9C");
}

}  // namespace
