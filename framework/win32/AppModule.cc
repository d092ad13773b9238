#include "framework/AppModule.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace {

HINSTANCE g_resourceHandle = nullptr;  // null: not set yet, the host program's module
HINSTANCE g_instanceHandle = nullptr;  // null: not told, the program's own
std::vector<HINSTANCE> g_extensions;

bool HasDialog(HINSTANCE module, int id) {
    return module != nullptr &&
           FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5)) != nullptr;
}

struct MainWindowSearch {
    HWND found;
};

BOOL CALLBACK ConsiderWindow(HWND hwnd, LPARAM lParam) {
    auto* search = reinterpret_cast<MainWindowSearch*>(lParam);
    if (!IsWindowVisible(hwnd) || GetWindow(hwnd, GW_OWNER) != nullptr) return TRUE;
    auto module = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(hwnd, GWLP_HINSTANCE));
    if (std::find(g_extensions.begin(), g_extensions.end(), module) != g_extensions.end())
        return TRUE;
    search->found = hwnd;
    return FALSE;
}

}  // namespace

HINSTANCE AfxGetResourceHandle() {
    return g_resourceHandle != nullptr ? g_resourceHandle : GetModuleHandleA(nullptr);
}

void AfxSetResourceHandle(HINSTANCE module) { g_resourceHandle = module; }

HINSTANCE AfxGetInstanceHandle() {
    return g_instanceHandle != nullptr ? g_instanceHandle : GetModuleHandleA(nullptr);
}

void AfxSetInstanceHandle(HINSTANCE module) { g_instanceHandle = module; }

bool AfxInitExtensionModule(HINSTANCE module) {
    try {
        g_extensions.push_back(module);
    } catch (...) {
        return false;
    }
    return true;
}

void AfxTermExtensionModule(HINSTANCE module) {
    g_extensions.erase(std::remove(g_extensions.begin(), g_extensions.end(), module),
                       g_extensions.end());
}

HINSTANCE AfxFindDialogResource(int id) {
    if (HasDialog(AfxGetResourceHandle(), id)) return AfxGetResourceHandle();
    for (HINSTANCE module : g_extensions)
        if (HasDialog(module, id)) return module;
    return nullptr;
}

HWND AfxGetMainWnd() {
    MainWindowSearch search = {nullptr};
    EnumThreadWindows(GetCurrentThreadId(), ConsiderWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void AfxSendCommand(HWND window, unsigned id) { SendMessageA(window, WM_COMMAND, id, 0); }
