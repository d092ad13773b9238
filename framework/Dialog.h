#pragma once

#include <cstdint>
#include <string>

#include "framework/WindowTypes.h"

class CDialog;
class CProgressCtrl;

// A window the framework wraps: only the handle and the few operations the
// dialogs use.
class CWnd {
  public:
    HWND m_hWnd = nullptr;

    HWND GetSafeHwnd() const { return m_hWnd; }
    HWND GetDlgItem(int id) const;
    bool GetWindowRect(CRect& rect) const;
    bool MoveWindow(const CRect& rect, bool repaint = true);
    bool DestroyWindow();
};

// Moves values between a dialog's controls and its members, in the
// direction m_bSaveAndValidate gives (true: controls to members).
class CDataExchange {
  public:
    CDataExchange(CDialog* dialog, bool saveAndValidate)
        : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog) {}

    bool m_bSaveAndValidate;
    CDialog* m_pDlgWnd;
};

void DDX_Text(CDataExchange* pDX, int id, std::string& value);
void DDX_Control(CDataExchange* pDX, int id, CWnd& control);

// One line of a dialog's command map: a control, its notification code and
// the handler it calls. A map ends with END_COMMAND_MAP.
struct CommandEntry {
    int id;
    int code;
    void (CDialog::*handler)();
};
#define ON_BN_CLICKED(id, handler) \
    { id, 0, static_cast<void (CDialog::*)()>(&handler) }
#define END_COMMAND_MAP \
    { 0, 0, nullptr }

// A dialog from a template: modal or modeless, with data exchange, a
// command map chained to the default OK and Cancel handling.
class CDialog : public CWnd {
  public:
    CDialog(int templateId, HWND parent);
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Runs the dialog modally; returns how it ended (kIdOk, kIdCancel), or
    // -1 when the template cannot be found or the window not be made. A
    // dialog without parent is owned by the main window, or by the pop-up
    // that last was active over it; the owner is disabled while the dialog
    // runs and enabled again when it ends, whatever way it ends.
    virtual int DoModal();
    // Makes the dialog's window modelessly; false when that fails.
    bool Create(int templateId, HWND parent);

    // Exchanges data (true: controls to members); always succeeds here.
    bool UpdateData(bool saveAndValidate = true);
    void EndDialog(int result);

    // Called by the window procedure; not for use elsewhere.
    intptr_t HandleMessage(unsigned message, uintptr_t wParam, intptr_t lParam);

  protected:
    // The dialog's own commands; the default map is empty. Commands not in
    // it go to OK and Cancel handling.
    virtual const CommandEntry* GetCommandMap() const;
    virtual void DoDataExchange(CDataExchange* pDX);
    // Writes the members to the controls; returns true to let the system
    // set the focus. A dialog whose template is hidden and that did not move
    // itself is then centred over its owner; one whose template is visible
    // keeps the place it has after this.
    virtual bool OnInitDialog();
    // Reads the controls and ends with kIdOk.
    virtual void OnOK();
    // Ends with kIdCancel, reading nothing. A modeless window is hidden,
    // not destroyed.
    virtual void OnCancel();

    int m_nTemplateId;
    HWND m_hParent;

  private:
    bool DispatchCommand(int id, int code);
    void CenterOverOwner();

    bool m_bTemplateVisible = false;
};

// The progress bar control.
class CProgressCtrl : public CWnd {
  public:
    void SetRange(short lower, short upper);
    int SetPos(int position);
};

// Size of the primary screen in pixels.
int GetScreenWidth();
int GetScreenHeight();
