#include "correction/CorrectMap.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "correction/CorrectionUi.h"
#include "correction/MeshFileSource.h"
#include "correction/MeshSurvey.h"
#include "correction/Messages.h"
#include "elevation/DcmLayout.h"
#include "framework/Exception.h"
#include "framework/MemoryFile.h"
#include "samples/SampleMap.h"
#include "samples/SampleMesh.h"
#include "testsupport/FaultyFile.h"
#include "testsupport/TestFolder.h"

namespace {

namespace fs = std::filesystem;

// Records what a run shows, and presses abort after a chosen applied file.
class CScriptedUi final : public ICorrectionUi {
  public:
    struct Message {
        std::string text;
        MessageKind kind;
    };

    void ShowMessage(const std::string& text, MessageKind kind) override {
        EXPECT_FALSE(m_bProgress) << "no message box while the progress dialog exists";
        messages.push_back({text, kind});
    }
    void ShowError(const CException& error) override {
        EXPECT_FALSE(m_bProgress);
        errors.push_back(error.what());
    }
    void OpenProgress() override {
        m_bProgress = true;
        ++progressOpened;
        positions.push_back(0);
    }
    void SetFileName(const std::string& name) override { names.push_back(name); }
    void SetPos(int percent) override { positions.push_back(percent); }
    void Pump() override {
        if (++pumps == abortAtPump) m_bAbort = true;
    }
    bool AbortRequested() const override {
        return m_bAbort || (!names.empty() && names.back() == abortWhileReading);
    }
    void CloseProgress() override { m_bProgress = false; }

    std::vector<Message> messages;
    std::vector<std::string> errors;
    std::vector<std::string> names;
    std::vector<int> positions;
    int progressOpened = 0;
    int pumps = 0;
    int abortAtPump = 0;
    std::string abortWhileReading;  // the abort comes while this file is read

  private:
    bool m_bProgress = false;
    bool m_bAbort = false;
};

std::string Applied(int n) {
    char text[128];
    std::snprintf(text, sizeof text, kMsgAppliedFormat, n);
    return text;
}

class CorrectMapTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(m_dir / "mesh");
        SampleMapLayout layout;
        layout.tiles = {{3, 5}, {4, 5}, {3, 6}, {4, 6}};
        m_original = BuildSampleMap(layout, [](size_t, int) { return int16_t{7}; });
        std::ofstream(MapPath(), std::ios::binary)
            .write(reinterpret_cast<const char*>(m_original.data()),
                   static_cast<std::streamsize>(m_original.size()));
    }

    std::string MapPath() const { return (m_dir / "map.dcm").string(); }
    std::string Folder() const { return (m_dir / "mesh").string(); }
    std::vector<uint8_t> MapBytes() const {
        std::ifstream in(MapPath(), std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    }
    // Writes a mesh of square 533945 (or code) whose every cell is `metres`.
    void AddMesh(const std::string& name, int metres, int32_t code = 533945) {
        std::ofstream(m_dir / "mesh" / name, std::ios::binary)
            << BuildMeshText(code, AllMeshRecords(), [=](int, int) { return metres * 10; });
    }
    void AddUnreadable(const std::string& name) { fs::create_directory(m_dir / "mesh" / name); }
    int16_t CoveredCell() const { return TileCellAt(MapBytes(), SampleBlockOffset(0), 0, 40); }

    CorrectionResult Run() {
        CFolderMeshFiles meshes(Folder());
        return CorrectMap(MapPath(), meshes, ui);
    }

    CTestFolder m_folder;
    const fs::path& m_dir = m_folder.Path();
    std::vector<uint8_t> m_original;
    CScriptedUi ui;
};

