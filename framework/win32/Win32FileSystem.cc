// The file system on Win32, by the wide functions: any name Windows allows,
// in the process's system text.
#include <windows.h>

#include "framework/FileSystem.h"
#include "framework/SystemMessage.h"
#include "framework/win32/WideText.h"

PathKind KindOfPath(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(WidePath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? PathKind::kMissing
                                                                              : PathKind::kUnknown;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return PathKind::kFolder;
    return attributes & FILE_ATTRIBUTE_DEVICE ? PathKind::kOther : PathKind::kFile;
}

Removal RemoveFile(const std::string& path) {
    if (DeleteFileW(WidePath(path).c_str())) return Removal::kRemoved;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? Removal::kAbsent
                                                                          : Removal::kFailed;
}

bool MakeFolder(const std::string& path, std::string& why) {
    if (CreateDirectoryW(WidePath(path).c_str(), nullptr)) return true;
    why = AfxLastSystemMessage();
    return false;
}

bool RenameFile(const std::string& from, const std::string& to, std::string& why) {
    if (MoveFileExW(WidePath(from).c_str(), WidePath(to).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    why = AfxLastSystemMessage();
    return false;
}

bool NameNewFile(const std::string& from, const std::string& to, std::string& why) {
    // Without MOVEFILE_REPLACE_EXISTING the move fails where to exists.
    if (MoveFileExW(WidePath(from).c_str(), WidePath(to).c_str(), MOVEFILE_WRITE_THROUGH))
        return true;
    why = AfxLastSystemMessage();
    return false;
}

std::optional<uint64_t> SizeOfFile(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(WidePath(path).c_str(), GetFileExInfoStandard, &data))
        return std::nullopt;
    return uint64_t{data.nFileSizeHigh} << 32 | data.nFileSizeLow;
}

std::optional<std::time_t> LastWriteTimeOf(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(WidePath(path).c_str(), GetFileExInfoStandard, &data))
        return std::nullopt;
    // 100 ns steps from 1601 to seconds from 1970.
    const uint64_t ticks =
        uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32 | data.ftLastWriteTime.dwLowDateTime;
    return static_cast<std::time_t>(ticks / 10000000 - 11644473600ULL);
}

std::optional<uint64_t> FreeSpaceAt(const std::string& folder) {
    ULARGE_INTEGER free;
    if (!GetDiskFreeSpaceExW(WidePath(folder).c_str(), &free, nullptr, nullptr))
        return std::nullopt;
    return free.QuadPart;
}

std::string PlaceOfPath(const std::string& path) {
    // The system's own full name: absolute, "." and ".." taken out, '/'
    // turned into '\'. Links are left as they are: the identity of a file
    // that exists already tells the names of one file apart.
    const std::wstring wide = WidePath(path);
    const DWORD length = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (length == 0) return path;
    std::wstring full(length, L'\0');
    const DWORD written = GetFullPathNameW(wide.c_str(), length, full.data(), nullptr);
    if (written == 0 || written >= length) return path;
    full.resize(written);
    return NarrowPath(full);
}

FILE* OpenCFile(const std::string& path, const char* mode) {
    return _wfopen(WidePath(path).c_str(), ToWide(mode, CP_UTF8).c_str());
}

std::string TempFolder() {
    wchar_t folder[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH) return std::string();
    return NarrowPath(std::wstring(folder, length));
}
