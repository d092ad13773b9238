// The menu command from end to end in the test host: the dialog, the
// question, closing and reopening the views, the file work and the report.
#include <windows.h>
#include <commdlg.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "samples/SampleMap.h"
#include "samples/SampleMesh.h"
#include "samples/TestFolder.h"
#include "testhost/DialogRobot.h"
#include "testhost/HostControl.h"
#include "testhost/LoadedPlugin.h"
#include "testhost/MessageBoxRecorder.h"

namespace {

namespace fs = std::filesystem;

const char kDialogCaption[] = "数値地図の訂正";
const char kQuestion[] = "訂正先の圧縮地図を閉じてもよろしいですか？";

bool Contains(const std::vector<std::string>& calls, const std::string& call) {
    return std::find(calls.begin(), calls.end(), call) != calls.end();
}

class RunCorrectionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(Plugin().module, nullptr);
        TH_Reset();
        MessageBoxRecorder::Boxes().clear();
        m_callback = InitAndLoad(9);
        ASSERT_NE(m_callback, nullptr);

        fs::create_directories(m_dir / "mesh");
        SampleMapLayout layout;
        layout.tiles = {{3, 5}, {4, 5}};
        m_original = BuildSampleMap(layout, [](size_t, int) { return int16_t{5}; });
        std::ofstream(MapPath(), std::ios::binary)
            .write(reinterpret_cast<const char*>(m_original.data()),
                   static_cast<std::streamsize>(m_original.size()));
        for (int metres : {10, 20, 30}) {
            std::ofstream(m_dir / "mesh" / (std::to_string(metres) + ".mem"), std::ios::binary)
                << BuildMeshText(533945, AllMeshRecords(), [=](int, int) { return metres * 10; });
        }

        // View 1 shows the map as its base map, view 2 another map, view 3
        // the map as a cover map over another base map.
        const unsigned base1 = TH_AddMap(10, MapPath().c_str(), 0, 0, "G1.mgp");
        const unsigned map1 = TH_AddMap(10, MapPath().c_str(), 0, base1, "");
        const unsigned base2 = TH_AddMap(1, "other.dcm", 0, 0, "G2.mgp");
        const unsigned map2 = TH_AddMap(1, "other.dcm", 0, base2, "");
        const unsigned cover3 = TH_AddMap(10, UpperPath().c_str(), 0, 0, "");
        const unsigned base3 = TH_AddMap(1, "base3.map", 0, 0, "G3.mgp");
        const unsigned map3 = TH_AddMap(1, "", cover3, base3, "");
        TH_AddView(map1, 1.5, 2.5);
        TH_AddView(map2, 3.5, 4.5);
        TH_AddView(map3, 5.5, 6.5);
        TH_SetActiveView(1);
    }
    void TearDown() override {
        // The file dialog makes the folder it was in current, which would
        // keep the folder from being removed.
        SetCurrentDirectoryA(fs::temp_directory_path().string().c_str());
    }

    std::string MapPath() const { return (m_dir / "map.dcm").string(); }
    // The same path with other case, as another view may hold it.
    std::string UpperPath() const {
        std::string path = MapPath();
        std::transform(path.begin(), path.end(), path.begin(),
                       [](char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; });
        return path;
    }
    std::vector<uint8_t> MapBytes() const {
        std::ifstream in(MapPath(), std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    }

    // Chooses the command; the robot notes the map field, fills in both
    // fields and presses `button`.
    std::string ChooseCommand(int button) {
        std::string prefilled;
        const std::string map = MapPath(), folder = (m_dir / "mesh").string();
        DialogRobot robot(kDialogCaption, [&](HWND dialog) {
            prefilled = DialogItemText(dialog, 8059);
            SendMessageA(GetDlgItem(dialog, 8059), WM_SETTEXT, 0,
                         reinterpret_cast<LPARAM>(map.c_str()));
            SendMessageA(GetDlgItem(dialog, 8060), WM_SETTEXT, 0,
                         reinterpret_cast<LPARAM>(folder.c_str()));
            PostMessageA(dialog, WM_COMMAND, button, 0);
        });
        EXPECT_EQ(m_callback(100, 0, 0), 0);
        EXPECT_TRUE(robot.Finish()) << "the dialog did not appear";
        return prefilled;
    }

    VXP_MENUPROC m_callback = nullptr;
    CTestFolder m_folder;
    const fs::path& m_dir = m_folder.Path();
    std::vector<uint8_t> m_original;
};