TEST_F(CorrectMapTest, ThreeMeshFilesAreAppliedAndCounted) {
    AddMesh("a.mem", 10);
    AddMesh("b.MEM", 20);
    AddMesh("c.mem", 30);
    const auto result = Run();
    EXPECT_EQ(result.outcome, CorrectionOutcome::kCompleted);
    EXPECT_EQ(result.applied, 3);
    EXPECT_EQ(ui.positions, (std::vector<int>{0, 33, 66, 100}));
    EXPECT_EQ(ui.names, (std::vector<std::string>{"a.mem", "b.MEM", "c.mem"}));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, Applied(3));
    EXPECT_EQ(ui.messages[0].kind, MessageKind::kResult);
    EXPECT_EQ(CoveredCell(), 31) << "the last file wins, encoded";
    EXPECT_EQ(result.cellsChanged, 200 * 200) << "a cell changed three times counts once";
}

TEST_F(CorrectMapTest, TilesAreCountedAsChangedOnlyWhereACellChanged) {
    // Square 533946 lies across tiles (3, 5) and (4, 5): the map's own 6 m
    // everywhere but its south-western corner, in the first.
    std::ofstream(m_dir / "mesh" / "a.mem", std::ios::binary)
        << BuildMeshText(533946, AllMeshRecords(),
                         [](int record, int j) { return record > 190 && j < 10 ? 100 : 60; });
    const auto result = Run();
    EXPECT_EQ(result.cellsChanged, 10 * 10);
    EXPECT_EQ(result.tilesTouched, 2u);
    EXPECT_EQ(result.tilesChanged, 1u);
}

TEST_F(CorrectMapTest, TheSurveyedCodesKeepTheCountExactWhereASquareIsWrittenAgain) {
    // One square three times, the last back to the map's own value (6 m is
    // stored as 7), and between them its eastern neighbour, through a cache
    // of one tile: the square's tile is written before it comes again.
    AddMesh("a.mem", 10);
    AddMesh("b.mem", 15, 533946);
    AddMesh("c.mem", 20);
    AddMesh("d.mem", 6);
    CFolderMeshFiles meshes(Folder());
    const std::vector<int32_t> codes = SurveyMeshCodes(meshes);
    EXPECT_EQ(codes, (std::vector<int32_t>{533945, 533946, 533945, 533945}));
    CorrectionOptions options;
    options.nCachedTiles = 1;
    options.pExpectedCodes = &codes;
    CorrectionResult result = CorrectMap(MapPath(), meshes, ui, options);
    EXPECT_EQ(result.applied, 4);
    EXPECT_TRUE(result.bCountExact);
    EXPECT_EQ(result.cellsChanged, 200 * 200) << "the neighbour's cells alone";

    // Unforetold, the count cannot know the originals, and says so.
    options.pExpectedCodes = nullptr;
    result = CorrectMap(MapPath(), meshes, ui, options);
    EXPECT_FALSE(result.bCountExact);
}

// Counts the tiles a run shows as it left them.
class CFinalTiles final : public ICorrectionObserver {
  public:
    void OnStart(CFile&, const DCMHEADER&, const CTileIndex&) override {}
    void OnMeshApplied(const std::string&, int32_t, int, const MeshTally&) override {}
    void OnFirstRead(TileNumber, int64_t, const uint8_t*) override {}
    void OnFinal(TileNumber, const uint8_t*, bool) override { ++shown; }
    size_t shown = 0;
};

TEST_F(CorrectMapTest, AFailedRunStillTellsTheTilesAndCellsItChanged) {
    // A read of the map fails at each call in turn: whatever the run had
    // applied by then is in the map, counted, and shown to the observer.
    AddMesh("a.mem", 10);
    AddMesh("b.mem", 15, 533946);
    AddMesh("c.mem", 20, 533955);
    int failures = 0;
    for (int nth = 1;; ++nth) {
        CMemoryFile inner(m_original);
        CFaultyFile map(inner, CFileException::Op::kRead, nth);
        CFolderMeshFiles meshes(Folder());
        CFinalTiles observer;
        CorrectionOptions options;
        options.observers = {&observer};
        const auto result = CorrectOpenMap(map, meshes, ui, options);
        if (result.outcome == CorrectionOutcome::kCompleted) break;
        if (result.outcome != CorrectionOutcome::kFileError || result.applied == 0) continue;
        ++failures;
        int64_t differing = 0;
        const std::vector<uint8_t>& now = inner.Bytes();
        for (size_t i = 0; i + 1 < now.size(); i += 2)
            differing += now[i] != m_original[i] || now[i + 1] != m_original[i + 1];
        EXPECT_EQ(result.cellsChanged, differing) << "read " << nth;
        EXPECT_GT(result.tilesTouched, 0u) << "read " << nth;
        EXPECT_EQ(observer.shown, result.tilesTouched) << "read " << nth;
    }
    EXPECT_GT(failures, 0) << "no read failed after a file was applied";
}

