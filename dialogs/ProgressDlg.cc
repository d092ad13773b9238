#include "dialogs/ProgressDlg.h"

#include "dialogs/CenterOnScreen.h"
#include "dialogs/DialogIds.h"

CProgressDlg::CProgressDlg(HWND parent) : CPluginDialog(IDD_PROGRESS, parent) {}

const CommandEntry* CProgressDlg::GetCommandMap() const {
    static const CommandEntry map[] = {
        ON_BN_CLICKED(IDC_PROGRESS_ABORT, CProgressDlg::OnAbort),
        END_COMMAND_MAP,
    };
    return map;
}

void CProgressDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Control(pDX, IDC_PROGRESS_BAR, m_progress);
    DDX_Text(pDX, IDC_PROGRESS_FILE, m_strFile);
}

bool CProgressDlg::OnInitDialog() {
    CPluginDialog::OnInitDialog();
    CRect rect;
    GetWindowRect(rect);
    MoveWindow(CenterOnScreen(rect, GetScreenWidth(), GetScreenHeight()), true);
    m_progress.SetRange(0, 100);
    m_progress.SetPos(0);
    return true;
}

void CProgressDlg::SetPos(int percent) { m_progress.SetPos(percent); }

void CProgressDlg::SetFileName(const std::string& text) {
    m_strFile = text;
    UpdateData(false);
}

void CProgressDlg::OnAbort() { m_bAbort = 1; }
