// The menu command on a folder of DEM files in the test host: the first
// look, the datum found or asked, the run and its count, the views.
#include <windows.h>
#include <commdlg.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <vector>

#include "correction/CorrectMap.h"
#include "dem/DemPlan.h"
#include "dem/DemSample.h"
#include "dem/DemSquares.h"
#include "dem/SourceList.h"
#include "dem/TestZip.h"
#include "samples/SampleDem.h"
#include "samples/SampleMap.h"
#include "testhost/DialogRobot.h"
#include "testhost/HostControl.h"
#include "testhost/LoadedPlugin.h"
#include "testhost/MessageBoxRecorder.h"
#include "testsupport/QuietUi.h"
#include "testsupport/TestFolder.h"

namespace {

namespace fs = std::filesystem;

const char kDialogCaption[] = "数値地図の訂正";
const char kQuestion[] = "訂正先の圧縮地図を閉じてもよろしいですか？";
const char kDatumQuestionStart[] =
    "DEM からは、この地図が日本測地系 (50m メッシュから作った地図) か";
const char kUndoQuestion[] =
    "訂正で上書きする内容を取り消しファイルに保存して、あとで元に戻せるようにしますか？";
const char kAnotherRun[] = "ほかの訂正を実行中です.";
const char kOpenedAgain[] = "VXP_OpenMap(1,48,G1.mgp,1,1.500000,2.500000,0,0)";

bool Contains(const std::vector<std::string>& calls, const std::string& call) {
    return std::find(calls.begin(), calls.end(), call) != calls.end();
}

std::vector<uint8_t> ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

void WriteText(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

class DemCorrectionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(Plugin().module, nullptr);
        TH_Reset();
        MessageBoxRecorder::Boxes().clear();
        MessageBoxRecorder::SetAnswer(IDOK);
        m_callback = InitAndLoad(9);
        ASSERT_NE(m_callback, nullptr);

        // The sample's land: a flat map of 4 x 4 tiles from 35 N 139 E, and
        // today's DEM of two of its squares, on JGD.
        fs::create_directories(Dem());
        SampleMapLayout layout;
        for (int ty = 0; ty < 4; ++ty)
            for (int tx = 0; tx < 4; ++tx) layout.tiles.push_back({tx, ty});
        m_flat = BuildSampleMap(layout, [](size_t, int) { return int16_t{5}; });
        WriteBytes(MapPath(), m_flat);
        for (int code : {523943, 523944})
            WriteText(Dem() / (SampleDemName(code) + ".xml"), SampleDemOfSquare(code));

        const unsigned base = TH_AddMap(10, MapPath().c_str(), 0, 0, "G1.mgp");
        TH_AddView(TH_AddMap(10, MapPath().c_str(), 0, base, ""), 1.5, 2.5);
        TH_SetActiveView(1);
    }
    void TearDown() override { TH_ChooseCommandAtPump(0); }

    fs::path Dem() const { return m_dir / "dem"; }
    std::string MapPath() const { return (m_dir / "map.dcm").string(); }

    // The map that the run's library makes of `map` with the folder's DEM
    // on datum, as zelvorin-correct makes it.
    std::vector<uint8_t> ByTheLibrary(const std::vector<uint8_t>& map, MapDatum datum) {
        const fs::path path = m_dir / "expected.dcm";
        WriteBytes(path, map);
        const std::vector<DemSource> sources = SourcesInFolder(Dem().string()).demSources;
        const DemPlan plan = PlanDemRun(sources, datum, {});
        CDemSquares squares(sources, plan, datum);
        CQuietUi ui;
        EXPECT_EQ(CorrectMap(path.string(), squares, ui).outcome, CorrectionOutcome::kCompleted);
        return ReadBytes(path);
    }

