#include "dialogs/PluginDialog.h"

#include <windows.h>
#include <gtest/gtest.h>

#include "dialogs/DialogIds.h"
#include "framework/AppModule.h"
#include "plugin/ModuleState.h"

namespace {

// A module without dialog templates, standing for the host program.
HINSTANCE HostModule() { return GetModuleHandleA("kernel32.dll"); }

// Notes the resource handle while it runs, then closes itself.
class CNotingDialog : public CPluginDialog {
  public:
    explicit CNotingDialog(int id) : CPluginDialog(id, nullptr) {}
    HINSTANCE duringRun = nullptr;

  protected:
    bool OnInitDialog() override {
        duringRun = AfxGetResourceHandle();
        PostMessageA(m_hWnd, WM_COMMAND, IDCANCEL, 0);
        return CPluginDialog::OnInitDialog();
    }
};

class PluginDialogTest : public ::testing::Test {
  protected:
    void SetUp() override { AfxSetResourceHandle(HostModule()); }
    void TearDown() override { AfxSetResourceHandle(nullptr); }
};

TEST_F(PluginDialogTest, ModalRunUsesThePluginsResourcesAndRestoresTheHosts) {
    CNotingDialog dialog(IDD_PROGRESS);
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.duringRun, PluginInstance());
    EXPECT_EQ(AfxGetResourceHandle(), HostModule());
}

TEST_F(PluginDialogTest, ModelessCreationUsesThePluginsResourcesAndRestoresTheHosts) {
    CNotingDialog dialog(IDD_PROGRESS);
    ASSERT_TRUE(dialog.Create(IDD_PROGRESS, nullptr));
    EXPECT_EQ(dialog.duringRun, PluginInstance());
    EXPECT_EQ(AfxGetResourceHandle(), HostModule());
    dialog.DestroyWindow();
}

TEST_F(PluginDialogTest, MissingTemplateFailsAndStillRestoresTheHandle) {
    CNotingDialog modal(4321);
    EXPECT_EQ(modal.DoModal(), -1);
    EXPECT_EQ(AfxGetResourceHandle(), HostModule());
    CNotingDialog modeless(4321);
    EXPECT_FALSE(modeless.Create(4321, nullptr));
    EXPECT_EQ(AfxGetResourceHandle(), HostModule());
    EXPECT_EQ(modeless.GetSafeHwnd(), nullptr);
}

}  // namespace
