#include <sys/stat.h>

#include "framework/FileIdentity.h"

std::optional<FileIdentity> IdentifyFile(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return std::nullopt;
    return FileIdentity{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
}
