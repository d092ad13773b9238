// The file layer on Win32 handles, beyond what every backend shares: an
// exclusive open shuts out every other open, before and after it, and each
// refusal carries the path and the system's own text for it.
#include <windows.h>
#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "framework/Exception.h"
#include "framework/File.h"
#include "testsupport/TestFolder.h"

namespace {

std::string SystemText(DWORD error) {
    char text[512] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                   text, sizeof text, nullptr);
    std::string message = text;
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
        message.pop_back();
    return message;
}

// The exception `action` throws; a failure of the test when it throws none.
CFileException Thrown(const std::function<void()>& action) {
    try {
        action();
    } catch (const CFileException& e) {
        return e;
    }
    ADD_FAILURE() << "no CFileException";
    return CFileException(CFileException::Op::kClose, "", "");
}

void ExpectRefusal(const CFileException& e, CFileException::Op op, const std::string& path,
                   DWORD error) {
    EXPECT_EQ(e.Operation(), op);
    EXPECT_EQ(e.Path(), path);
    EXPECT_EQ(e.Reason(), SystemText(error));
    const std::string message = e.what();
    EXPECT_NE(message.find(path), std::string::npos) << message;
    EXPECT_NE(message.find(SystemText(error)), std::string::npos) << message;
}

class Win32FileTest : public ::testing::Test {
  protected:
    void SetUp() override { std::ofstream(m_path, std::ios::binary) << "0123456789"; }

    CTestFolder m_folder;
    const std::string m_path = (m_folder / "map.dcm").string();
};

TEST_F(Win32FileTest, ExclusiveOpenShutsOutReadersAndWaitsForThem) {
    auto writer = OpenFile(m_path, FileAccess::kReadWriteExclusive);
    ExpectRefusal(Thrown([&] { OpenFile(m_path, FileAccess::kReadShared); }),
                  CFileException::Op::kOpen, m_path, ERROR_SHARING_VIOLATION);
    // Another program's plain open, which asks for no sharing of its own.
    HANDLE other = CreateFileA(m_path.c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_EQ(other, INVALID_HANDLE_VALUE) << "read the map while it was being written";
    if (other != INVALID_HANDLE_VALUE) CloseHandle(other);
    writer->Close();

    auto reader = OpenFile(m_path, FileAccess::kReadShared);
    ExpectRefusal(Thrown([&] { OpenFile(m_path, FileAccess::kReadWriteExclusive); }),
                  CFileException::Op::kOpen, m_path, ERROR_SHARING_VIOLATION);
    reader->Close();
    EXPECT_NO_THROW(OpenFile(m_path, FileAccess::kReadWriteExclusive)->Close());
}

TEST_F(Win32FileTest, RefusalsCarryThePathAndTheSystemsText) {
    const std::string missing = (m_folder / "missing.dcm").string();
    ExpectRefusal(Thrown([&] { OpenFile(missing, FileAccess::kReadWriteExclusive); }),
                  CFileException::Op::kOpen, missing, ERROR_FILE_NOT_FOUND);
    ExpectRefusal(Thrown([&] { OpenFile(m_path, FileAccess::kCreateNew); }),
                  CFileException::Op::kOpen, m_path, ERROR_FILE_EXISTS);

    auto reader = OpenFile(m_path, FileAccess::kReadShared);
    ExpectRefusal(Thrown([&] { reader->Write("x", 1); }), CFileException::Op::kWrite, m_path,
                  ERROR_ACCESS_DENIED);
    reader->Close();
    char c;
    ExpectRefusal(Thrown([&] { reader->Read(&c, 1); }), CFileException::Op::kRead, m_path,
                  ERROR_INVALID_HANDLE);
}

}  // namespace
