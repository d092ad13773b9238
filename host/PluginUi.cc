#include "host/PluginUi.h"

#include "dialogs/DialogIds.h"
#include "dialogs/ProgressDlg.h"
#include "framework/Exception.h"
#include "framework/MessageBox.h"
#include "framework/SystemMessage.h"
#include "host/RunCorrection.h"
#include "plugin/PluginIf.h"

namespace {

constexpr std::chrono::milliseconds kPumpInterval{50};

}  // namespace

CPluginCorrectionUi::CPluginCorrectionUi(bool pumpDuringReads)
    : m_bPumpDuringReads(pumpDuringReads), m_lastPump(std::chrono::steady_clock::now()) {}

CPluginCorrectionUi::~CPluginCorrectionUi() { CloseProgress(); }

void CPluginCorrectionUi::ShowMessage(const std::string& text, MessageKind kind) {
    CloseProgress();
    AfxMessageBox(text,
                  kMbOk | (kind == MessageKind::kResult ? kMbIconInformation : kMbIconExclamation));
}

void CPluginCorrectionUi::ShowError(const CException& error) {
    CloseProgress();
    AfxMessageBox(FailureMessage(error) + (m_errorNote ? m_errorNote() : std::string()),
                  kMbOk | kMbIconExclamation);
}

void CPluginCorrectionUi::OpenProgress() {
    CloseProgress();
    m_dialog = std::make_unique<CProgressDlg>();
    if (!m_dialog->Create(IDD_PROGRESS, VXP_GetMainWnd())) {
        m_dialog.reset();
        throw CException(AfxLastSystemMessage());
    }
    m_strShown.clear();
    m_nShown = 0;
    m_dialog->SetFileName("");
    m_dialog->SetPos(0);
}

void CPluginCorrectionUi::SetFileName(const std::string& name) {
    if (!m_dialog || name == m_strShown) return;
    m_strShown = name;
    m_dialog->SetFileName(name);
}

void CPluginCorrectionUi::SetPos(int percent) {
    if (!m_dialog || percent == m_nShown) return;
    m_nShown = percent;
    m_dialog->SetPos(percent);
}

void CPluginCorrectionUi::Pump() {
    VXP_Pump();
    m_lastPump = std::chrono::steady_clock::now();
}

void CPluginCorrectionUi::KeepResponsive() {
    if (m_bPumpDuringReads && std::chrono::steady_clock::now() - m_lastPump >= kPumpInterval)
        Pump();
}

bool CPluginCorrectionUi::AbortRequested() const { return m_dialog && m_dialog->m_bAbort != 0; }

void CPluginCorrectionUi::CloseProgress() {
    if (!m_dialog) return;
    m_dialog->DestroyWindow();
    m_dialog.reset();
}
