#pragma once

#include "framework/Dialog.h"

// Base of the plug-in's dialogs: every modal run and every modeless creation
// takes its template from the plug-in's own module. The framework's current
// resource handle is switched for the call and restored, whatever its
// outcome, before the call returns.
class CPluginDialog : public CDialog {
  public:
    CPluginDialog(int templateId, HWND parent);

    int DoModal() override;
    bool Create(int templateId, HWND parent);

  private:
    class CResourceSwitch;

    HINSTANCE m_hPreviousResources = nullptr;
};
