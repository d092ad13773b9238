#include "dialogs/ProgressDlg.h"

#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>

#include "dialogs/DialogIds.h"
#include "framework/AppModule.h"

namespace {

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

std::string ControlText(HWND control) {
    char text[256] = {};
    GetWindowTextA(control, text, sizeof text);
    return text;
}

class ProgressDlgTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_dialog = std::make_unique<CProgressDlg>();
        ASSERT_TRUE(m_dialog->Create(IDD_PROGRESS, AfxGetMainWnd()));
        m_hWnd = m_dialog->GetSafeHwnd();
    }
    void TearDown() override {
        if (m_dialog->GetSafeHwnd() != nullptr) m_dialog->DestroyWindow();
        m_dialog.reset();
        Pump();
    }
    HWND Item(int id) const { return GetDlgItem(m_hWnd, id); }

    std::unique_ptr<CProgressDlg> m_dialog;
    HWND m_hWnd = nullptr;
};

TEST_F(ProgressDlgTest, IsCentredOnTheScreenByTheFormula) {
    RECT r;
    GetWindowRect(m_hWnd, &r);
    const long width = r.right - r.left, height = r.bottom - r.top;
    EXPECT_EQ(r.left, GetSystemMetrics(SM_CXSCREEN) / 2 - width / 2);
    EXPECT_EQ(r.top, GetSystemMetrics(SM_CYSCREEN) / 2 - height / 2);
    EXPECT_TRUE(IsWindowVisible(m_hWnd));
    EXPECT_EQ(GetParent(m_hWnd) != nullptr || GetWindow(m_hWnd, GW_OWNER) != nullptr, true);
}

TEST_F(ProgressDlgTest, KeepsTheFormulasPlaceAlsoWhereItWasMade) {
    RECT centred;
    GetWindowRect(m_hWnd, &centred);
    POINT client = {0, 0};
    ClientToScreen(m_hWnd, &client);
    m_dialog->DestroyWindow();
    // The template puts the dialog's client area at its owner's: with the
    // owner's where the formula puts the dialog's, the dialog is made where
    // the formula puts it, which then moves nothing.
    HWND owner = CreateWindowA("STATIC", "owner", WS_POPUP | WS_VISIBLE, client.x, client.y, 300,
                               200, nullptr, nullptr, nullptr, nullptr);
    CProgressDlg dialog;
    ASSERT_TRUE(dialog.Create(IDD_PROGRESS, owner));
    RECT r;
    GetWindowRect(dialog.GetSafeHwnd(), &r);
    EXPECT_EQ(r.left, centred.left) << "moved over its owner";
    EXPECT_EQ(r.top, centred.top);
    dialog.DestroyWindow();
    DestroyWindow(owner);
}

TEST_F(ProgressDlgTest, BarRunsFromZeroToHundredAndStartsAtZero) {
    PBRANGE range;
    SendMessageA(Item(IDC_PROGRESS_BAR), PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(range.iLow, 0);
    EXPECT_EQ(range.iHigh, 100);
    EXPECT_EQ(SendMessageA(Item(IDC_PROGRESS_BAR), PBM_GETPOS, 0, 0), 0);
    m_dialog->SetPos(57);
    EXPECT_EQ(SendMessageA(Item(IDC_PROGRESS_BAR), PBM_GETPOS, 0, 0), 57);
}

TEST_F(ProgressDlgTest, FileNameShowsAtOnceAndStartsEmpty) {
    EXPECT_EQ(ControlText(Item(IDC_PROGRESS_FILE)), "") << "the template's placeholder is replaced";
    m_dialog->SetFileName("533945.mem");
    EXPECT_EQ(ControlText(Item(IDC_PROGRESS_FILE)), "533945.mem") << "without a pump";
    m_dialog->SetFileName("数値.mem");
    EXPECT_EQ(ControlText(Item(IDC_PROGRESS_FILE)), "数値.mem");
}

TEST_F(ProgressDlgTest, AbortButtonSetsTheFlagOnceAndForAll) {
    EXPECT_EQ(m_dialog->m_bAbort, 0);
    PostMessageA(Item(IDC_PROGRESS_ABORT), BM_CLICK, 0, 0);
    EXPECT_EQ(m_dialog->m_bAbort, 0) << "the click waits for a pump";
    Pump();
    EXPECT_EQ(m_dialog->m_bAbort, 1);
    SendMessageA(Item(IDC_PROGRESS_ABORT), BM_CLICK, 0, 0);
    EXPECT_EQ(m_dialog->m_bAbort, 1);
    EXPECT_TRUE(IsWindowVisible(m_hWnd)) << "abort neither closes";
    EXPECT_TRUE(IsWindowEnabled(Item(IDC_PROGRESS_ABORT))) << "nor disables";
}

TEST_F(ProgressDlgTest, EscapeAndCloseBoxEndTheDialogWithoutAborting) {
    SetFocus(Item(IDC_PROGRESS_ABORT));
    PostMessageA(Item(IDC_PROGRESS_ABORT), WM_KEYDOWN, VK_ESCAPE, 0);
    Pump();
    EXPECT_EQ(m_dialog->m_bAbort, 0);
    EXPECT_TRUE(IsWindow(m_hWnd)) << "ended, not destroyed";
    EXPECT_FALSE(IsWindowVisible(m_hWnd));

    SendMessageA(m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    Pump();
    EXPECT_EQ(m_dialog->m_bAbort, 0);
    EXPECT_TRUE(IsWindow(m_hWnd));
}

}  // namespace