TEST_F(RunCorrectionTest, CorrectsTheMapAndPutsItBackIntoTheViewsThatShowedIt) {
    MessageBoxRecorder::SetAnswer(IDYES);
    EXPECT_EQ(ChooseCommand(IDOK), MapPath()) << "the active compressed map is filled in";

    const auto& boxes = MessageBoxRecorder::Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, kQuestion);
    EXPECT_EQ(boxes[0].style, static_cast<UINT>(MB_YESNO | MB_ICONEXCLAMATION));
    EXPECT_EQ(boxes[1].text, "3 個の数値地図ファイルを読み込んで訂正しました.");
    EXPECT_EQ(boxes[1].style, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));

    const auto calls = HostCalls();
    EXPECT_TRUE(Contains(calls, "VXP_CloseMap(1)"));
    EXPECT_FALSE(Contains(calls, "VXP_CloseMap(2)"));
    EXPECT_TRUE(Contains(calls, "VXP_CloseMap(3)")) << "paths match without regard to case";
    EXPECT_TRUE(Contains(calls, "VXP_OpenMap(1,48,G1.mgp,1,1.500000,2.500000,0,0)"));
    EXPECT_TRUE(Contains(calls, "VXP_OpenMap(3,48,G3.mgp,1,5.500000,6.500000,0,0)"))
        << "the base map's group";
    EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                            [](const std::string& c) { return c.rfind("VXP_OpenMap", 0) == 0; }),
              2);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "VXP_Pump()"), 3 + 3)
        << "once per file, once per view reopened";

    EXPECT_NE(MapBytes(), m_original);
    // The last file applied wins; which one is last is the directory search's to say.
    const int16_t cell = TileCellAt(MapBytes(), SampleBlockOffset(0), 0, 40);
    EXPECT_TRUE(cell == 11 || cell == 21 || cell == 31) << cell;
}

TEST_F(RunCorrectionTest, NoToTheQuestionLeavesEverythingAsItWas) {
    MessageBoxRecorder::SetAnswer(IDNO);
    ChooseCommand(IDOK);
    ASSERT_EQ(MessageBoxRecorder::Boxes().size(), 1u);
    const auto calls = HostCalls();
    EXPECT_FALSE(Contains(calls, "VXP_CloseMap(1)"));
    EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                            [](const std::string& c) { return c.rfind("VXP_OpenMap", 0) == 0; }),
              0);
    EXPECT_EQ(MapBytes(), m_original);
}

TEST_F(RunCorrectionTest, NoAtTheSecondViewVisitedLeavesThatViewActive) {
    MessageBoxRecorder::SetAnswer(IDNO);
    TH_SetActiveView(2);  // the walk goes 2, then 3, which shows the map
    EXPECT_EQ(ChooseCommand(IDOK), "") << "view 2 shows no compressed map";
    ASSERT_EQ(MessageBoxRecorder::Boxes().size(), 1u);
    EXPECT_EQ(VXP_GetActiveView(), 3u);
    EXPECT_FALSE(Contains(HostCalls(), "VXP_CloseMap(3)"));
}

TEST_F(RunCorrectionTest, WalksEndWhenClosingRemovesTheirStartingView) {
    // Closing a map removes its view here, the starting view first: a walk
    // that waited for its start to come round again would never end.
    TH_SetCloseRemovesView(1);
    MessageBoxRecorder::SetAnswer(IDYES);
    ChooseCommand(IDOK);
    const auto calls = HostCalls();
    EXPECT_TRUE(Contains(calls, "VXP_CloseMap(1)"));
    EXPECT_TRUE(Contains(calls, "VXP_CloseMap(3)"));
    ASSERT_EQ(MessageBoxRecorder::Boxes().size(), 2u);
    EXPECT_EQ(MessageBoxRecorder::Boxes()[1].text,
              "3 個の数値地図ファイルを読み込んで訂正しました.");
}

