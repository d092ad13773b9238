#include <windows.h>

#include "framework/FileIdentity.h"
#include "framework/win32/WideText.h"

std::optional<FileIdentity> IdentifyFile(const std::string& path) {
    // No access asked: the file's information can be read even while
    // another program holds it exclusively. Folders need backup semantics.
    HANDLE handle = CreateFileW(WidePath(path).c_str(), 0,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    const BOOL known = GetFileInformationByHandle(handle, &info);
    CloseHandle(handle);
    if (!known) return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber,
                        uint64_t{info.nFileIndexHigh} << 32 | info.nFileIndexLow};
}
