#include "correction/RunCorrection.h"

#include <memory>

#include "correction/CorrectMap.h"
#include "correction/CorrectionUi.h"
#include "correction/MapViews.h"
#include "correction/MeshFileSource.h"
#include "correction/Messages.h"
#include "dialogs/DialogIds.h"
#include "dialogs/ProgressDlg.h"
#include "framework/Exception.h"
#include "framework/MessageBox.h"

namespace {

// The run's surroundings in the host: message boxes, the progress dialog
// over the host's main window, and the host's own message pump.
class CPluginCorrectionUi final : public ICorrectionUi {
  public:
    ~CPluginCorrectionUi() override { CloseProgress(); }

    void ShowMessage(const std::string& text, MessageKind kind) override {
        AfxMessageBox(
            text, kMbOk | (kind == MessageKind::kResult ? kMbIconInformation : kMbIconExclamation));
    }
    void ShowError(const CException& error) override {
        const bool file = dynamic_cast<const CFileException*>(&error) != nullptr;
        AfxMessageBox(std::string(file ? kMsgFileError : kMsgRunFailed) + "\n" + error.what(),
                      kMbOk | kMbIconExclamation);
    }
    void OpenProgress() override {
        m_dialog = std::make_unique<CProgressDlg>();
        if (!m_dialog->Create(IDD_PROGRESS, VXP_GetMainWnd())) {
            m_dialog.reset();
            throw CException("the progress window could not be created");
        }
        m_dialog->SetFileName("");
        m_dialog->SetPos(0);
    }
    void SetFileName(const std::string& name) override { m_dialog->SetFileName(name); }
    void SetPos(int percent) override { m_dialog->SetPos(percent); }
    void Pump() override { VXP_Pump(); }
    bool AbortRequested() const override { return m_dialog && m_dialog->m_bAbort != 0; }
    void CloseProgress() override {
        if (!m_dialog) return;
        m_dialog->DestroyWindow();
        m_dialog.reset();
    }

  private:
    std::unique_ptr<CProgressDlg> m_dialog;
};

}  // namespace

void RunCorrection(const char* dcmPath, const char* folderPath) {
    CMapViewArray views;
    if (!CloseMapInViews(dcmPath, views)) return;
    {
        CFolderMeshFiles meshes(folderPath);
        CPluginCorrectionUi ui;
        CorrectMap(dcmPath, meshes, ui);
    }
    ReopenMapInViews(views);
}
