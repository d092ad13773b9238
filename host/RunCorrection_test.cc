// The menu command from end to end in the test host: the dialog, the
// question, closing and reopening the views, the file work and the report.
#include <windows.h>
#include <commdlg.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>

#include "samples/SampleMap.h"
#include "samples/SampleMesh.h"
#include "testhost/DialogRobot.h"
#include "testhost/HostControl.h"
#include "testhost/ImportPatch.h"
#include "testhost/LoadedPlugin.h"
#include "testhost/MessageBoxRecorder.h"
#include "testsupport/TestFolder.h"
#include "undo/UndoFile.h"

namespace {

namespace fs = std::filesystem;

const char kDialogCaption[] = "数値地図の訂正";
const char kQuestion[] = "訂正先の圧縮地図を閉じてもよろしいですか？";
const char kUndoQuestion[] =
    "訂正で上書きする内容を取り消しファイルに保存して、あとで元に戻せるようにしますか？\n"
    "必要な容量: 最大 ";

// Has the plug-in's memory run out once: its first allocation after its
// folder search has handed out the entry-th next entry fails.
class CMemoryRunsOut {
  public:
    static void AfterNextEntry(int entry) {
        static const bool installed = Install();
        ASSERT_TRUE(installed);
        s_nextEntries = 0;
        s_failAt = entry;
    }
    static void Disarm() { s_failAt = 0; }

  private:
    using MallocFn = void*(__cdecl*)(size_t);
    using FindNextFn = BOOL(WINAPI*)(HANDLE, WIN32_FIND_DATAW*);

    static bool Install() {
        s_malloc = reinterpret_cast<MallocFn>(
            PatchImport(Plugin().module, "msvcrt.dll", "malloc", reinterpret_cast<void*>(&Malloc)));
        s_findNext = reinterpret_cast<FindNextFn>(PatchImport(
            Plugin().module, "kernel32.dll", "FindNextFileW", reinterpret_cast<void*>(&FindNext)));
        return s_malloc != nullptr && s_findNext != nullptr;
    }
    static void* __cdecl Malloc(size_t size) {
        if (s_bFailNext) {
            s_bFailNext = false;
            return nullptr;
        }
        return s_malloc(size);
    }
    static BOOL WINAPI FindNext(HANDLE find, WIN32_FIND_DATAW* data) {
        const BOOL found = s_findNext(find, data);
        if (++s_nextEntries == s_failAt) s_bFailNext = true;
        return found;
    }

    static inline MallocFn s_malloc = nullptr;
    static inline FindNextFn s_findNext = nullptr;
    static inline int s_nextEntries = 0;
    static inline int s_failAt = 0;
    static inline bool s_bFailNext = false;
};

std::string SystemText(DWORD error) {
    char text[512] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                   text, sizeof text, nullptr);
    std::string message = text;
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
        message.pop_back();
    return message;
}

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
    int UndoFiles() const {
        int count = 0;
        for (const auto& entry : fs::directory_iterator(m_dir))
            count += entry.path().extension() == ".undo";
        return count;
    }
    std::vector<uint8_t> MapBytes() const {
        std::ifstream in(MapPath(), std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    }

    // Chooses the command; the robot lets `look` see the dialog, notes the
    // map field, fills in both fields and presses `button`.
    std::string ChooseCommand(int button, const std::function<void(HWND)>& look = nullptr) {
        std::string prefilled;
        const std::string map = MapPath(), folder = (m_dir / "mesh").string();
        DialogRobot robot(kDialogCaption, [&](HWND dialog) {
            if (look) look(dialog);
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

    // Chooses the undo command and the undo file in its dialog; every box
    // is answered Yes.
    void ChooseUndo(const std::string& undo) {
        MessageBoxRecorder::SetAnswer(IDYES);
        ChooseUndoAnswered(undo);
    }
    // The same, the boxes answered as set before.
    void ChooseUndoAnswered(const std::string& undo) {
        DialogRobot robot("取り消しファイルを選んでください", [&](HWND dialog) {
            SendMessageA(dialog, CDM_SETCONTROLTEXT, 0x47C, reinterpret_cast<LPARAM>(undo.c_str()));
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        });
        const VXP_MENUPROC command = UndoCommand();
        ASSERT_NE(command, nullptr);
        EXPECT_EQ(command(100, 0, 0), 0);
        EXPECT_TRUE(robot.Finish()) << "the file dialog did not appear";
    }

    VXP_MENUPROC m_callback = nullptr;
    CTestFolder m_folder;
    const fs::path& m_dir = m_folder.Path();
    std::vector<uint8_t> m_original;
};

TEST_F(RunCorrectionTest, CorrectsTheMapAndPutsItBackIntoTheViewsThatShowedIt) {
    MessageBoxRecorder::SetAnswer(IDYES);  // and keep an undo file
    EXPECT_EQ(ChooseCommand(IDOK), MapPath()) << "the active compressed map is filled in";

    const auto& boxes = MessageBoxRecorder::Boxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].text, kQuestion);
    EXPECT_EQ(boxes[0].style, static_cast<UINT>(MB_YESNO | MB_ICONEXCLAMATION));
    EXPECT_EQ(boxes[1].text.rfind(kUndoQuestion, 0), 0u) << boxes[1].text;
    EXPECT_EQ(boxes[1].style, static_cast<UINT>(MB_YESNOCANCEL | MB_ICONQUESTION));
    // The undo file beside the map, named by the run's local time, and in
    // the count on a line of its own; it gives the map back.
    const std::string count =
        "3 個の数値地図ファイルを読み込んで訂正しました.\n"
        "訂正を元に戻すための取り消しファイル:\n";
    ASSERT_EQ(boxes[2].text.rfind(count, 0), 0u) << boxes[2].text;
    const std::string undo = boxes[2].text.substr(count.size());
    EXPECT_EQ(undo.rfind(MapPath() + ".", 0), 0u) << undo;
    EXPECT_EQ(undo.size(), MapPath().size() + std::string(".YYYYMMDD-HHMMSS.undo").size());
    EXPECT_EQ(boxes[2].style, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));

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

    EXPECT_EQ(RestoreMap(undo, MapPath()).outcome, RestoreOutcome::kRestored);
    EXPECT_EQ(MapBytes(), m_original);
}