    // Chooses the command, fills in the map and the DEM folder, presses OK.
    void ChooseCommand() {
        const std::string map = MapPath(), folder = Dem().string();
        DialogRobot robot(kDialogCaption, [&](HWND dialog) {
            SendMessageA(GetDlgItem(dialog, 8059), WM_SETTEXT, 0,
                         reinterpret_cast<LPARAM>(map.c_str()));
            SendMessageA(GetDlgItem(dialog, 8060), WM_SETTEXT, 0,
                         reinterpret_cast<LPARAM>(folder.c_str()));
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        });
        EXPECT_EQ(m_callback(100, 0, 0), 0);
        EXPECT_TRUE(robot.Finish()) << "the dialog did not appear";
        // Only the command chosen again is answered while the run goes on.
        for (const RecordedMessageBox& box : MessageBoxRecorder::Boxes())
            EXPECT_TRUE(!box.bProgressShown || box.text == kAnotherRun)
                << "a box over the progress dialog: " << box.text;
    }

    // Answers the datum question on the flat map, and checks the question
    // and the map the answer gives.
    void AnswerTheDatumQuestion(int answer, MapDatum datum) {
        MessageBoxRecorder::SetAnswers({IDYES, answer, IDNO});
        ChooseCommand();

        const auto& boxes = MessageBoxRecorder::Boxes();
        ASSERT_EQ(boxes.size(), 4u);
        EXPECT_EQ(boxes[1].text.rfind(kDatumQuestionStart, 0), 0u) << boxes[1].text;
        EXPECT_NE(boxes[1].text.find(
                      "\nこの地図は日本測地系ですか？\n\nはい: 日本測地系として訂正します\n"
                      "いいえ: 世界測地系として訂正します\nキャンセル: 訂正しません"),
                  std::string::npos);
        EXPECT_EQ(boxes[1].style,
                  static_cast<UINT>(MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON3));
        EXPECT_NE(
            boxes[3].text.find(datum == MapDatum::kTokyo ? "日本測地系として" : "世界測地系として"),
            std::string::npos)
            << boxes[3].text;
        EXPECT_EQ(ReadBytes(MapPath()), ByTheLibrary(m_flat, datum));
    }

    VXP_MENUPROC m_callback = nullptr;
    CTestFolder m_folder;
    const fs::path& m_dir = m_folder.Path();
    std::vector<uint8_t> m_flat;
};

