#pragma once

#include <cstdint>
#include <string>

#include "dialogs/PluginDialog.h"

// The modeless window a correction shows while it applies mesh files: the
// file being read, a bar in percent and an abort button. The abort button
// only raises m_bAbort; the run reads it between files.
class CProgressDlg : public CPluginDialog {
  public:
    explicit CProgressDlg(HWND parent = nullptr);

    void SetPos(int percent);
    // Shows the text (code page 932) at once.
    void SetFileName(const std::string& text);

    CProgressCtrl m_progress;
    std::string m_strFile;
    int32_t m_bAbort = 0;

  protected:
    const CommandEntry* GetCommandMap() const override;
    void DoDataExchange(CDataExchange* pDX) override;
    // Centres the window on the screen and sets the bar to 0 of 0-100.
    bool OnInitDialog() override;

    void OnAbort();
};