// The undo command on the undo file of a correction: the map back as it was.
TEST_F(RunCorrectionTest, TheUndoCommandGivesTheMapBackAndAStoppedOneCompletesLater) {
    // A square over both tiles: two blocks to write back.
    std::ofstream(m_dir / "mesh" / "both.mem", std::ios::binary)
        << BuildMeshText(533946, AllMeshRecords(), [](int, int) { return 70; });
    MessageBoxRecorder::SetAnswer(IDYES);
    ChooseCommand(IDOK);
    ASSERT_EQ(MessageBoxRecorder::Boxes().size(), 3u);
    const std::string count = MessageBoxRecorder::Boxes()[2].text;
    const std::string undo = count.substr(count.rfind('\n') + 1);
    const std::vector<uint8_t> corrected = MapBytes();
    ASSERT_NE(corrected, m_original);

    // Stopped after the first block: the map holds part of it.
    const auto pumps = [] {
        const auto calls = HostCalls();
        return static_cast<int>(std::count(calls.begin(), calls.end(), "VXP_Pump()"));
    };
    MessageBoxRecorder::Boxes().clear();
    TH_AbortAtPump(pumps() + 2);
    ChooseUndo(undo);
    // The test host's views show map groups once reopened: no view shows
    // the map now, and nothing more is asked before the restore.
    auto boxes = MessageBoxRecorder::Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(
        boxes[0].text.rfind("次の圧縮地図を、取り消しファイルに保存した訂正前の状態に戻しますか？\n"
                            "地図: " +
                                MapPath() + "\n取り消しファイル: " + undo + "\n",
                            0),
        0u)
        << boxes[0].text;
    EXPECT_EQ(boxes[0].style, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2));
    EXPECT_EQ(boxes[1].text,
              "中止したため、1 個のブロックを書き戻したところで止めました.\n"
              "もう一度元に戻すと、残りを書き戻して訂正前の地図に戻ります.");
    EXPECT_NE(MapBytes(), corrected);
    EXPECT_NE(MapBytes(), m_original);

    MessageBoxRecorder::Boxes().clear();
    ChooseUndo(undo);
    boxes = MessageBoxRecorder::Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text,
              "2 個のブロックを書き戻して、訂正前の地図に戻しました.\n"
              "取り消しファイルは残してあります.");
    EXPECT_EQ(MapBytes(), m_original);
    EXPECT_TRUE(fs::exists(undo));
    EXPECT_TRUE(Contains(HostCalls(), "VXP_OpenMap(1,48,G1.mgp,1,1.500000,2.500000,0,0)"));
}

