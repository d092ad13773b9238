// CFile on Win32 handles, opened by the wide function: any name Windows
// allows, in the process's system text (see framework/PathSyntax.h). The read-write open shares
// nothing, so no other program can open the map while it is being corrected. Every failure carries
// the system's own text, also for what the system itself did not refuse (a negative position, a
// short write, a closed file).
#include <windows.h>

#include "framework/Exception.h"
#include "framework/File.h"
#include "framework/SystemMessage.h"
#include "framework/win32/WideText.h"

namespace {

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
        if (position < 0) Fail(Op::kSeek, ERROR_NEGATIVE_SEEK);
        LARGE_INTEGER to;
        to.QuadPart = position;
        if (!SetFilePointerEx(Handle(Op::kSeek), to, nullptr, FILE_BEGIN)) Fail(Op::kSeek);
    }

    void Write(const void* buffer, uint32_t count) override {
        DWORD n = 0;
        if (!WriteFile(Handle(Op::kWrite), buffer, count, &n, nullptr)) Fail(Op::kWrite);
        if (n != count) Fail(Op::kWrite, ERROR_DISK_FULL);
    }

    // At a position given with each call, in one call each: the handle's
    // current position plays no part, so that another thread can read at
    // once (the system takes one call on a handle at a time).
    uint32_t ReadAt(int64_t position, void* buffer, uint32_t count) override {
        if (position < 0) Fail(Op::kSeek, ERROR_NEGATIVE_SEEK);
        auto* out = static_cast<char*>(buffer);
        uint32_t done = 0;
        while (done < count) {
            OVERLAPPED at = At(position + done);
            DWORD n = 0;
            if (!ReadFile(Handle(Op::kRead), out + done, count - done, &n, &at)) {
                if (GetLastError() == ERROR_HANDLE_EOF) break;
                Fail(Op::kRead);
            }
            if (n == 0) break;
            done += n;
        }
        return done;
    }

    void WriteAt(int64_t position, const void* buffer, uint32_t count) override {
        if (position < 0) Fail(Op::kSeek, ERROR_NEGATIVE_SEEK);
        OVERLAPPED at = At(position);
        DWORD n = 0;
        if (!WriteFile(Handle(Op::kWrite), buffer, count, &n, &at)) Fail(Op::kWrite);
        if (n != count) Fail(Op::kWrite, ERROR_DISK_FULL);
    }

    bool ReadAtIsThreadSafe() const override { return true; }

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

    static OVERLAPPED At(int64_t position) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(position);
        at.OffsetHigh = static_cast<DWORD>(static_cast<uint64_t>(position) >> 32);
        return at;
    }
    HANDLE Handle(Op op) const {
        if (m_handle == INVALID_HANDLE_VALUE) Fail(op, ERROR_INVALID_HANDLE);
        return m_handle;
    }
    [[noreturn]] void Fail(Op op, DWORD error = GetLastError()) const {
        throw CFileException(op, m_strPath, AfxSystemMessage(error));
    }

    HANDLE m_handle;
    std::string m_strPath;
};

}  // namespace

std::unique_ptr<CFile> OpenFile(const std::string& path, FileAccess access) {
    const bool write = access != FileAccess::kReadShared;
    const bool create = access == FileAccess::kCreateNew || access == FileAccess::kCreateTemporary;
    // A temporary file goes when its handle closes, however the process ends.
    const DWORD attributes = access == FileAccess::kCreateTemporary
                                 ? FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE
                                 : FILE_ATTRIBUTE_NORMAL;
    HANDLE handle =
        CreateFileW(WidePath(path).c_str(), write ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ,
                    write ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    create ? CREATE_NEW : OPEN_EXISTING, attributes, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        throw CFileException(CFileException::Op::kOpen, path, AfxLastSystemMessage());
    return std::make_unique<Win32File>(handle, path);
}
