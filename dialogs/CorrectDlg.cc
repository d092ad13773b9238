#include "dialogs/CorrectDlg.h"

#include "dialogs/DialogIds.h"
#include "framework/Cp932Text.h"
#include "framework/FileDialogs.h"

namespace {

constexpr const char* kDcmFilter = "圧縮地図 [*.dcm]|*.dcm|すべて [*.*]|*.*||";
constexpr const char* kDcmTitle = "訂正する圧縮地図";
constexpr const char* kFolderTitle = "数値地図のあるフォルダを選択してください...";

}  // namespace

std::string NormalizeChosenMapPath(const std::string& chosen) {
    std::string path = UpperCaseAscii(chosen);
    if (path.find(".DCM") == std::string::npos) path += ".dcm";
    return path;
}

CCorrectDlg::CCorrectDlg(HWND parent) : CPluginDialog(IDD_CORRECT, parent) {}

const CommandEntry* CCorrectDlg::GetCommandMap() const {
    static const CommandEntry map[] = {
        ON_BN_CLICKED(IDC_BROWSE_DCM, CCorrectDlg::OnBrowseDcm),
        ON_BN_CLICKED(IDC_BROWSE_FOLDER, CCorrectDlg::OnBrowseFolder),
        END_COMMAND_MAP,
    };
    return map;
}

void CCorrectDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Text(pDX, IDC_CORRECT_DCM, m_strDcm);
    DDX_Text(pDX, IDC_CORRECT_FOLDER, m_strFolder);
}

void CCorrectDlg::OnBrowseDcm() {
    UpdateData(true);
    std::string chosen = m_strDcm;
    if (AfxBrowseSaveFile(m_hWnd, kDcmTitle, kDcmFilter, "dcm", chosen))
        m_strDcm = NormalizeChosenMapPath(chosen);
    UpdateData(false);
}

void CCorrectDlg::OnBrowseFolder() {
    UpdateData(true);
    if (AfxBrowseForFolder(m_hWnd, kFolderTitle, m_strFolder)) UpdateData(false);
}
