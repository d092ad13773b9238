// The dialogs as the templates make them: every control's text and place,
// read from the real windows.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialogs/CorrectDlg.h"
#include "dialogs/DialogIds.h"
#include "dialogs/ProgressDlg.h"

namespace {

struct Control {
    int id;  // -1 for none
    const char* text;
    RECT place;  // dialog units: x, y, width, height
};

std::vector<HWND> Children(HWND dialog) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

// Controls in template order, which is the order of the child windows.
void ExpectControls(HWND dialog, const std::vector<Control>& expected) {
    const std::vector<HWND> children = Children(dialog);
    ASSERT_EQ(children.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const Control& want = expected[i];
        char text[256] = {};
        GetWindowTextA(children[i], text, sizeof text);
        EXPECT_EQ(std::string(text), want.text) << "control " << i;
        if (want.id != -1) {
            EXPECT_EQ(GetDlgCtrlID(children[i]), want.id) << "control " << i;
        }
        // The dialog manager maps position and size each on its own.
        RECT units = want.place;
        MapDialogRect(dialog, &units);
        RECT actual;
        GetWindowRect(children[i], &actual);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
        EXPECT_EQ(actual.left, units.left) << "control " << i;
        EXPECT_EQ(actual.top, units.top) << "control " << i;
        EXPECT_EQ(actual.right - actual.left, units.right) << "control " << i;
        EXPECT_EQ(actual.bottom - actual.top, units.bottom) << "control " << i;
    }
}

std::string Caption(HWND window) {
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

TEST(DialogTemplatesTest, CorrectionDialogHasItsControlsInPlace) {
    CCorrectDlg dialog;
    dialog.m_strDcm = "C:\\MAPS\\AREA.DCM";
    ASSERT_TRUE(dialog.Create(IDD_CORRECT, nullptr));
    EXPECT_EQ(Caption(dialog.GetSafeHwnd()), "数値地図の訂正");
    ExpectControls(
        dialog.GetSafeHwnd(),
        {{-1,
          "　すでに圧縮ファイルになっている数値地図を、訂正ファイルによって差し替えます。",
          {11, 7, 217, 25}},
         {-1, "訂正する圧縮地図のファイル名(&N)", {38, 54, 120, 8}},
         {IDC_CORRECT_DCM, "C:\\MAPS\\AREA.DCM", {46, 64, 131, 12}},
         {IDC_BROWSE_DCM, "参照...", {178, 64, 27, 11}},
         {-1, "訂正する圧縮ファイル(.dcm)", {28, 40, 182, 56}},
         {-1, "訂正用の数値地図が入ったフォルダ(&D)", {38, 115, 120, 8}},
         {IDC_CORRECT_FOLDER, "", {46, 125, 131, 12}},
         {IDC_BROWSE_FOLDER, "参照...", {178, 125, 27, 11}},
         {-1, "訂正用の数値地図が入ったフォルダ", {28, 101, 182, 56}},
         {IDOK, "訂正開始", {125, 172, 50, 15}},
         {IDCANCEL, "キャンセル", {178, 172, 50, 15}}});
    dialog.DestroyWindow();
}

TEST(DialogTemplatesTest, ProgressDialogHasItsControlsInPlace) {
    CProgressDlg dialog;
    ASSERT_TRUE(dialog.Create(IDD_PROGRESS, nullptr));
    EXPECT_EQ(Caption(dialog.GetSafeHwnd()), "読み込み中...");
    ExpectControls(dialog.GetSafeHwnd(), {{IDC_PROGRESS_BAR, "Progress1", {7, 32, 125, 14}},
                                          {IDC_PROGRESS_FILE, "", {7, 16, 81, 8}},
                                          {IDC_PROGRESS_ABORT, "中止(&C)", {90, 14, 42, 14}}});
    dialog.DestroyWindow();
}

}  // namespace
