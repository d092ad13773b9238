#include "testhost/DialogRobot.h"

#include <commctrl.h>
#include <shlobj.h>

DialogRobot::DialogRobot(std::string caption, std::function<void(HWND)> act)
    : m_bFound(false), m_thread([this, caption, act] {
          for (int i = 0; i < 400; ++i) {
              HWND window = FindWindowA(nullptr, caption.c_str());
              if (window != nullptr && IsWindowVisible(window)) {
                  Sleep(100);  // let the dialog finish its initialisation
                  act(window);
                  m_bFound = true;
                  return;
              }
              Sleep(25);
          }
      }) {}

DialogRobot::~DialogRobot() {
    if (m_thread.joinable()) m_thread.join();
}

bool DialogRobot::Finish() {
    if (m_thread.joinable()) m_thread.join();
    return m_bFound;
}

std::string DialogItemText(HWND dialog, int id) {
    char text[1024] = {};
    SendMessageA(GetDlgItem(dialog, id), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

namespace {

struct OwnedSearch {
    HWND owner;
    HWND found;
};

BOOL CALLBACK ConsiderOwned(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<OwnedSearch*>(lParam);
    if (IsWindowVisible(window) && GetWindow(window, GW_OWNER) == search->owner) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND WaitForOwnedWindow(HWND owner) {
    for (int i = 0; i < 400; ++i) {
        OwnedSearch search = {owner, nullptr};
        EnumWindows(ConsiderOwned, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) {
            Sleep(200);  // let it finish its initialisation
            return search.found;
        }
        Sleep(25);
    }
    return nullptr;
}

bool WaitForItemText(HWND dialog, int id, const std::string& text) {
    for (int i = 0; i < 400; ++i) {
        if (DialogItemText(dialog, id) == text) return true;
        Sleep(25);
    }
    return false;
}

bool SelectInFolderBrowser(HWND browser, const std::string& folder) {
    HWND tree = FindWindowExA(browser, nullptr, WC_TREEVIEWA, nullptr);
    if (tree == nullptr) return false;
    // The tree names each folder by its last part. A browser still filling
    // its tree may select its root afterwards: select until it stays.
    const std::string name = folder.substr(folder.find_last_of('\\') + 1);
    for (int i = 0; i < 400; ++i) {
        SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(folder.c_str()));
        char text[MAX_PATH] = {};
        TVITEMA item = {};
        item.mask = TVIF_TEXT;
        item.hItem =
            reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        if (name == text) return true;
        Sleep(25);
    }
    return false;
}
