#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include "correction/CorrectMap.h"
#include "correction/CorrectionUi.h"
#include "dem/DemPlan.h"
#include "dem/DemSample.h"
#include "dem/DemSquares.h"
#include "dem/TestZip.h"
#include "elevation/DcmLayout.h"
#include "elevation/MeshPatch.h"
#include "framework/Exception.h"
#include "framework/MemoryFile.h"
#include "samples/SampleMap.h"
#include "testsupport/QuietUi.h"
#include "testsupport/TestFolder.h"

namespace {

namespace fs = std::filesystem;

// Every tile cell holds this before a run: no DEM value below encodes to it.
constexpr int16_t kUntouched = 500;

// Mesh 533946's square lies at map cells (1200, 1600) of the sample origin
// (35 N, 139 E); the four tiles below hold it and its neighbours to the
// south and east.
constexpr int kSquareX = 1200, kSquareY = 1600;

class DemRunTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (int ty = 4; ty <= 5; ++ty)
            for (int tx = 3; tx <= 4; ++tx) m_layout.tiles.push_back({tx, ty});
        m_map = BuildSampleMap(m_layout, [](size_t, int) { return kUntouched; });
    }

    // A 10 m file of mesh 533946, every cell at centimetres unless the
    // column is west of dataFrom.
    fs::path WriteFlatDem(const std::string& name, int32_t centimetres, int dataFrom = 0) {
        DemSample sample = DemSampleOf(DemProduct::k10B);
        sample.tuple = [=](int32_t column, int32_t) {
            return DemTupleText(column < dataFrom ? kDemNoData : centimetres);
        };
        const fs::path path = m_folder.Path() / name;
        std::ofstream(path, std::ios::binary) << BuildDemGml(sample);
        return path;
    }

    // A flat 10 m file's text of the mesh, every cell at centimetres.
    static std::string FlatDem(const std::string& mesh, int32_t centimetres) {
        DemSample sample = DemSampleOf(DemProduct::k10B);
        sample.mesh = mesh;
        sample.tuple = [=](int32_t, int32_t) { return DemTupleText(centimetres); };
        return BuildDemGml(sample);
    }

    fs::path Write(const std::string& name, const std::string& bytes) {
        const fs::path path = m_folder.Path() / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    CorrectionResult Run(const std::vector<fs::path>& files, MapDatum datum, CQuietUi& ui) {
        std::vector<DemSource> sources;
        for (const fs::path& file : files) sources.push_back({file.string(), false});
        return Run(sources, datum, ui);
    }

    CorrectionResult Run(const std::vector<DemSource>& sources, MapDatum datum, CQuietUi& ui) {
        m_plan = PlanDemRun(sources, datum, {});
        EXPECT_EQ(m_plan.outcome, DemPlan::Outcome::kReady) << m_plan.reason;
        m_squares = std::make_unique<CDemSquares>(sources, m_plan, datum);
        m_squares->SetThreads(m_nThreads);
        CMemoryFile map(m_map, "map.dcm");
        CorrectOptions options;
        options.pExpectedCodes = &m_plan.squares;
        const CorrectionResult result = CorrectOpenMap(map, *m_squares, ui, options);
        m_map = map.Bytes();
        return result;
    }

    // The map's cell at column x, row y of the cells.
    int16_t Cell(int x, int y) const {
        const int tx = x / kTileSide, ty = y / kTileSide;
        size_t tile = 0;
        while (m_layout.tiles[tile].tx != tx || m_layout.tiles[tile].ty != ty) ++tile;
        return TileCellAt(m_map, SampleBlockOffset(tile), y % kTileSide, x % kTileSide);
    }

    // The cells of the square whose north-west cell is at column x, row y.
    std::vector<int16_t> Cells(int x, int y) const {
        std::vector<int16_t> cells;
        for (int row = y; row < y + 200; ++row)
            for (int column = x; column < x + 200; ++column) cells.push_back(Cell(column, row));
        return cells;
    }

    // The cells of the rectangle [x0, x1) x [y0, y1) that hold value.
    int Holding(int16_t value, int x0, int x1, int y0, int y1) const {
        int count = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) count += Cell(x, y) == value;
        return count;
    }

    // Files of squares 533946, 533966 and 533956 (10 m, and 5 m of both
    // products on some of their third-level meshes), mixed in a zip and on disk,
    // with heights of every kind; b.xml, when given, goes in the middle.
    std::vector<DemSource> ManyFiles(const std::string& bad = {}) {
        auto text = [](DemProduct product, const std::string& mesh) {
            DemSample sample = DemSampleOf(product);
            sample.mesh = mesh;
            return BuildDemGml(sample);
        };
        std::vector<TestZipMember> members;
        for (const char* mesh : {"53394600", "53394601", "53394611"})
            members.push_back({std::string("5a-") + mesh + ".xml", text(DemProduct::k5A, mesh)});
        members.push_back({"10b-533946.xml", text(DemProduct::k10B, "533946")});
        members.push_back({"5b-53394611.xml", text(DemProduct::k5B, "53394611")});
        if (!bad.empty()) members.push_back({"b.xml", bad});
        members.push_back({"10b-533966.xml", text(DemProduct::k10B, "533966")});
        for (const char* mesh : {"53395609", "53395690"})
            members.push_back({std::string("5a-") + mesh + ".xml", text(DemProduct::k5A, mesh)});
        const fs::path zip = Write("many.zip", AsText(BuildTestZip(members)));
        const fs::path plain = Write("10b-533956.xml", text(DemProduct::k10B, "533956"));
        const fs::path last = Write("5b-53395699.xml", text(DemProduct::k5B, "53395699"));
        return {{zip.string(), true}, {plain.string(), false}, {last.string(), false}};
    }

    using CorrectOptions = CorrectionOptions;
    int m_nThreads = 0;
    CTestFolder m_folder;
    SampleMapLayout m_layout;
    std::vector<uint8_t> m_map;
    DemPlan m_plan;
    std::unique_ptr<CDemSquares> m_squares;
};

TEST_F(DemRunTest, AJgdMapTakesTheMeanWhereTheDemCoversHalfAndKeepsTheRest) {
    // The west half of the DEM has no data: 1125 columns of 0.4" over the
    // square's 450", so columns 0-562 are empty and the map cells 0-99
    // (2.25" each, 225" in all) are covered by less than half.
    CQuietUi ui;
    const CorrectionResult result = Run({WriteFlatDem("a.xml", 1234, 563)}, MapDatum::kJgd, ui);
    EXPECT_EQ(result.outcome, CorrectionOutcome::kCompleted);
    EXPECT_EQ(result.applied, 1);
    const int16_t twelve = EncodeTileCell(12);
    EXPECT_EQ(Holding(twelve, kSquareX + 100, kSquareX + 200, kSquareY, kSquareY + 200), 100 * 200);
    EXPECT_EQ(Holding(kUntouched, kSquareX, kSquareX + 100, kSquareY, kSquareY + 200), 100 * 200);
    // Nothing outside the square.
    EXPECT_EQ(Holding(twelve, 960, 1600, 1280, 1920), 100 * 200);
    EXPECT_EQ(m_squares->CellsWon()[0], 100 * 200);
}

TEST_F(DemRunTest, ATokyoMapTakesTheDemAboutTwelveSecondsSouthAndEast) {
    // Near 35.7 N 139.8 E a point's JGD coordinates are its Tokyo ones plus
    // about 11.65" of latitude and -11.66" of longitude. In the map the DEM
    // square then spans 11.66" east and 11.65" south of the mesh square:
    // rows 0-191 of the square (row 192 is covered by 23 %) and rows
    // 192-199 of the one south of it (row 192 by 77 %), columns 5-199 of
    // the square (column 5 by 82 %) and 0-4 of the one east of it.
    CQuietUi ui;
    const CorrectionResult result = Run({WriteFlatDem("a.xml", -250)}, MapDatum::kTokyo, ui);
    EXPECT_EQ(result.outcome, CorrectionOutcome::kCompleted);
    EXPECT_EQ(result.applied, 4);
    const int16_t minusThree = EncodeTileCell(-3);  // -2.5 rounds away from zero
    const int x0 = kSquareX + 5, x1 = kSquareX + 205, y0 = kSquareY - 8, y1 = kSquareY + 192;
    EXPECT_EQ(Holding(minusThree, x0, x1, y0, y1), 200 * 200);
    EXPECT_EQ(Holding(minusThree, 960, 1600, 1280, 1920), 200 * 200);
    EXPECT_EQ(Cell(x0 - 1, y0), kUntouched);
    EXPECT_EQ(Cell(x0, y1), kUntouched);
}

// By the date its name carries, the case of its letters aside.
TEST_F(DemRunTest, OfTwoFilesOfOneMeshAndProductTheLaterByNameIsApplied) {
    for (const char* earlierName :
         {"FG-GML-533946-DEM10B-20160101.xml", "fg-gml-533946-dem10b-20160101.xml"}) {
        SCOPED_TRACE(earlierName);
        m_map = BuildSampleMap(m_layout, [](size_t, int) { return kUntouched; });
        CQuietUi ui;
        const fs::path later = WriteFlatDem("FG-GML-533946-DEM10B-20240101.xml", 3000);
        const fs::path earlier = WriteFlatDem(earlierName, 1000);
        const CorrectionResult result = Run({later, earlier}, MapDatum::kJgd, ui);
        EXPECT_EQ(result.applied, 1);
        EXPECT_EQ(Holding(EncodeTileCell(30), kSquareX, kSquareX + 200, kSquareY, kSquareY + 200),
                  200 * 200);
        ASSERT_EQ(m_plan.warnings.size(), 1u);
        EXPECT_NE(m_plan.warnings[0].find("20160101"), std::string::npos);
        fs::remove(earlier);
    }
}

// A newer file replaces only an older one of its own mesh and product; of
// two files of one name, the one walked later stays.
TEST_F(DemRunTest, AFileReplacesOnlyOneOfItsOwnMeshAndProduct) {
    DemSample volcano = DemSampleOf(DemProduct::k10A);
    volcano.tuple = [](int32_t, int32_t) { return DemTupleText(4000); };
    const fs::path newer = WriteFlatDem("FG-GML-533946-DEM10B-20240101.xml", 3000);
    const fs::path older = Write("FG-GML-533946-DEM10A-20160101.xml", BuildDemGml(volcano));
    fs::create_directory(m_folder.Path() / "again");
    const fs::path same = Write("again/FG-GML-533946-DEM10B-20240101.xml", FlatDem("533946", 5000));
    CQuietUi ui;
    Run({older, newer, same}, MapDatum::kJgd, ui);
    ASSERT_EQ(m_plan.files.size(), 3u);
    EXPECT_TRUE(m_plan.files[0].bApplied) << "another product of the mesh stays";
    EXPECT_FALSE(m_plan.files[1].bApplied);
    EXPECT_TRUE(m_plan.files[2].bApplied) << "of one name, the one walked later";
    ASSERT_EQ(m_plan.warnings.size(), 1u);
    EXPECT_NE(m_plan.warnings[0].find(newer.string()), std::string::npos) << m_plan.warnings[0];
    // 10A before 10B, and the replaced file gives nothing.
    EXPECT_EQ(Holding(EncodeTileCell(40), kSquareX, kSquareX + 200, kSquareY, kSquareY + 200),
              200 * 200);
}

// Another layer of the base map among the DEM files is passed over.
TEST_F(DemRunTest, AGmlFileOfAnotherLayerIsPassedOverWithAWarning) {
    const fs::path contours = Write("FG-GML-533946-Cntr-20240101.xml",
                                    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Dataset><Cntr>"
                                    "<type>x</type></Cntr></Dataset>\n");
    CQuietUi ui;
    const CorrectionResult result = Run(
        {contours, WriteFlatDem("FG-GML-533946-DEM10B-20240101.xml", 3000)}, MapDatum::kJgd, ui);
    EXPECT_EQ(result.applied, 1);
    ASSERT_EQ(m_plan.warnings.size(), 1u);
    EXPECT_NE(m_plan.warnings[0].find(contours.string() + ": no DEM element: not a DEM file; "
                                                          "passed over"),
              std::string::npos)
        << m_plan.warnings[0];
}

TEST_F(DemRunTest, AFinerProductWinsWhereItCoversAndTheSquareGoesInOnceBothAreRead) {
    // A 5 m file of third-level mesh 53394611 (30" by 45": map rows and
    // columns 20-39 of the square) before the 10 m file of the whole square.
    DemSample fine = DemSampleOf(DemProduct::k5A);
    fine.tuple = [](int32_t, int32_t) { return DemTupleText(2000); };
    const fs::path finePath = m_folder.Path() / "fine.xml";
    std::ofstream(finePath, std::ios::binary) << BuildDemGml(fine);
    CQuietUi ui;
    const CorrectionResult result =
        Run({finePath, WriteFlatDem("coarse.xml", 1000)}, MapDatum::kJgd, ui);
    EXPECT_EQ(result.applied, 1);
    const int x0 = kSquareX, y0 = kSquareY;
    EXPECT_EQ(Holding(EncodeTileCell(20), x0 + 20, x0 + 40, y0 + 20, y0 + 40), 20 * 20);
    EXPECT_EQ(Holding(EncodeTileCell(10), x0, x0 + 200, y0, y0 + 200), 200 * 200 - 20 * 20);
    EXPECT_EQ(m_squares->CellsWon()[0], 20 * 20);
    EXPECT_EQ(m_squares->CellsWon()[1], 200 * 200 - 20 * 20);
}

TEST_F(DemRunTest, AnAbortAfterASquareLeavesExactlyTheSquaresHandedOn) {
    CQuietUi ui;
    ui.m_nAbortAfter = 2;
    const std::vector<uint8_t> before = m_map;
    const CorrectionResult result = Run({WriteFlatDem("a.xml", 700)}, MapDatum::kTokyo, ui);
    EXPECT_EQ(result.outcome, CorrectionOutcome::kAborted);
    EXPECT_EQ(result.applied, 2);
    // The squares go south-west first, row by row: the two south of the
    // mesh's row, then none of its own.
    EXPECT_EQ(Holding(EncodeTileCell(7), 960, 1600, 1280, 1920), 200 * 8);
    EXPECT_EQ(Holding(EncodeTileCell(7), 960, 1600, kSquareY, 1920), 0);
}

TEST_F(DemRunTest, AStopWhileAFileIsReadAppliesNothingOfIt) {
    CQuietUi ui;
    ui.m_nAbortAfter = 0;  // pressed before the first file is read
    const std::vector<uint8_t> before = m_map;
    const CorrectionResult result = Run({WriteFlatDem("a.xml", 700)}, MapDatum::kJgd, ui);
    EXPECT_EQ(result.outcome, CorrectionOutcome::kAborted);
    EXPECT_EQ(result.applied, 0);
    EXPECT_TRUE(m_map == before);
}

// The first look reads the heads only: what follows a file's tuple list is
// found unusable when the run comes to the file, and the squares finished
// before it stand.
TEST_F(DemRunTest, AStartPointOrSequenceRuleAfterTheTuplesStopsTheRunAtItsFile) {
    const struct {
        const char* from;
        const char* to;
        const char* reason;
    } table[] = {{"<gml:startPoint>0 0<", "<gml:startPoint>0 750<", "start point"},
                 {">Linear<", ">Other<", "not Linear"}};
    const std::vector<uint8_t> untouched = m_map;
    for (auto t : table) {
        m_map = untouched;
        std::string bad = FlatDem("533947", 3000);
        bad.replace(bad.find(t.from), std::strlen(t.from), t.to);
        ASSERT_LT(bad.find("<gml:tupleList"), bad.find(t.to));
        const fs::path badPath = Write("b.xml", bad);
        CQuietUi ui;
        const CorrectionResult result =
            Run({WriteFlatDem("a.xml", 1234), badPath}, MapDatum::kJgd, ui);
        EXPECT_EQ(result.outcome, CorrectionOutcome::kStopped);
        EXPECT_EQ(result.applied, 1);
        EXPECT_EQ(result.unusableFile, badPath.string());
        EXPECT_NE(result.reason.find(t.reason), std::string::npos) << result.reason;
        // Mesh 533946 written, 533947 east of it not.
        EXPECT_EQ(Holding(EncodeTileCell(12), kSquareX, kSquareX + 200, kSquareY, kSquareY + 200),
                  200 * 200);
        EXPECT_EQ(Holding(kUntouched, kSquareX + 200, kSquareX + 400, kSquareY, kSquareY + 200),
                  200 * 200);
    }
}

TEST_F(DemRunTest, AFileThatChangedSinceTheFirstLookStopsTheRunAtIt) {
    DemSample before = DemSampleOf(DemProduct::k10B);
    before.bRuleFirst = true;
    DemSample moved = before, narrower = before, lower = before;
    moved.startColumn = 5;
    narrower.columns = 1000;
    lower.rows = 700;
    const std::vector<uint8_t> untouched = m_map;
    for (const DemSample& after : {moved, narrower, lower}) {
        m_map = untouched;
        const fs::path path = Write("a.xml", BuildDemGml(before));
        const std::vector<DemSource> sources{{path.string(), false}};
        const DemPlan plan = PlanDemRun(sources, MapDatum::kJgd, {});
        ASSERT_EQ(plan.outcome, DemPlan::Outcome::kReady);
        Write("a.xml", BuildDemGml(after));
        CDemSquares squares(sources, plan, MapDatum::kJgd);
        CMemoryFile map(m_map, "map.dcm");
        CQuietUi ui;
        CorrectOptions options;
        options.pExpectedCodes = &plan.squares;
        const CorrectionResult result = CorrectOpenMap(map, squares, ui, options);
        EXPECT_EQ(result.outcome, CorrectionOutcome::kStopped);
        EXPECT_EQ(result.reason, "the file changed since it was first read");
        EXPECT_EQ(result.applied, 0);
    }
}

// Where the DEM's tuple list's start tag ends.
size_t HeadEnd(const std::string& text) { return text.find('>', text.find("<gml:tupleList")) + 1; }

// The text with its description grown so that the head ends at end.
std::string HeadEndingAt(std::string text, size_t end) {
    text.insert(text.find("</gml:description>"), std::string(end - HeadEnd(text), 'x'));
    return text;
}

TEST_F(DemRunTest, HeadsSplitAcrossOrLongerThanTheFirstBytesRead) {
    // The tuple list's start tag across the first 64 KiB handed on, and a
    // head past twice that, in a zip and on disk.
    const std::string across = HeadEndingAt(FlatDem("533946", 1000), kDemHeadBytes + 5);
    const std::string longer = HeadEndingAt(FlatDem("533947", 2000), 3 * kDemHeadBytes);
    ASSERT_EQ(HeadEnd(across), kDemHeadBytes + 5);
    const fs::path zip =
        Write("a.zip", AsText(BuildTestZip({{"across.xml", across}, {"longer.xml", longer}})));
    const fs::path plain = Write("plain.xml", HeadEndingAt(FlatDem("533956", 3000), kDemHeadBytes));
    CQuietUi ui;
    const CorrectionResult result =
        Run({DemSource{zip.string(), true}, DemSource{plain.string(), false}}, MapDatum::kJgd, ui);
    ASSERT_EQ(m_plan.files.size(), 3u);
    EXPECT_EQ(m_plan.files[0].header.meshCode, 533946);
    EXPECT_EQ(m_plan.files[1].header.meshCode, 533947);
    EXPECT_EQ(m_plan.files[1].header.columns, 1125);
    EXPECT_EQ(m_plan.files[2].header.meshCode, 533956);
    EXPECT_EQ(result.outcome, CorrectionOutcome::kCompleted);
    EXPECT_EQ(result.applied, 3);
    EXPECT_EQ(Holding(EncodeTileCell(20), kSquareX + 200, kSquareX + 400, kSquareY, kSquareY + 200),
              200 * 200);
}

TEST_F(DemRunTest, DamageAfterAHeadIsFoundWhenTheRunComesToItsFile) {
    std::vector<uint8_t> zip =
        BuildTestZip({{"a.xml", FlatDem("533946", 1234)}, {"b.xml", FlatDem("533947", 3000)}});
    // b.xml's deflated data ends before the zip's directory: damage its
    // last kilobytes, far past what its head inflates from.
    const size_t directory = AsText(zip).find("PK\x01\x02");
    ASSERT_NE(directory, std::string::npos);
    for (size_t i = directory - 3000; i < directory - 2000; ++i) zip[i] ^= 0x5A;
    const fs::path path = Write("a.zip", AsText(zip));
    CQuietUi ui;
    const CorrectionResult result = Run({DemSource{path.string(), true}}, MapDatum::kJgd, ui);
    EXPECT_EQ(m_plan.files.size(), 2u);
    EXPECT_EQ(result.outcome, CorrectionOutcome::kStopped);
    EXPECT_EQ(result.applied, 1);
    EXPECT_NE(result.unusableFile.find(":b.xml: damaged zip"), std::string::npos)
        << result.unusableFile;
    EXPECT_EQ(Holding(EncodeTileCell(12), kSquareX, kSquareX + 200, kSquareY, kSquareY + 200),
              200 * 200);
}

// The files are read on a pool of threads, and added and handed on in the
// walk's order: the map's bytes and who won each cell do not depend on how
// many threads read them.
TEST_F(DemRunTest, TheMapIsTheSameWhateverTheNumberOfThreads) {
    const std::vector<DemSource> sources = ManyFiles();
    const std::vector<uint8_t> untouched = m_map;
    for (MapDatum datum : {MapDatum::kJgd, MapDatum::kTokyo}) {
        std::vector<uint8_t> oneThread;
        std::vector<int64_t> cellsWon;
        std::vector<int> squaresFed;
        for (int threads : {1, 2, 8}) {
            m_map = untouched;
            m_nThreads = threads;
            CQuietUi ui;
            const CorrectionResult result = Run(sources, datum, ui);
            EXPECT_EQ(result.outcome, CorrectionOutcome::kCompleted) << result.reason;
            EXPECT_EQ(result.applied, datum == MapDatum::kJgd ? 3 : 8);
            if (threads == 1) {
                oneThread = m_map;
                cellsWon = m_squares->CellsWon();
                squaresFed = m_squares->SquaresFed();
                EXPECT_TRUE(m_map != untouched);
                continue;
            }
            EXPECT_TRUE(m_map == oneThread) << threads << " threads";
            EXPECT_EQ(m_squares->CellsWon(), cellsWon) << threads << " threads";
            EXPECT_EQ(m_squares->SquaresFed(), squaresFed) << threads << " threads";
        }
    }
}

TEST_F(DemRunTest, AnUnusableFileAmongManyThreadsStopsTheRunAtIt) {
    // b.xml of square 533947 has its start point, after its tuples, past its
    // grid: square 533946 is finished before it, 533956 only after it.
    std::string bad = FlatDem("533947", 3000);
    bad.replace(bad.find("<gml:startPoint>0 0<"), 20, "<gml:startPoint>0 750<");
    const std::vector<uint8_t> untouched = m_map;
    CQuietUi completeUi;
    Run(ManyFiles(), MapDatum::kJgd, completeUi);
    const std::vector<int16_t> complete = Cells(kSquareX, kSquareY);
    ASSERT_NE(complete, Cells(kSquareX, kSquareY - 200));
    const std::vector<DemSource> sources = ManyFiles(bad);
    for (int threads : {1, 8}) {
        m_map = untouched;
        m_nThreads = threads;
        CQuietUi ui;
        const CorrectionResult result = Run(sources, MapDatum::kJgd, ui);
        EXPECT_EQ(result.outcome, CorrectionOutcome::kStopped);
        EXPECT_EQ(result.applied, 1);
        EXPECT_EQ(result.unusableFile, sources[0].path + ":b.xml");
        EXPECT_NE(result.reason.find("start point"), std::string::npos) << result.reason;
        EXPECT_EQ(Cells(kSquareX, kSquareY), complete);
        EXPECT_EQ(Holding(kUntouched, kSquareX, kSquareX + 200, kSquareY - 200, kSquareY),
                  200 * 200);
    }
}

