// CDialog on the Win32 dialog manager. Modeless dialogs get their keyboard
// handling (Escape, Tab) from a message hook that exists only while one of
// them does, since the host's message loop does not know them.
#include "framework/Dialog.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "framework/AppModule.h"
#include "framework/MessageBox.h"

namespace {

std::vector<HWND> g_modeless;
HHOOK g_keyboardHook = nullptr;

LRESULT CALLBACK ModelessKeysHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code >= 0 && wParam == PM_REMOVE) {
        MSG* msg = reinterpret_cast<MSG*>(lParam);
        if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST) {
            for (HWND dialog : g_modeless) {
                if ((msg->hwnd == dialog || IsChild(dialog, msg->hwnd)) &&
                    IsDialogMessageA(dialog, msg)) {
                    msg->message = WM_NULL;
                    break;
                }
            }
        }
    }
    return CallNextHookEx(g_keyboardHook, code, wParam, lParam);
}

void AddModeless(HWND dialog) {
    if (g_modeless.empty())
        g_keyboardHook =
            SetWindowsHookExA(WH_GETMESSAGE, ModelessKeysHook, nullptr, GetCurrentThreadId());
    g_modeless.push_back(dialog);
}

void RemoveModeless(HWND dialog) {
    auto it = std::find(g_modeless.begin(), g_modeless.end(), dialog);
    if (it == g_modeless.end()) return;
    g_modeless.erase(it);
    if (g_modeless.empty() && g_keyboardHook != nullptr) {
        UnhookWindowsHookEx(g_keyboardHook);
        g_keyboardHook = nullptr;
    }
}

INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        reinterpret_cast<CDialog*>(lParam)->m_hWnd = hwnd;
    }
    auto* dialog = reinterpret_cast<CDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (dialog == nullptr) return FALSE;
    const INT_PTR result = dialog->HandleMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        RemoveModeless(hwnd);
        dialog->m_hWnd = nullptr;
    }
    return result;
}

// True when the template's style shows the window from the start. The style
// is the first field of a plain template and follows version, signature,
// help id and extended style in an extended one.
bool TemplateIsVisible(HINSTANCE module, int id) {
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));
    HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
    const auto* bytes =
        static_cast<const BYTE*>(loaded != nullptr ? LockResource(loaded) : nullptr);
    if (bytes == nullptr || SizeofResource(module, found) < 16) return false;
    const bool extended = bytes[2] == 0xFF && bytes[3] == 0xFF;
    DWORD style = 0;
    std::memcpy(&style, bytes + (extended ? 12 : 0), sizeof style);
    return (style & WS_VISIBLE) != 0;
}

// The owner of a modal dialog that was given none: the main window, or the
// pop-up it last made active, so that the dialog stands over what the user
// sees.
HWND DefaultModalOwner() {
    HWND main = AfxGetMainWnd();
    return main != nullptr ? GetLastActivePopup(main) : nullptr;
}

void RegisterCommonControls() {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
}

}  // namespace

HWND CWnd::GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }

bool CWnd::GetWindowRect(CRect& rect) const {
    RECT r;
    if (!::GetWindowRect(m_hWnd, &r)) return false;
    rect = {r.left, r.top, r.right, r.bottom};
    return true;
}

bool CWnd::MoveWindow(const CRect& rect, bool repaint) {
    return ::MoveWindow(m_hWnd, rect.left, rect.top, rect.Width(), rect.Height(), repaint) != FALSE;
}

bool CWnd::DestroyWindow() {
    if (m_hWnd == nullptr) return false;
    return ::DestroyWindow(m_hWnd) != FALSE;
}

void DDX_Text(CDataExchange* pDX, int id, std::string& value) {
    HWND control = pDX->m_pDlgWnd->GetDlgItem(id);
    if (pDX->m_bSaveAndValidate) {
        const int length = GetWindowTextLengthA(control);
        std::string text(static_cast<size_t>(length) + 1, '\0');
        text.resize(static_cast<size_t>(GetWindowTextA(control, text.data(), length + 1)));
        value = text;
    } else {
        SetWindowTextA(control, value.c_str());
    }
}