TEST_F(RunCorrectionTest, TheUndoCommandRefusesAFileOfAnotherMap) {
    MessageBoxRecorder::SetAnswer(IDYES);
    ChooseCommand(IDOK);
    const std::string& count = MessageBoxRecorder::Boxes()[2].text;
    const fs::path undo = count.substr(count.rfind('\n') + 1);
    // Beside another map, named as that map's.
    const std::vector<uint8_t> other = MapBytes();
    const fs::path otherMap = m_dir / "other.dcm";
    std::ofstream(otherMap, std::ios::binary)
        .write(reinterpret_cast<const char*>(other.data()),
               static_cast<std::streamsize>(other.size()));
    std::ofstream(MapPath(), std::ios::binary | std::ios::app) << "longer";
    const fs::path otherUndo = m_dir / "other.dcm.20261208-090507.undo";
    fs::copy_file(undo, otherUndo);
    fs::resize_file(otherMap, other.size() + 100);

    MessageBoxRecorder::Boxes().clear();
    ChooseUndo(otherUndo.string());
    const auto& boxes = MessageBoxRecorder::Boxes();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back().text.rfind("この取り消しファイルでは元に戻せません.\n", 0), 0u)
        << boxes.back().text;
    EXPECT_EQ(boxes.back().style, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    std::vector<uint8_t> expected = other;
    expected.resize(other.size() + 100, 0);
    std::ifstream in(otherMap, std::ios::binary);
    EXPECT_EQ(std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {}), expected);
}

