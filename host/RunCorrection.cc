#include "host/RunCorrection.h"

#include <memory>
#include <new>

#include "correction/CorrectMap.h"
#include "correction/CorrectionUi.h"
#include "correction/MeshFileSource.h"
#include "correction/Messages.h"
#include "dialogs/DialogIds.h"
#include "dialogs/ProgressDlg.h"
#include "framework/Exception.h"
#include "framework/MessageBox.h"
#include "framework/SystemMessage.h"
#include "host/MapViews.h"

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
        AfxMessageBox(FailureMessage(error), kMbOk | kMbIconExclamation);
    }
    void OpenProgress() override {
        m_dialog = std::make_unique<CProgressDlg>();
        if (!m_dialog->Create(IDD_PROGRESS, VXP_GetMainWnd())) {
            m_dialog.reset();
            throw CException(AfxLastSystemMessage());
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

std::string FailureMessage(const std::exception& error) {
    if (const auto* file = dynamic_cast<const CFileException*>(&error))
        return std::string(kMsgFileError) + "\n" + file->Path() + "\n" + file->Reason();
    // The framework's other exceptions carry the system's text.
    if (dynamic_cast<const CException*>(&error) != nullptr)
        return std::string(kMsgRunFailed) + "\n" + error.what();
    if (dynamic_cast<const std::bad_alloc*>(&error) != nullptr)
        return std::string(kMsgRunFailed) + "\n" + AfxOutOfMemoryMessage();
    return kMsgRunFailed;
}

namespace {

constexpr size_t kPluginCachedTiles = 16;

}  // namespace

void RunCorrection(const char* dcmPath, const char* folderPath) {
    CMapViewArray views;
    if (!CloseMapInViews(dcmPath, views)) return;
    // From here on the views get their map back whatever happens; by the
    // time a failure is caught, the file is closed and the progress gone.
    try {
        CFolderMeshFiles meshes(folderPath);
        CPluginCorrectionUi ui;
        // A small cache in the host's 32-bit address space: 3.3 MB.
        CorrectionOptions options;
        options.nCachedTiles = kPluginCachedTiles;
        CorrectMap(dcmPath, meshes, ui, options);
    } catch (const std::exception& error) {
        AfxMessageBox(FailureMessage(error), kMbOk | kMbIconExclamation);
    }
    ReopenMapInViews(views);
}