TEST_F(RunCorrectionTest, TypedPathsSurviveCancelledBrowsers) {
    bool dcmKept = false, folderKept = false, sawFileDialog = false, sawFolderBrowser = false;
    DialogRobot robot(kDialogCaption, [&](HWND dialog) {
        SendMessageA(GetDlgItem(dialog, 8059), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>("C:\\typed\\map.dcm"));
        SendMessageA(GetDlgItem(dialog, 8060), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>("C:\\typed"));
        for (int button : {244, 245}) {
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
            HWND browser = WaitForOwnedWindow(dialog);
            (button == 244 ? sawFileDialog : sawFolderBrowser) = browser != nullptr;
            if (browser != nullptr) PostMessageA(browser, WM_COMMAND, IDCANCEL, 0);
            Sleep(300);
        }
        dcmKept = WaitForItemText(dialog, 8059, "C:\\typed\\map.dcm");
        folderKept = WaitForItemText(dialog, 8060, "C:\\typed");
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(m_callback(100, 0, 0), 0);
    ASSERT_TRUE(robot.Finish());
    EXPECT_TRUE(sawFileDialog);
    EXPECT_TRUE(sawFolderBrowser);
    EXPECT_TRUE(dcmKept);
    EXPECT_TRUE(folderKept);
    EXPECT_TRUE(MessageBoxRecorder::Boxes().empty());
}

TEST_F(RunCorrectionTest, ChosenMapGetsUpperCaseAndItsExtension) {
    const std::string typed = (m_dir / "area").string();
    std::string expected = typed + ".DCM";
    std::transform(expected.begin(), expected.end(), expected.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; });
    std::string field;
    DialogRobot robot(kDialogCaption, [&](HWND dialog) {
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(244, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, 244)));
        HWND browser = WaitForOwnedWindow(dialog);
        if (browser != nullptr) {
            // Types into the file name box (cmb13 of the common dialog).
            SendMessageA(browser, CDM_SETCONTROLTEXT, 0x47C,
                         reinterpret_cast<LPARAM>(typed.c_str()));
            PostMessageA(browser, WM_COMMAND, IDOK, 0);
            WaitForItemText(dialog, 8059, expected);
        }
        field = DialogItemText(dialog, 8059);
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(m_callback(100, 0, 0), 0);
    ASSERT_TRUE(robot.Finish());
    EXPECT_EQ(field, expected) << "typed without an extension, the dialog adds .dcm";
}

TEST_F(RunCorrectionTest, AbortButtonStopsAfterTheFileBeingApplied) {
    for (int metres : {40, 50}) {
        std::ofstream(m_dir / "mesh" / (std::to_string(metres) + ".mem"), std::ios::binary)
            << BuildMeshText(533945, AllMeshRecords(), [=](int, int) { return metres * 10; });
    }
    MessageBoxRecorder::SetAnswer(IDYES);
    TH_AbortAtPump(2);  // clicked while the second of five files is applied
    ChooseCommand(IDOK);
    ASSERT_EQ(MessageBoxRecorder::Boxes().size(), 2u);
    EXPECT_EQ(MessageBoxRecorder::Boxes()[1].text,
              "2 個の数値地図ファイルを読み込んで訂正しました.");
    // Which two were applied is the directory search's to say.
    const int16_t cell = TileCellAt(MapBytes(), SampleBlockOffset(0), 0, 40);
    EXPECT_TRUE(cell == 11 || cell == 21 || cell == 31 || cell == 41 || cell == 51) << cell;
    EXPECT_TRUE(Contains(HostCalls(), "VXP_OpenMap(1,48,G1.mgp,1,1.500000,2.500000,0,0)"));
}

TEST_F(RunCorrectionTest, CancelStartsNothing) {
    ChooseCommand(IDCANCEL);
    EXPECT_TRUE(MessageBoxRecorder::Boxes().empty());
    EXPECT_FALSE(Contains(HostCalls(), "VXP_CloseMap(1)"));
    EXPECT_EQ(MapBytes(), m_original);
}

TEST_F(RunCorrectionTest, MissingMapIsReportedAndTheViewsReopened) {
    MessageBoxRecorder::SetAnswer(IDYES);
    fs::remove(MapPath());
    ChooseCommand(IDOK);
    const auto& boxes = MessageBoxRecorder::Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text,
              "指定された圧縮地図を開けません.地図の指定が間違っていないか確認してください.");
    EXPECT_EQ(boxes[1].style, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    EXPECT_TRUE(Contains(HostCalls(), "VXP_OpenMap(1,48,G1.mgp,1,1.500000,2.500000,0,0)"));
}

}  // namespace