TEST_F(DemCorrectionTest, TheDataDecideTheDatumAndTheMapIsTheLibrarysOnIt) {
    // Once corrected from the DEM on Tokyo, the map fits it there.
    const std::vector<uint8_t> tokyo = ByTheLibrary(m_flat, MapDatum::kTokyo);
    ASSERT_NE(tokyo, m_flat);
    WriteBytes(MapPath(), tokyo);
    MessageBoxRecorder::SetAnswer(IDYES);  // and keep an undo file
    ChooseCommand();

    const auto& boxes = MessageBoxRecorder::Boxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].text, kQuestion);
    EXPECT_EQ(boxes[1].text.rfind(kUndoQuestion, 0), 0u) << boxes[1].text;
    // Each 10 m square lands on four of the map's on Tokyo: three lie where
    // the map has tiles, four south of it, one of them twice.
    const std::string count =
        "2 個の DEM ファイルから 3 区画を訂正しました.\n"
        "地図は日本測地系として訂正しました.\n"
        "3 区画は地図の範囲外のため、書き込んでいません.\n"
        "訂正を元に戻すための取り消しファイル:\n";
    ASSERT_EQ(boxes[2].text.rfind(count, 0), 0u) << boxes[2].text;
    EXPECT_EQ(boxes[2].style, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
    EXPECT_EQ(ReadBytes(MapPath()), ByTheLibrary(tokyo, MapDatum::kTokyo));
    EXPECT_TRUE(Contains(HostCalls(), kOpenedAgain));
    // The undo command on that file gives the map back as it was.
    const std::string undo = boxes[2].text.substr(count.size());
    MessageBoxRecorder::Boxes().clear();
    DialogRobot robot("取り消しファイルを選んでください", [&](HWND dialog) {
        SendMessageA(dialog, CDM_SETCONTROLTEXT, 0x47C, reinterpret_cast<LPARAM>(undo.c_str()));
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(UndoCommand()(100, 0, 0), 0);
    EXPECT_TRUE(robot.Finish());
    ASSERT_FALSE(MessageBoxRecorder::Boxes().empty());
    EXPECT_NE(MessageBoxRecorder::Boxes().back().text.find(
                  "個のブロックを書き戻して、訂正前の地図に戻しました."),
              std::string::npos)
        << MessageBoxRecorder::Boxes().back().text;
    EXPECT_EQ(ReadBytes(MapPath()), tokyo);
}

// On the flat map neither datum fits: the user is asked, Yes for Tokyo, No
// for JGD.
TEST_F(DemCorrectionTest, WhereTheDataDoNotDecideYesIsTokyo) {
    AnswerTheDatumQuestion(IDYES, MapDatum::kTokyo);
}

TEST_F(DemCorrectionTest, WhereTheDataDoNotDecideNoIsJgd) {
    AnswerTheDatumQuestion(IDNO, MapDatum::kJgd);
}

TEST_F(DemCorrectionTest, CancelAtTheDatumQuestionWritesNothingAndReopensTheViews) {
    MessageBoxRecorder::SetAnswers({IDYES, IDCANCEL});
    ChooseCommand();
    ASSERT_EQ(MessageBoxRecorder::Boxes().size(), 2u);
    EXPECT_EQ(ReadBytes(MapPath()), m_flat);
    EXPECT_TRUE(Contains(HostCalls(), "VXP_CloseMap(1)"));
    EXPECT_TRUE(Contains(HostCalls(), kOpenedAgain));
}

TEST_F(DemCorrectionTest, AFileTheFirstLookRefusesIsNamedAndTheViewsAreLeftAlone) {
    // A DEM file in a zip in a zip, whose mesh code is no code.
    DemSample sample = DemSampleOf(DemProduct::k10B);
    sample.mesh = "53394X";
    const std::vector<uint8_t> zip =
        BuildTestZip({{"inner.zip", AsText(BuildTestZip({{"bad.xml", BuildDemGml(sample)}}))}});
    WriteBytes(Dem() / "outer.zip", zip);
    MessageBoxRecorder::SetAnswer(IDYES);
    ChooseCommand();

    const auto& boxes = MessageBoxRecorder::Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text.rfind("次の DEM ファイルを使えないため、訂正しませんでした.\n", 0), 0u)
        << boxes[0].text;
    EXPECT_NE(boxes[0].text.find("outer.zip:inner.zip:bad.xml"), std::string::npos)
        << boxes[0].text;
    EXPECT_EQ(boxes[0].style, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    EXPECT_FALSE(Contains(HostCalls(), "VXP_CloseMap(1)"));
    EXPECT_EQ(ReadBytes(MapPath()), m_flat);
}

TEST_F(DemCorrectionTest, TheCommandChosenAgainDuringTheRunIsRefused) {
    MessageBoxRecorder::SetAnswer(IDYES);  // Tokyo at the datum question, an undo file
    TH_ChooseCommandAtPump(1);             // after the run's first square at the latest
    ChooseCommand();

    const auto& boxes = MessageBoxRecorder::Boxes();
    ASSERT_GE(boxes.size(), 3u);
    EXPECT_TRUE(std::any_of(boxes.begin(), boxes.end(),
                            [](const RecordedMessageBox& box) { return box.text == kAnotherRun; }));
    EXPECT_EQ(boxes.back().text.rfind("2 個の DEM ファイルから", 0), 0u) << boxes.back().text;
    EXPECT_EQ(ReadBytes(MapPath()), ByTheLibrary(m_flat, MapDatum::kTokyo));
}

}  // namespace