TEST_F(CorrectMapTest, SevenFilesMoveTheBarInTruncatedSteps) {
    for (char c = 'a'; c < 'h'; ++c) AddMesh(std::string(1, c) + ".mem", 1);
    Run();
    EXPECT_EQ(ui.positions, (std::vector<int>{0, 14, 28, 42, 57, 71, 85, 100}));
}

TEST_F(CorrectMapTest, EmptyFolderShowsProgressThenSaysNoMeshFiles) {
    const auto result = Run();
    EXPECT_EQ(result.outcome, CorrectionOutcome::kNoMeshFiles);
    EXPECT_EQ(ui.progressOpened, 1);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, kMsgNoMeshFiles);
    EXPECT_EQ(ui.messages[0].kind, MessageKind::kFailure);
    EXPECT_EQ(MapBytes(), m_original);
}

// A map whose tile index does not fit in memory says why, as any failure
// does, in a process given 128 MB more than it holds: 2^24 tiles.
TEST_F(CorrectMapTest, AnIndexBeyondMemoryIsSaidSo) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's shadow memory takes more address space than any limit";
#else
    std::vector<uint8_t> map = m_original;
    const uint32_t tiles = 1u << 24;
    for (int i = 0; i < 4; ++i) map[6 + i] = static_cast<uint8_t>(tiles >> (8 * i));
    std::ofstream(MapPath(), std::ios::binary)
        .write(reinterpret_cast<const char*>(map.data()), static_cast<std::streamsize>(map.size()));
    fs::resize_file(MapPath(), map.size() + uint64_t{kDcmTileEntrySize} * tiles);
    AddMesh("a.mem", 5);
    const auto runShortOfMemory = [&] {
        std::ifstream statm("/proc/self/statm");
        uint64_t pages = 0;
        statm >> pages;
        const rlimit limit{pages * 4096 + (128u << 20), pages * 4096 + (128u << 20)};
        setrlimit(RLIMIT_AS, &limit);
        const auto result = Run();
        std::exit(result.outcome == CorrectionOutcome::kNoMemory && ui.messages.size() == 1 &&
                          ui.messages[0].kind == MessageKind::kFailure
                      ? 0
                      : 1);
    };
    EXPECT_EXIT(runShortOfMemory(), ::testing::ExitedWithCode(0), "");
#endif
}

TEST_F(CorrectMapTest, UnreadableFirstFileStopsThePassWithCountZero) {
    AddUnreadable("a.mem");
    AddMesh("b.mem", 5);
    const auto result = Run();
    EXPECT_EQ(result.outcome, CorrectionOutcome::kStopped);
    EXPECT_EQ(result.unusableFile, (m_dir / "mesh" / "a.mem").string());
    EXPECT_EQ(result.reason, "is a directory");
    EXPECT_EQ(ui.names, (std::vector<std::string>{"a.mem"})) << "no later file is tried";
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, Applied(0));
    EXPECT_EQ(ui.messages[0].kind, MessageKind::kResult);
    EXPECT_EQ(MapBytes(), m_original);
}

TEST_F(CorrectMapTest, UnreadableSecondOfFourStopsAtTwentyFive) {
    AddMesh("a.mem", 5);
    AddUnreadable("b.mem");
    AddMesh("c.mem", 6);
    AddMesh("d.mem", 7);
    const auto result = Run();
    EXPECT_EQ(result.applied, 1);
    EXPECT_EQ(ui.positions.back(), 25);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, Applied(1));
    EXPECT_EQ(CoveredCell(), 6);
}

