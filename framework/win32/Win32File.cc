// CFile on Win32 handles. The read-write open shares nothing, so no other
// program can open the map while it is being corrected.
#include <windows.h>

#include "framework/Exception.h"
#include "framework/File.h"

namespace {

std::string SystemMessage(DWORD error) {
    char* text = nullptr;
    const DWORD n = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = n > 0 ? std::string(text, n) : "error " + std::to_string(error);
    if (text != nullptr) LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
        message.pop_back();
    return message;
}

class Win32File final : public CFile {
  public:
    Win32File(HANDLE handle, std::string path) : m_handle(handle), m_strPath(std::move(path)) {}
    ~Win32File() override {
        if (m_handle != INVALID_HANDLE_VALUE) CloseHandle(m_handle);
    }

    uint32_t Read(void* buffer, uint32_t count) override {
        auto* out = static_cast<char*>(buffer);
        uint32_t done = 0;
        while (done < count) {
            DWORD n = 0;
            if (!ReadFile(Handle(Op::kRead), out + done, count - done, &n, nullptr))
                Fail(Op::kRead);
            if (n == 0) break;
            done += n;
        }
        return done;
    }

    void Seek(int64_t position) override {
        if (position < 0) throw CFileException(Op::kSeek, m_strPath, "negative position");
        LARGE_INTEGER to;
        to.QuadPart = position;
        if (!SetFilePointerEx(Handle(Op::kSeek), to, nullptr, FILE_BEGIN)) Fail(Op::kSeek);
    }

    void Write(const void* buffer, uint32_t count) override {
        DWORD n = 0;
        if (!WriteFile(Handle(Op::kWrite), buffer, count, &n, nullptr)) Fail(Op::kWrite);
        if (n != count) throw CFileException(Op::kWrite, m_strPath, "short write");
    }

    void Sync() override {
        if (!FlushFileBuffers(Handle(Op::kSync))) Fail(Op::kSync);
    }

    uint64_t GetLength() override {
        LARGE_INTEGER size;
        if (!GetFileSizeEx(Handle(Op::kLength), &size)) Fail(Op::kLength);
        return static_cast<uint64_t>(size.QuadPart);
    }

    void Close() override {
        HANDLE handle = Handle(Op::kClose);
        m_handle = INVALID_HANDLE_VALUE;
        if (!CloseHandle(handle)) Fail(Op::kClose);
    }

    const std::string& GetFilePath() const override { return m_strPath; }

  private:
    using Op = CFileException::Op;

    HANDLE Handle(Op op) const {
        if (m_handle == INVALID_HANDLE_VALUE) throw CFileException(op, m_strPath, "file is closed");
        return m_handle;
    }
    [[noreturn]] void Fail(Op op) const {
        throw CFileException(op, m_strPath, SystemMessage(GetLastError()));
    }

    HANDLE m_handle;
    std::string m_strPath;
};

}  // namespace

std::unique_ptr<CFile> OpenFile(const std::string& path, FileAccess access) {
    const bool write = access != FileAccess::kReadShared;
    HANDLE handle = CreateFileA(path.c_str(), write ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ,
                                write ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                access == FileAccess::kCreateNew ? CREATE_NEW : OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        throw CFileException(CFileException::Op::kOpen, path, SystemMessage(GetLastError()));
    return std::make_unique<Win32File>(handle, path);
}