void DDX_Control(CDataExchange* pDX, int id, CWnd& control) {
    if (control.m_hWnd == nullptr) control.m_hWnd = pDX->m_pDlgWnd->GetDlgItem(id);
}

CDialog::CDialog(int templateId, HWND parent) : m_nTemplateId(templateId), m_hParent(parent) {}

CDialog::~CDialog() {
    if (m_hWnd != nullptr) ::DestroyWindow(m_hWnd);
}

int CDialog::DoModal() {
    HINSTANCE module = AfxFindDialogResource(m_nTemplateId);
    if (module == nullptr) return -1;
    RegisterCommonControls();
    m_bTemplateVisible = TemplateIsVisible(module, m_nTemplateId);
    // The dialog manager disables the owner for the run and enables it again
    // however the run ends: the user cannot start the dialog's command again
    // from under it.
    HWND owner = m_hParent != nullptr ? m_hParent : DefaultModalOwner();
    const INT_PTR result = DialogBoxParamA(module, MAKEINTRESOURCEA(m_nTemplateId), owner,
                                           DialogProc, reinterpret_cast<LPARAM>(this));
    return static_cast<int>(result);
}

bool CDialog::Create(int templateId, HWND parent) {
    m_nTemplateId = templateId;
    m_hParent = parent;
    HINSTANCE module = AfxFindDialogResource(templateId);
    if (module == nullptr) return false;
    RegisterCommonControls();
    m_bTemplateVisible = TemplateIsVisible(module, LOWORD(templateId));
    HWND hwnd = CreateDialogParamA(module, MAKEINTRESOURCEA(LOWORD(templateId)), parent, DialogProc,
                                   reinterpret_cast<LPARAM>(this));
    if (hwnd == nullptr) return false;
    AddModeless(hwnd);
    return true;
}

bool CDialog::UpdateData(bool saveAndValidate) {
    CDataExchange exchange(this, saveAndValidate);
    DoDataExchange(&exchange);
    return true;
}

void CDialog::EndDialog(int result) { ::EndDialog(m_hWnd, result); }

const CommandEntry* CDialog::GetCommandMap() const {
    static const CommandEntry map[] = {END_COMMAND_MAP};
    return map;
}

void CDialog::DoDataExchange(CDataExchange*) {}

bool CDialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

void CDialog::OnOK() {
    UpdateData(true);
    EndDialog(kIdOk);
}

void CDialog::OnCancel() { EndDialog(kIdCancel); }

bool CDialog::DispatchCommand(int id, int code) {
    for (const CommandEntry* entry = GetCommandMap(); entry->handler != nullptr; ++entry) {
        if (entry->id == id && entry->code == code) {
            (this->*entry->handler)();
            return true;
        }
    }
    if (id == IDOK && code == BN_CLICKED) {
        OnOK();
        return true;
    }
    if (id == IDCANCEL && code == BN_CLICKED) {
        OnCancel();
        return true;
    }
    return false;
}

void CDialog::CenterOverOwner() {
    CRect rect;
    GetWindowRect(rect);
    RECT area;
    HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
    if (owner == nullptr || !::GetWindowRect(owner, &area))
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    const long left = (area.left + area.right) / 2 - rect.Width() / 2;
    const long top = (area.top + area.bottom) / 2 - rect.Height() / 2;
    MoveWindow({left, top, left + rect.Width(), top + rect.Height()}, false);
}

intptr_t CDialog::HandleMessage(unsigned message, uintptr_t wParam, intptr_t) {
    switch (message) {
        case WM_INITDIALOG: {
            CRect before, after;
            GetWindowRect(before);
            const bool focus = OnInitDialog();
            GetWindowRect(after);
            if (!m_bTemplateVisible && before.left == after.left && before.top == after.top)
                CenterOverOwner();
            return focus ? TRUE : FALSE;
        }
        case WM_COMMAND:
            return DispatchCommand(LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
    }
    return FALSE;
}

void CProgressCtrl::SetRange(short lower, short upper) {
    SendMessageA(m_hWnd, PBM_SETRANGE, 0, MAKELPARAM(lower, upper));
}

int CProgressCtrl::SetPos(int position) {
    return static_cast<int>(SendMessageA(m_hWnd, PBM_SETPOS, static_cast<WPARAM>(position), 0));
}

int GetScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }
int GetScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }
