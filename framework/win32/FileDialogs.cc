#include "framework/FileDialogs.h"

#include <windows.h>
#include <commdlg.h>
#include <shlobj.h>

#include <string_view>
#include <vector>

#include "framework/Cp932Text.h"

namespace {

// '|' separators to the NULs the dialog wants, walking characters so that a
// second byte is never taken for one.
std::vector<char> FilterList(std::string_view filter) {
    std::vector<char> list(filter.begin(), filter.end());
    list.push_back('\0');
    for (size_t i = 0; i < filter.size(); i += Cp932CharLength(filter, i))
        if (list[i] == '|') list[i] = '\0';
    return list;
}

// The common file dialog, of the open kind or the "save as" one; path is
// where it starts and, on OK, what was chosen.
bool BrowseFile(bool save, HWND owner, const char* title, const char* filter,
                const char* defaultExtension, const std::string& folder, std::string& path) {
    std::vector<char> file(MAX_PATH, '\0');
    lstrcpynA(file.data(), path.c_str(), MAX_PATH);
    const std::vector<char> filters = FilterList(filter);
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filters.data();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    ofn.lpstrTitle = title;
    ofn.lpstrDefExt = defaultExtension;
    ofn.Flags = OFN_HIDEREADONLY | OFN_EXPLORER;
    if (!save) ofn.Flags |= OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
    if (!(save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn))) return false;
    path = file.data();
    return true;
}

}  // namespace

bool AfxBrowseSaveFile(HWND owner, const char* title, const char* filter,
                       const char* defaultExtension, std::string& path) {
    return BrowseFile(true, owner, title, filter, defaultExtension, "", path);
}

bool AfxBrowseOpenFile(HWND owner, const char* title, const char* filter, const std::string& folder,
                       std::string& path) {
    std::string chosen;
    if (!BrowseFile(false, owner, title, filter, nullptr, folder, chosen)) return false;
    path = chosen;
    return true;
}

bool AfxBrowseForFolder(HWND owner, const char* title, std::string& path) {
    char buffer[MAX_PATH];
    buffer[0] = '\0';
    BROWSEINFOA info = {};
    info.hwndOwner = owner;
    info.pidlRoot = nullptr;
    info.pszDisplayName = buffer;
    info.lpszTitle = title;
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    LPITEMIDLIST item = SHBrowseForFolderA(&info);
    if (item == nullptr) return false;
    const bool found = SHGetPathFromIDListA(item, buffer) != FALSE;
    CoTaskMemFree(item);
    if (found) path = buffer;
    return found;
}