// A map written after the run: restored only on a second Yes, which says
// what is lost.
TEST_F(RunCorrectionTest, TheUndoCommandAsksAgainWhereTheMapChangedSince) {
    MessageBoxRecorder::SetAnswer(IDYES);
    ChooseCommand(IDOK);
    const std::string count = MessageBoxRecorder::Boxes()[2].text;
    const std::string undo = count.substr(count.rfind('\n') + 1);
    std::vector<uint8_t> changed = MapBytes();
    changed[SampleBlockOffset(0) + 80] ^= 0x55;
    const auto write = [&](const std::vector<uint8_t>& bytes) {
        std::ofstream(MapPath(), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    };
    write(changed);

    MessageBoxRecorder::Boxes().clear();
    MessageBoxRecorder::SetAnswers({IDYES, IDNO});  // restore; not over the change
    ChooseUndoAnswered(undo);
    ASSERT_EQ(MessageBoxRecorder::Boxes().size(), 2u);
    const RecordedMessageBox& again = MessageBoxRecorder::Boxes()[1];
    EXPECT_EQ(again.text.rfind("この圧縮地図は、訂正の後で変更されています.\n", 0), 0u)
        << again.text;
    EXPECT_NE(again.text.find("上書きされて失われます"), std::string::npos);
    EXPECT_EQ(again.style, static_cast<UINT>(MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2));
    EXPECT_EQ(MapBytes(), changed);

    MessageBoxRecorder::Boxes().clear();
    MessageBoxRecorder::SetAnswer(IDYES);
    ChooseUndoAnswered(undo);
    ASSERT_EQ(MessageBoxRecorder::Boxes().size(), 3u);
    EXPECT_EQ(MapBytes(), m_original);
}

TEST_F(RunCorrectionTest, NoAtTheUndoQuestionCorrectsWithoutAFile) {
    MessageBoxRecorder::SetAnswers({IDYES, IDNO});
    ChooseCommand(IDOK);
    ASSERT_EQ(MessageBoxRecorder::Boxes().size(), 3u);
    EXPECT_EQ(MessageBoxRecorder::Boxes()[2].text,
              "3 個の数値地図ファイルを読み込んで訂正しました.");
    EXPECT_NE(MapBytes(), m_original);
    EXPECT_EQ(UndoFiles(), 0);
}

TEST_F(RunCorrectionTest, CancelAtTheUndoQuestionWritesNothingAndReopensTheViews) {
    MessageBoxRecorder::SetAnswers({IDYES, IDCANCEL});
    ChooseCommand(IDOK);
    EXPECT_EQ(MessageBoxRecorder::Boxes().size(), 2u);
    EXPECT_EQ(MapBytes(), m_original);
    EXPECT_EQ(UndoFiles(), 0);
    EXPECT_TRUE(Contains(HostCalls(), "VXP_OpenMap(1,48,G1.mgp,1,1.500000,2.500000,0,0)"));
}

TEST_F(RunCorrectionTest, MeshFilesGoBeforeDemFilesInOneFolderAndTheCountSaysSo) {
    std::ofstream(m_dir / "mesh" / "FG-GML-5339-45-DEM10B-20161001.xml") << "<Dataset/>";
    MessageBoxRecorder::SetAnswers({IDYES, IDNO});
    ChooseCommand(IDOK);
    const auto& boxes = MessageBoxRecorder::Boxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(
        boxes[2].text,
        "3 個の数値地図ファイルを読み込んで訂正しました.\n"
        "メッシュファイルを使ったため、フォルダの DEM ファイル (*.xml, *.zip) は使っていません.");
    const int16_t cell = TileCellAt(MapBytes(), SampleBlockOffset(0), 0, 40);
    EXPECT_TRUE(cell == 11 || cell == 21 || cell == 31) << cell;
}

TEST_F(RunCorrectionTest, EveryViewIsRememberedBeforeTheHostClosesTheMapEverywhere) {
    // This host closes the map in views 1 and 3 at the first close: a view
    // not remembered by then would never get its map back.
    TH_SetCloseMapEverywhere(1);
    MessageBoxRecorder::SetAnswers({IDYES, IDNO});
    ChooseCommand(IDOK);
    ASSERT_EQ(MessageBoxRecorder::Boxes().size(), 3u) << "two questions, one report";

    const auto calls = HostCalls();
    const auto at = [&](const std::string& call) {
        return std::find(calls.begin(), calls.end(), call) - calls.begin();
    };
    const auto firstCall = [&](const std::string& prefix) {
        return std::find_if(calls.begin(), calls.end(),
                            [&](const std::string& c) { return c.rfind(prefix, 0) == 0; }) -
               calls.begin();
    };
    const auto closed = at("VXP_CloseMap(1)");
    EXPECT_LT(at("VXP_GetViewCenter(1)"), closed);
    EXPECT_LT(at("VXP_GetViewCenter(3)"), closed);
    EXPECT_EQ(at("VXP_CloseMap(3)"), static_cast<ptrdiff_t>(calls.size()))
        << "view 3 lost its map with view 1's: the closing pass asks the host afresh";
    const auto fileWork = at("VXP_GetMainWnd()");  // the progress dialog's parent
    EXPECT_LT(closed, fileWork);
    EXPECT_LT(fileWork, firstCall("VXP_OpenMap"));
    EXPECT_LT(at("VXP_OpenMap(1,48,G1.mgp,1,1.500000,2.500000,0,0)"),
              at("VXP_OpenMap(3,48,G3.mgp,1,5.500000,6.500000,0,0)"))
        << "both reopened at their own centres, in visiting order";
    EXPECT_LT(at("VXP_OpenMap(3,48,G3.mgp,1,5.500000,6.500000,0,0)"),
              static_cast<ptrdiff_t>(calls.size()));
}

TEST_F(RunCorrectionTest, DialogIsModalOverTheHostAndTheRunIsNot) {
    HWND main = FindWindowA("ZelvorinTestHostMain", nullptr);
    ASSERT_NE(main, nullptr);
    HWND owner = nullptr;
    bool mainEnabled = true;
    RECT dialog = {}, host = {};
    MessageBoxRecorder::SetAnswer(IDYES);
    ChooseCommand(IDOK, [&](HWND window) {
        owner = GetWindow(window, GW_OWNER);
        mainEnabled = IsWindowEnabled(main) != FALSE;
        GetWindowRect(window, &dialog);
        GetWindowRect(main, &host);
    });
    EXPECT_EQ(owner, main);
    EXPECT_FALSE(mainEnabled) << "the command could be chosen again from under its dialog";
    EXPECT_TRUE(IsWindowEnabled(main)) << "the host takes input again once the command is over";
    EXPECT_EQ(dialog.left, (host.left + host.right) / 2 - (dialog.right - dialog.left) / 2);
    EXPECT_EQ(dialog.top, (host.top + host.bottom) / 2 - (dialog.bottom - dialog.top) / 2);

    RECT progress;
    int enabledInRun = 0;
    ASSERT_TRUE(TH_ProgressAtPump(&progress, &enabledInRun));
    EXPECT_TRUE(enabledInRun) << "the run leaves the host as it is";
    EXPECT_EQ(progress.left,
              GetSystemMetrics(SM_CXSCREEN) / 2 - (progress.right - progress.left) / 2);
    EXPECT_EQ(progress.top,
              GetSystemMetrics(SM_CYSCREEN) / 2 - (progress.bottom - progress.top) / 2);
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
    MessageBoxRecorder::SetAnswers({IDYES, IDNO});
    ChooseCommand(IDOK);
    const auto calls = HostCalls();
    EXPECT_TRUE(Contains(calls, "VXP_CloseMap(1)"));
    EXPECT_TRUE(Contains(calls, "VXP_CloseMap(3)"));
    ASSERT_EQ(MessageBoxRecorder::Boxes().size(), 3u);
    EXPECT_EQ(MessageBoxRecorder::Boxes()[2].text,
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

TEST_F(RunCorrectionTest, ChosenFolderFillsItsFieldAndTheTypedMapSurvives) {
    CTestFolder chosen;
    bool selected = false;
    std::string map, folder;
    DialogRobot robot(kDialogCaption, [&](HWND dialog) {
        // Typed over the map filled in from the active view.
        SendMessageA(GetDlgItem(dialog, 8059), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>("C:\\typed\\map.dcm"));
        SendMessageA(GetDlgItem(dialog, 8060), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>("C:\\typed"));
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(245, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, 245)));
        HWND browser = WaitForOwnedWindow(dialog);
        if (browser != nullptr) {
            // The user opens the shell's tree down to the folder and presses OK.
            selected = SelectInFolderBrowser(browser, chosen.Path().string());
            PostMessageA(browser, WM_COMMAND, IDOK, 0);
            WaitForItemText(dialog, 8060, chosen.Path().string());
        }
        map = DialogItemText(dialog, 8059);
        folder = DialogItemText(dialog, 8060);
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(m_callback(100, 0, 0), 0);
    ASSERT_TRUE(robot.Finish());
    ASSERT_TRUE(selected) << "the browser's tree never showed the folder";
    EXPECT_EQ(folder, chosen.Path().string());
    EXPECT_EQ(map, "C:\\typed\\map.dcm");
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
    MessageBoxRecorder::SetAnswers({IDYES, IDNO});
    TH_AbortAtPump(2);  // clicked while the second of five files is applied
    ChooseCommand(IDOK);
    ASSERT_EQ(MessageBoxRecorder::Boxes().size(), 3u);
    // A stopped run's count says that later files were not applied.
    EXPECT_EQ(MessageBoxRecorder::Boxes()[2].text,
              "2 個の数値地図ファイルを読み込んで訂正しました.\n"
              "中止したため、以降のファイルは適用していません.");
    // Which two were applied is the directory search's to say.
    const int16_t cell = TileCellAt(MapBytes(), SampleBlockOffset(0), 0, 40);
    EXPECT_TRUE(cell == 11 || cell == 21 || cell == 31 || cell == 41 || cell == 51) << cell;
    EXPECT_TRUE(Contains(HostCalls(), "VXP_OpenMap(1,48,G1.mgp,1,1.500000,2.500000,0,0)"));
}

TEST_F(RunCorrectionTest, MemoryRunningOutIsToldInOurWordsAndTheViewsReopened) {
    MessageBoxRecorder::SetAnswers({IDYES, IDNO});
    // The folder looked at for mesh files (3 entries) and for DEM files
    // (".", ".." and 3 files), the mesh codes surveyed (3), three entries
    // counted, then the applying pass moves to its second.
    CMemoryRunsOut::AfterNextEntry(3 + 5 + 3 + 4);
    ChooseCommand(IDOK);
    CMemoryRunsOut::Disarm();
    const auto& boxes = MessageBoxRecorder::Boxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[2].text,
              "エラーが起きたため訂正を中断しました.\n" + SystemText(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_EQ(boxes[2].style, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    EXPECT_TRUE(Contains(HostCalls(), "VXP_OpenMap(1,48,G1.mgp,1,1.500000,2.500000,0,0)"));
    EXPECT_TRUE(Contains(HostCalls(), "VXP_OpenMap(3,48,G3.mgp,1,5.500000,6.500000,0,0)"));
    EXPECT_EQ(FindWindowA(nullptr, "読み込み中..."), nullptr);
    EXPECT_NE(MapBytes(), m_original) << "the first file stays applied";
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
