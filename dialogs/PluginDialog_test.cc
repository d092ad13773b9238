#include "dialogs/PluginDialog.h"

#include <windows.h>
#include <gtest/gtest.h>

#include "dialogs/DialogIds.h"
#include "framework/AppModule.h"

namespace {

// A module without dialog templates, standing for the host program.
HINSTANCE HostModule() { return GetModuleHandleA("kernel32.dll"); }

// Notes the resource handle and its owner while it runs, then closes itself.
class CNotingDialog : public CPluginDialog {
  public:
    explicit CNotingDialog(int id) : CPluginDialog(id, nullptr) {}
    HINSTANCE duringRun = nullptr;
    HWND owner = nullptr;
    bool ownerEnabled = true;

  protected:
    bool OnInitDialog() override {
        duringRun = AfxGetResourceHandle();
        owner = GetWindow(m_hWnd, GW_OWNER);
        ownerEnabled = owner != nullptr && IsWindowEnabled(owner);
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
    EXPECT_EQ(dialog.duringRun, AfxGetInstanceHandle());
    EXPECT_EQ(AfxGetResourceHandle(), HostModule());
}

TEST_F(PluginDialogTest, ModalRunWithoutParentDisablesTheMainWindowsLastActivePopup) {
    HWND main = AfxGetMainWnd();
    ASSERT_NE(main, nullptr);
    CNotingDialog overMain(IDD_PROGRESS);
    EXPECT_EQ(overMain.DoModal(), IDCANCEL);
    EXPECT_EQ(overMain.owner, main);
    EXPECT_FALSE(overMain.ownerEnabled);
    EXPECT_TRUE(IsWindowEnabled(main));

    // A window of the host stands over its main window: the dialog goes over it.
    HWND popup = CreateWindowA("STATIC", "popup", WS_POPUP | WS_VISIBLE, 10, 10, 100, 100, main,
                               nullptr, nullptr, nullptr);
    SetActiveWindow(popup);
    CNotingDialog overPopup(IDD_PROGRESS);
    EXPECT_EQ(overPopup.DoModal(), IDCANCEL);
    EXPECT_EQ(overPopup.owner, popup);
    EXPECT_FALSE(overPopup.ownerEnabled);
    EXPECT_TRUE(IsWindowEnabled(popup));
    EXPECT_TRUE(IsWindowEnabled(main));
    DestroyWindow(popup);
}

TEST_F(PluginDialogTest, ModelessCreationUsesThePluginsResourcesAndRestoresTheHosts) {
    CNotingDialog dialog(IDD_PROGRESS);
    ASSERT_TRUE(dialog.Create(IDD_PROGRESS, nullptr));
    EXPECT_EQ(dialog.duringRun, AfxGetInstanceHandle());
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