TEST_F(CorrectMapTest, AMeshFileCutShortEndsThePassLikeAnUnreadableOne) {
    AddMesh("a.mem", 5);
    const std::string whole = BuildMeshText(533945, AllMeshRecords(), [](int, int) { return 90; });
    std::ofstream(m_dir / "mesh" / "b.mem", std::ios::binary) << whole.substr(0, whole.size() - 9);
    AddMesh("c.mem", 7);
    const auto result = Run();
    EXPECT_EQ(result.outcome, CorrectionOutcome::kStopped);
    EXPECT_EQ(result.unusableFile, (m_dir / "mesh" / "b.mem").string());
    EXPECT_EQ(result.applied, 1);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, Applied(1));
    EXPECT_EQ(CoveredCell(), 6) << "the map holds the file before the cut one";
}

TEST_F(CorrectMapTest, AbortAfterTheSecondOfFiveCountsTwo) {
    for (char c = 'a'; c < 'f'; ++c) AddMesh(std::string(1, c) + ".mem", c - 'a' + 1);
    ui.abortAtPump = 2;
    const auto result = Run();
    EXPECT_EQ(result.outcome, CorrectionOutcome::kAborted);
    EXPECT_EQ(result.applied, 2);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, Applied(2) + "\n" + kMsgAbortedNote);
    EXPECT_EQ(CoveredCell(), 3);
}

TEST_F(CorrectMapTest, AbortAfterTheLastFileLeavesTheRunComplete) {
    for (char c = 'a'; c < 'd'; ++c) AddMesh(std::string(1, c) + ".mem", 1);
    ui.abortAtPump = 3;
    const auto result = Run();
    EXPECT_EQ(result.outcome, CorrectionOutcome::kCompleted);
    EXPECT_EQ(result.applied, 3);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, Applied(3));
}

TEST_F(CorrectMapTest, AbortWhileAFileIsReadLeavesThatFileUnapplied) {
    AddMesh("a.mem", 1);
    AddMesh("b.mem", 2);
    AddMesh("c.mem", 3);
    ui.abortWhileReading = "b.mem";
    const auto result = Run();
    EXPECT_EQ(result.outcome, CorrectionOutcome::kAborted);
    EXPECT_EQ(result.applied, 1);
    EXPECT_EQ(result.unusableFile, (m_dir / "mesh" / "b.mem").string());
    EXPECT_EQ(ui.positions, (std::vector<int>{0, 33})) << "the stopped file moves nothing";
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, Applied(1) + "\n" + kMsgAbortedNote);
    EXPECT_EQ(CoveredCell(), 2) << "the map holds a.mem alone, encoded";
}

TEST_F(CorrectMapTest, MapThatCannotBeOpenedSaysSo) {
    CFolderMeshFiles meshes(Folder());
    EXPECT_EQ(CorrectMap(MapPath() + ".missing", meshes, ui).outcome,
              CorrectionOutcome::kCannotOpen);
    EXPECT_EQ(CorrectMap("", meshes, ui).outcome, CorrectionOutcome::kCannotOpen);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].text, kMsgCannotOpenMap);
    EXPECT_EQ(ui.progressOpened, 0);
}

TEST_F(CorrectMapTest, MapHeldByAnotherRunCannotBeOpened) {
    AddMesh("a.mem", 5);
    const int fd = ::open(MapPath().c_str(), O_RDWR);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    EXPECT_EQ(Run().outcome, CorrectionOutcome::kCannotOpen);
    ::close(fd);
    EXPECT_EQ(MapBytes(), m_original);
}

TEST_F(CorrectMapTest, RefusedMapSaysItCannotBeCorrected) {
    AddMesh("a.mem", 5);
    auto bytes = m_original;
    bytes[4] = 1;  // wKind
    std::ofstream(MapPath(), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    const auto result = Run();
    EXPECT_EQ(result.outcome, CorrectionOutcome::kRejected);
    EXPECT_EQ(result.reason, "the header's kind is not 0");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, kMsgCannotCorrectMap);
    EXPECT_EQ(ui.progressOpened, 0);
    EXPECT_EQ(MapBytes(), bytes);
}

