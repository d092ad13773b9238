#include "dialogs/PluginDialog.h"

#include "framework/AppModule.h"

// Points the framework at the plug-in's resources for its lifetime.
class CPluginDialog::CResourceSwitch {
  public:
    explicit CResourceSwitch(CPluginDialog& dialog) : m_dialog(dialog) {
        m_dialog.m_hPreviousResources = AfxGetResourceHandle();
        AfxSetResourceHandle(AfxGetInstanceHandle());
    }
    ~CResourceSwitch() { AfxSetResourceHandle(m_dialog.m_hPreviousResources); }

  private:
    CPluginDialog& m_dialog;
};

CPluginDialog::CPluginDialog(int templateId, HWND parent) : CDialog(templateId, parent) {}

int CPluginDialog::DoModal() {
    CResourceSwitch use(*this);
    return CDialog::DoModal();
}

bool CPluginDialog::Create(int templateId, HWND parent) {
    CResourceSwitch use(*this);
    return CDialog::Create(templateId & 0xFFFF, parent);
}
