#pragma once

#include <string>

#include "framework/WindowTypes.h"

// The common "save as" file dialog: the chosen file need not exist. `filter`
// is pairs of description and pattern separated by '|' and ended by "||";
// `defaultExtension` is added to a name typed without one. On OK, `path`
// becomes the full path chosen and true is returned; on cancel it is kept.
bool AfxBrowseSaveFile(HWND owner, const char* title, const char* filter,
                       const char* defaultExtension, std::string& path);

// The common "open" file dialog: the chosen file must exist. It starts in
// folder where that is not empty. On OK, `path` becomes the full path chosen
// and true is returned; on cancel it is kept.
bool AfxBrowseOpenFile(HWND owner, const char* title, const char* filter, const std::string& folder,
                       std::string& path);

// The shell's folder browser from the desktop, file-system folders only. On
// a choice whose path can be had, `path` becomes it and true is returned.
bool AfxBrowseForFolder(HWND owner, const char* title, std::string& path);
