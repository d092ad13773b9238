// CFile on POSIX descriptors. Exclusive access is an advisory lock, which is
// what every other copy of this program honours.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "framework/Exception.h"
#include "framework/File.h"
#include "framework/UiLanguage.h"
#include "framework/posix/PosixSync.h"

namespace {

class PosixFile final : public CFile {
  public:
    PosixFile(int fd, std::string path) : m_fd(fd), m_strPath(std::move(path)) {}
    ~PosixFile() override {
        if (m_fd >= 0) ::close(m_fd);
    }

    uint32_t Read(void* buffer, uint32_t count) override {
        auto* out = static_cast<char*>(buffer);
        uint32_t done = 0;
        while (done < count) {
            ssize_t n = ::read(Fd(Op::kRead), out + done, count - done);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) Fail(Op::kRead);
            if (n == 0) break;
            done += static_cast<uint32_t>(n);
        }
        return done;
    }

    void Seek(int64_t position) override {
        if (position < 0) throw CFileException(Op::kSeek, m_strPath, "negative position");
        if (::lseek(Fd(Op::kSeek), static_cast<off_t>(position), SEEK_SET) < 0) Fail(Op::kSeek);
    }

    void Write(const void* buffer, uint32_t count) override {
        auto* in = static_cast<const char*>(buffer);
        uint32_t done = 0;
        while (done < count) {
            ssize_t n = ::write(Fd(Op::kWrite), in + done, count - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) Fail(Op::kWrite);
            done += static_cast<uint32_t>(n);
        }
    }

    uint32_t ReadAt(int64_t position, void* buffer, uint32_t count) override {
        if (position < 0) throw CFileException(Op::kSeek, m_strPath, "negative position");
        auto* out = static_cast<char*>(buffer);
        uint32_t done = 0;
        while (done < count) {
            ssize_t n = ::pread(Fd(Op::kRead), out + done, count - done,
                                static_cast<off_t>(position + done));
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) Fail(Op::kRead);
            if (n == 0) break;
            done += static_cast<uint32_t>(n);
        }
        return done;
    }

    void WriteAt(int64_t position, const void* buffer, uint32_t count) override {
        if (position < 0) throw CFileException(Op::kSeek, m_strPath, "negative position");
        auto* in = static_cast<const char*>(buffer);
        uint32_t done = 0;
        while (done < count) {
            ssize_t n = ::pwrite(Fd(Op::kWrite), in + done, count - done,
                                 static_cast<off_t>(position + done));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) Fail(Op::kWrite);
            done += static_cast<uint32_t>(n);
        }
    }

    bool ReadAtIsThreadSafe() const override { return true; }

    void Sync() override {
        if (::fdatasync(Fd(Op::kSync)) != 0) Fail(Op::kSync);
    }

    uint64_t GetLength() override {
        struct stat st;
        if (::fstat(Fd(Op::kLength), &st) != 0) Fail(Op::kLength);
        return static_cast<uint64_t>(st.st_size);
    }

    void Close() override {
        int fd = Fd(Op::kClose);
        m_fd = -1;
        if (::close(fd) != 0) Fail(Op::kClose);
    }

    const std::string& GetFilePath() const override { return m_strPath; }

  private:
    using Op = CFileException::Op;

    int Fd(Op op) const {
        if (m_fd < 0) throw CFileException(op, m_strPath, "file is closed");
        return m_fd;
    }
    [[noreturn]] void Fail(Op op) const {
        throw CFileException(op, m_strPath, std::strerror(errno));
    }

    int m_fd;
    std::string m_strPath;
};

[[noreturn]] void FailOpen(const std::string& path, const std::string& reason) {
    throw CFileException(CFileException::Op::kOpen, path, reason);
}

// Why a map another run holds cannot be opened for writing.
std::string InUseByAnotherRun() {
    return InUserLanguage(
        {"in use by another run; try again when that run has ended",
         "ほかの実行が使っています。その実行が終わってからもう一度試してください"},
        {});
}

// Only regular files are ours to read: a FIFO, device or socket could block
// or never end.
void RefuseIfNotRegular(const std::string& path, const struct stat& st) {
    if (S_ISDIR(st.st_mode)) FailOpen(path, InUserLanguage({"is a directory", "フォルダです"}, {}));
    if (!S_ISREG(st.st_mode))
        FailOpen(path,
                 InUserLanguage({"is not a regular file", "通常のファイルではありません"}, {}));
}

}  // namespace

void SyncFolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "."
                               : slash == 0               ? "/"
                                                          : path.substr(0, slash);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

std::unique_ptr<CFile> OpenFile(const std::string& path, FileAccess access) {
    using Op = CFileException::Op;
    if (access == FileAccess::kCreateTemporary) {
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) throw CFileException(Op::kOpen, path, std::strerror(errno));
        // Open, it needs no name: none is left behind by a crash.
        ::unlink(path.c_str());
        return std::make_unique<PosixFile>(fd, path);
    }
    if (access == FileAccess::kCreateNew) {
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) throw CFileException(Op::kOpen, path, std::strerror(errno));
        auto file = std::make_unique<PosixFile>(fd, path);
        SyncFolderOf(path);
        return file;
    }
    const bool write = access == FileAccess::kReadWriteExclusive;
    // A file of another kind is refused before it is opened, and the open
    // cannot block should the name change its kind meanwhile.
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) FailOpen(path, std::strerror(errno));
    RefuseIfNotRegular(path, st);
    const int fd =
        ::open(path.c_str(), (write ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) FailOpen(path, std::strerror(errno));
    auto file = std::make_unique<PosixFile>(fd, path);  // closes fd if the checks below fail
    if (::fstat(fd, &st) != 0) FailOpen(path, std::strerror(errno));
    RefuseIfNotRegular(path, st);
    if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
        FailOpen(path, std::strerror(errno));
    if (write && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        FailOpen(path, errno == EWOULDBLOCK ? InUseByAnotherRun() : std::strerror(errno));
    }
    return file;
}
