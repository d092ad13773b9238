#include "framework/MessageBox.h"

#include <windows.h>

#include "framework/AppModule.h"
#include "framework/Cp932Text.h"

namespace {

constexpr UINT kAppTitleString = 57344;  // the host program's title, if it has one

}  // namespace

std::string AfxGetAppTitle() {
    HMODULE host = GetModuleHandleA(nullptr);
    char title[256];
    if (LoadStringA(host, kAppTitleString, title, sizeof title) > 0) return title;

    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(host, path, sizeof path);
    std::string name(path, length < sizeof path ? length : 0);
    // The name is cut after the last separator and before the last dot; the
    // separator test walks characters, so a trail byte is never taken for it.
    size_t start = 0;
    for (size_t i = 0; i < name.size(); i += Cp932CharLength(name, i))
        if (name[i] == '\\' || name[i] == '/') start = i + 1;
    name.erase(0, start);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return name;
}

int AfxMessageBox(const std::string& text, unsigned style) {
    return MessageBoxA(AfxGetMainWnd(), text.c_str(), AfxGetAppTitle().c_str(), style);
}
