#include "framework/File.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "framework/Exception.h"
#include "framework/MemoryFile.h"
#include "testsupport/FaultyFile.h"
#include "testsupport/TestFolder.h"

namespace {

namespace fs = std::filesystem;

class DiskFileTest : public ::testing::Test {
  protected:
    void SetUp() override { std::ofstream(m_path, std::ios::binary) << "0123456789"; }
    CTestFolder m_folder;
    const std::string m_path = (m_folder / "file").string();
};

CFileException::Op OpOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const CFileException& e) {
        return e.Operation();
    }
    ADD_FAILURE() << "no CFileException";
    return CFileException::Op::kClose;
}

TEST_F(DiskFileTest, ReadSeekWriteRoundTrip) {
    auto file = OpenFile(m_path, FileAccess::kReadWriteExclusive);
    EXPECT_EQ(file->GetLength(), 10u);
    file->Seek(4);
    file->Write("ab", 2);
    char buffer[16] = {};
    file->Seek(0);
    EXPECT_EQ(file->Read(buffer, sizeof buffer), 10u) << "short only at the end of the file";
    EXPECT_STREQ(buffer, "0123ab6789");
    file->Close();
}

TEST_F(DiskFileTest, MissingFileThrowsWithPathAndOperation) {
    try {
        OpenFile(m_path + ".missing", FileAccess::kReadShared);
        FAIL() << "opened a missing file";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.Operation(), CFileException::Op::kOpen);
        EXPECT_EQ(e.Path(), m_path + ".missing");
        EXPECT_NE(std::string(e.what()).find(m_path), std::string::npos);
    }
}

TEST_F(DiskFileTest, ExclusiveOpenRefusesASecondWriter) {
    auto first = OpenFile(m_path, FileAccess::kReadWriteExclusive);
    EXPECT_EQ(OpOf([&] { OpenFile(m_path, FileAccess::kReadWriteExclusive); }),
              CFileException::Op::kOpen);
    first->Close();
    EXPECT_NO_THROW(OpenFile(m_path, FileAccess::kReadWriteExclusive));
}

TEST_F(DiskFileTest, FailuresThrowInsteadOfReportingSuccess) {
    auto readOnly = OpenFile(m_path, FileAccess::kReadShared);
    EXPECT_EQ(OpOf([&] { readOnly->Write("x", 1); }), CFileException::Op::kWrite);
    EXPECT_EQ(OpOf([&] { readOnly->Seek(-1); }), CFileException::Op::kSeek);
    readOnly->Close();
    char c;
    EXPECT_EQ(OpOf([&] { readOnly->Read(&c, 1); }), CFileException::Op::kRead);

    // A directory is no file: refused at once, never read as an empty one.
    EXPECT_EQ(OpOf([&] { OpenFile(m_folder.Path().string(), FileAccess::kReadShared); }),
              CFileException::Op::kOpen);
}

TEST(MemoryFileTest, BehavesLikeADiskFile) {
    CMemoryFile file({'a', 'b', 'c'});
    char buffer[8];
    file.Seek(1);
    EXPECT_EQ(file.Read(buffer, 8), 2u);
    file.Seek(5);
    file.Write("z", 1);
    EXPECT_EQ(file.GetLength(), 6u);
    EXPECT_EQ(file.Bytes()[3], 0);
    EXPECT_EQ(OpOf([&] { file.Seek(-3); }), CFileException::Op::kSeek);
}

TEST(FaultyFileTest, FailsExactlyTheChosenCall) {
    CMemoryFile inner({'a', 'b', 'c'});
    CFaultyFile file(inner, CFileException::Op::kRead, 2);
    char c;
    EXPECT_EQ(file.Read(&c, 1), 1u);
    EXPECT_EQ(OpOf([&] { file.Read(&c, 1); }), CFileException::Op::kRead);
    EXPECT_EQ(file.Read(&c, 1), 1u);
    EXPECT_EQ(c, 'b') << "the failed read consumed nothing";
}

}  // namespace