// A source's squares taken straight from CDemSquares, with the walk's
// questions counted.
struct SourceRun {
    std::vector<int32_t> taken;
    ISquareSource::Pass pass = ISquareSource::Pass::kEnded;
    int questions = 0;  // stop requests asked
    std::string stoppedIn;
};

SourceRun RunSource(const std::vector<DemSource>& sources, const DemPlan& plan, int threads,
                    int stopAt, const std::function<bool(int32_t)>& take) {
    CDemSquares squares(sources, plan, MapDatum::kTokyo);
    squares.SetThreads(threads);
    SourceRun run;
    SquareReadControl control;
    control.stopRequested = [&] { return ++run.questions == stopAt; };
    EXPECT_TRUE(squares.Start());
    run.pass = squares.HandOn(
        [&](const ReadySquare& square) {
            run.taken.push_back(square.meshCode);
            return take(square.meshCode);
        },
        control);
    if (run.pass == ISquareSource::Pass::kStopped) run.stoppedIn = control.unusableFile;
    squares.Close();
    return run;
}

TEST_F(DemRunTest, AStopAmongManyThreadsEndsThePassWhereItDoesOnOne) {
    const std::vector<DemSource> sources = ManyFiles();
    const DemPlan plan = PlanDemRun(sources, MapDatum::kTokyo, {});
    const auto all = [](int32_t) { return true; };
    const SourceRun whole = RunSource(sources, plan, 1, -1, all);
    ASSERT_EQ(whole.taken, plan.squares);
    for (int threads : {2, 8})
        EXPECT_EQ(RunSource(sources, plan, threads, -1, all).taken, plan.squares) << threads;
    // Stopped by the walk's questions in the first 10 m file (nothing
    // finished), after it while files are still being read, and before the
    // last file: the same squares on every number of threads.
    for (int stopAt : {whole.questions / 4, whole.questions - 25, whole.questions}) {
        const SourceRun one = RunSource(sources, plan, 1, stopAt, all);
        EXPECT_EQ(one.pass, ISquareSource::Pass::kStopped);
        EXPECT_TRUE(std::any_of(sources.begin(), sources.end(),
                                [&](const DemSource& s) { return s.path == one.stoppedIn; }))
            << "stopped in '" << one.stoppedIn << "'";
        EXPECT_LT(one.taken.size(), plan.squares.size());
        EXPECT_EQ(one.taken.empty(), stopAt == whole.questions / 4);
        for (int threads : {2, 8}) {
            const SourceRun many = RunSource(sources, plan, threads, stopAt, all);
            EXPECT_EQ(many.pass, ISquareSource::Pass::kStopped);
            EXPECT_EQ(many.taken, one.taken) << "stopped at " << stopAt << ", " << threads;
        }
    }
}

TEST_F(DemRunTest, WhatTheRunsTakeThrowsOrDeclinesEndsThePassAmongManyThreads) {
    const std::vector<DemSource> sources = ManyFiles();
    const DemPlan plan = PlanDemRun(sources, MapDatum::kTokyo, {});
    ASSERT_GE(plan.squares.size(), 3u);
    const std::vector<int32_t> firstTwo(plan.squares.begin(), plan.squares.begin() + 2);
    for (int threads : {1, 8}) {
        const auto second = [&](int32_t code) { return code != plan.squares[1]; };
        const SourceRun declined = RunSource(sources, plan, threads, -1, second);
        EXPECT_EQ(declined.pass, ISquareSource::Pass::kDeclined);
        EXPECT_EQ(declined.taken, firstTwo);
        std::vector<int32_t> taken;
        const auto throwing = [&](int32_t code) -> bool {
            taken.push_back(code);
            if (code == plan.squares[1]) throw CException("disk full");
            return true;
        };
        EXPECT_THROW(RunSource(sources, plan, threads, -1, throwing), CException);
        EXPECT_EQ(taken, firstTwo);
    }
}

}  // namespace