TEST_F(CorrectMapTest, MeshOutsideTheMapCountsAsApplied) {
    std::ofstream(m_dir / "mesh" / "far.mem", std::ios::binary)
        << BuildMeshText(303010, AllMeshRecords(), [](int, int) { return 10; });
    const auto result = Run();
    EXPECT_EQ(result.applied, 1);
    EXPECT_EQ(ui.positions.back(), 100);
    EXPECT_EQ(MapBytes(), m_original);
}

TEST_F(CorrectMapTest, ListedFilesAreAppliedInTheOrderGiven) {
    AddMesh("a.mem", 1);
    AddMesh("b.mem", 2);
    CListedMeshFiles meshes(
        {(m_dir / "mesh" / "b.mem").string(), (m_dir / "mesh" / "a.mem").string()});
    EXPECT_EQ(CorrectMap(MapPath(), meshes, ui).applied, 2);
    EXPECT_EQ(ui.names, (std::vector<std::string>{"b.mem", "a.mem"}));
    EXPECT_EQ(CoveredCell(), 2);
}

TEST_F(CorrectMapTest, WriteErrorEndsTheRunWithAnErrorAndNoCount) {
    AddMesh("a.mem", 1);
    AddMesh("b.mem", 2);
    CMemoryFile inner(m_original);
    // The tiles stay cached while both files patch them: the first write is
    // the one at the end of the run.
    CFaultyFile map(inner, CFileException::Op::kWrite, 1);
    CFolderMeshFiles meshes(Folder());
    const auto result = CorrectOpenMap(map, meshes, ui);
    EXPECT_EQ(result.outcome, CorrectionOutcome::kFileError);
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_NE(ui.errors[0].find("write"), std::string::npos);
    EXPECT_EQ(result.failedFile, "memory");
    EXPECT_EQ(result.reason, "injected failure");
    EXPECT_TRUE(ui.messages.empty()) << "a failed run is not reported as a count";
    EXPECT_EQ(TileCellAt(inner.Bytes(), SampleBlockOffset(0), 0, 40), 3)
        << "the tiles that could still be written hold both files, whole";
}

// A journal whose file fails at its n-th commit, or at its start.
class CFullJournal final : public IMapJournal {
  public:
    explicit CFullJournal(int failingCommit) : m_left(failingCommit) {}
    void Begin(CFile&, const DCMHEADER&) override {
        if (m_left == 0) Fail();
    }
    void Save(int64_t, const uint8_t*) override {}
    void Intend(int64_t, const uint8_t*) override {}
    void Commit() override {
        if (--m_left == 0) Fail();
    }

  private:
    static void Fail() {
        throw CFileException(CFileException::Op::kWrite, "run.undo", "No space left on device");
    }
    int m_left;
};

TEST_F(CorrectMapTest, JournalFailureIsToldApartFromTheMaps) {
    AddMesh("a.mem", 1);
    for (int failing : {0, 1}) {
        CFullJournal journal(failing);
        CorrectionOptions options;
        options.pJournal = &journal;
        CFolderMeshFiles meshes(Folder());
        const auto result = CorrectMap(MapPath(), meshes, ui, options);
        EXPECT_EQ(result.outcome, CorrectionOutcome::kJournalFailed) << failing;
        EXPECT_EQ(result.failedFile, "run.undo");
        EXPECT_EQ(result.reason, "No space left on device");
        // A journal failing at its start lets nothing be written; one that
        // takes the retry of a failed run keeps the file applied whole.
        EXPECT_EQ(result.applied, failing);
        EXPECT_EQ(CoveredCell(), failing == 0 ? 7 : 2);
    }
}

TEST(ProgressPercentTest, StaysWithinTheBarsRange) {
    EXPECT_EQ(ProgressPercent(1, 3), 33);
    EXPECT_EQ(ProgressPercent(3, 3), 100);
    EXPECT_EQ(ProgressPercent(1, 0), 100) << "entries that appeared after counting";
    EXPECT_EQ(ProgressPercent(5, 3), 100);
    EXPECT_EQ(ProgressPercent(INT32_MAX, INT32_MAX), 100);
}

}  // namespace
