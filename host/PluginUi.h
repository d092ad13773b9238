#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "correction/CorrectionUi.h"

class CProgressDlg;

// Tiles a run in the host's 32-bit address space keeps: 3.3 MB.
constexpr size_t kPluginCachedTiles = 16;

// The run's surroundings in the host: message boxes, the progress dialog
// over the host's main window, and the host's own message pump. The
// dialog is removed before any message box is shown.
class CPluginCorrectionUi final : public ICorrectionUi {
  public:
    // With pumpDuringReads the host's messages are pumped while a source is
    // read too (a DEM zip may take minutes), else only between squares (a
    // mesh file is read in milliseconds).
    explicit CPluginCorrectionUi(bool pumpDuringReads = false);
    ~CPluginCorrectionUi() override;

    void ShowMessage(const std::string& text, MessageKind kind) override;
    // The failure, and the note where one is set.
    void ShowError(const CException& error) override;
    // What a failure's message ends with while the run goes on (the undo
    // file kept, say); null for nothing.
    void SetErrorNote(std::function<std::string()> note) { m_errorNote = std::move(note); }
    void OpenProgress() override;
    // Both change the dialog only when they change what it shows.
    void SetFileName(const std::string& name) override;
    void SetPos(int percent) override;
    void Pump() override;
    // With pumpDuringReads, pumps when the host has waited 50 ms: asked
    // every 64 KiB a read inflates and while the run waits for a file read
    // on another thread, so that the host is seldom kept waiting 100 ms (a
    // file parsed on this thread, where only one processor is usable, is
    // not interrupted).
    void KeepResponsive() override;
    bool AbortRequested() const override;
    void CloseProgress() override;

  private:
    std::unique_ptr<CProgressDlg> m_dialog;
    std::function<std::string()> m_errorNote;
    std::string m_strShown;
    int m_nShown = -1;
    bool m_bPumpDuringReads;
    std::chrono::steady_clock::time_point m_lastPump;
};
