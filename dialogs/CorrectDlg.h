#pragma once

#include <string>

#include "dialogs/PluginDialog.h"

// The dialog in which the user names the compressed map to correct and the
// folder of mesh files, each with a browse button.
class CCorrectDlg : public CPluginDialog {
  public:
    explicit CCorrectDlg(HWND parent = nullptr);

    std::string m_strDcm;
    std::string m_strFolder;

  protected:
    const CommandEntry* GetCommandMap() const override;
    void DoDataExchange(CDataExchange* pDX) override;

    // Lets the user pick a .dcm file (which need not exist yet); the choice
    // is upper-cased and, unless ".DCM" occurs in it, gets ".dcm" appended.
    void OnBrowseDcm();
    void OnBrowseFolder();
};

// The path the map browser makes of a chosen file: upper case, and ".dcm"
// appended unless ".DCM" occurs anywhere in it.
std::string NormalizeChosenMapPath(const std::string& chosen);
