// The file system on POSIX, through the C++ library's, whose paths are the
// bytes as they are.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "framework/FileSystem.h"
#include "framework/PathSyntax.h"
#include "framework/posix/PosixSync.h"

namespace fs = std::filesystem;

PathSyntax NativePaths() { return kPosixPaths; }

PathKind KindOfPath(const std::string& path) {
    std::error_code ec;
    switch (fs::status(path, ec).type()) {
        case fs::file_type::not_found:
            return PathKind::kMissing;
        case fs::file_type::regular:
            return PathKind::kFile;
        case fs::file_type::directory:
            return PathKind::kFolder;
        case fs::file_type::none:
        case fs::file_type::unknown:
            return PathKind::kUnknown;
        default:
            return PathKind::kOther;
    }
}

Removal RemoveFile(const std::string& path) {
    std::error_code ec;
    const bool removed = fs::remove(path, ec);
    if (ec) return Removal::kFailed;
    return removed ? Removal::kRemoved : Removal::kAbsent;
}

bool MakeFolder(const std::string& path, std::string& why) {
    if (::mkdir(path.c_str(), 0777) == 0) return true;
    why = std::strerror(errno);
    return false;
}

bool RenameFile(const std::string& from, const std::string& to, std::string& why) {
    if (std::rename(from.c_str(), to.c_str()) == 0) {
        SyncFolderOf(to);
        return true;
    }
    why = std::strerror(errno);
    return false;
}

bool NameNewFile(const std::string& from, const std::string& to, std::string& why) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        SyncFolderOf(to);
        return true;
    }
    // A file system that cannot rename so: a second link, made only where
    // nothing is, then the first name removed.
    if (errno == EINVAL || errno == ENOSYS) {
        if (::link(from.c_str(), to.c_str()) == 0) {
            ::unlink(from.c_str());
            SyncFolderOf(to);
            return true;
        }
    }
    why = std::strerror(errno);
    return false;
}

std::optional<uint64_t> SizeOfFile(const std::string& path) {
    std::error_code ec;
    const uintmax_t size = fs::file_size(path, ec);
    if (ec) return std::nullopt;
    return static_cast<uint64_t>(size);
}

std::optional<std::time_t> LastWriteTimeOf(const std::string& path) {
    struct stat status;
    if (stat(path.c_str(), &status) != 0) return std::nullopt;
    return status.st_mtime;
}

std::optional<uint64_t> FreeSpaceAt(const std::string& folder) {
    std::error_code ec;
    const fs::space_info space = fs::space(folder, ec);
    if (ec) return std::nullopt;
    return static_cast<uint64_t>(space.available);
}

std::string PlaceOfPath(const std::string& path) {
    std::error_code ec;
    fs::path place = fs::absolute(path, ec);
    for (int links = 0; links < 40 && fs::is_symlink(place, ec); ++links) {
        const fs::path target = fs::read_symlink(place, ec);
        if (ec) break;
        place = target.is_absolute() ? target : place.parent_path() / target;
    }
    const fs::path resolved = fs::weakly_canonical(place, ec);
    return (ec ? place.lexically_normal() : resolved).string();
}

FILE* OpenCFile(const std::string& path, const char* mode) {
    return std::fopen(path.c_str(), mode);
}

std::string TempFolder() {
    std::error_code ec;
    const fs::path folder = fs::temp_directory_path(ec);
    return ec ? std::string() : folder.string();
}
