#include "dem/DatumChoice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <functional>

#include "dem/DemSample.h"
#include "elevation/DcmLayout.h"
#include "elevation/MeshPatch.h"
#include "elevation/TileIndex.h"
#include "framework/MemoryFile.h"
#include "samples/SampleMap.h"
#include "testsupport/TestFolder.h"

namespace {

namespace fs = std::filesystem;

// Hills some kilometres across: 450 m off, a height is tens of metres off.
double Hills(double lat, double lon) {
    return 400 + 250 * std::sin(lat * 3600 / 90) * std::cos(lon * 3600 / 120);
}

double Flat(double, double) { return 300; }

// The hills with a flat coast along the southern edge of mesh 533946
// (40' north): 30" of it on either side, wider than the datums' shift.
constexpr double kCoast = 2;
double CoastAndHills(double lat, double lon) {
    return std::abs(lat - (35 + 40.0 / 60)) < 30.0 / 3600 ? kCoast : Hills(lat, lon);
}
// Mesh 533946 on a map whose origin is 35 N 139 E, with the squares around
// it: tiles 3-4 east and 4-5 north.
class DatumChoiceTest : public ::testing::Test {
  protected:
    // A map of the land in datum (its cells at their centres), or flat; or
    // of the land made by another function, with a survey's error added.
    void MakeMap(MapDatum datum, bool flat = false) { MakeMapOf(datum, flat ? Flat : Hills, 0); }
    void MakeMapOf(MapDatum datum, double (*land)(double, double), double error) {
        for (int ty = 4; ty <= 5; ++ty)
            for (int tx = 3; tx <= 4; ++tx) m_layout.tiles.push_back({tx, ty});
        m_map = BuildSampleMap(m_layout, [&](size_t t, int cell) {
            const int x = m_layout.tiles[t].tx * kTileSide + cell % kTileSide;
            const int y = m_layout.tiles[t].ty * kTileSide + cell / kTileSide;
            const double lat = 35 + (y + 0.5) * 1.5 / 3600, lon = 139 + (x + 0.5) * 2.25 / 3600;
            const GeodeticOffset shift = TokyoToJgdOffset(lat, lon);
            // The land a JGD map shows here lies at the Tokyo map's place
            // plus the shift.
            const double metres = datum == MapDatum::kJgd ? land(lat, lon)
                                                          : land(lat + shift.latMas / 3.6e6,
                                                                 lon + shift.lonMas / 3.6e6);
            // Survey error in the hills: -error to +error metres, cell by cell.
            const double noise =
                metres > kCoast + 1 ? error * ((x * 7919 + y * 104729) % 201 - 100) / 100.0 : 0;
            return EncodeTileCell(static_cast<int16_t>(std::lround(metres + noise)));
        });
    }

    // The 10 m DEM of mesh 533946, of the land (or flat); with a corner, data
    // only in that many columns and rows at its south-west.
    void MakeDem(bool flat = false, int corner = 0) { MakeDemOf(flat ? Flat : Hills, corner); }
    void MakeDemOf(double (*land)(double, double), int corner = 0) {
        DemSample sample = DemSampleOf(DemProduct::k10B);
        sample.tuple = [=](int32_t column, int32_t row) {
            if (corner > 0 && (column >= corner || row < 750 - corner))
                return DemTupleText(kDemNoData);
            const double lat = 35 + 40.0 / 60 + (750 - row - 0.5) * 0.4 / 3600;
            const double lon = 139.75 + (column + 0.5) * 0.4 / 3600;
            return DemTupleText(static_cast<int32_t>(std::lround(land(lat, lon) * 100)));
        };
        const fs::path path = m_folder.Path() / "dem.xml";
        std::ofstream(path, std::ios::binary) << BuildDemGml(sample);
        m_sources = {{path.string(), false}};
    }

    DatumChoice Choose() {
        const DemPlan plan = PlanDemRun(m_sources, MapDatum::kJgd, {});
        EXPECT_EQ(plan.outcome, DemPlan::Outcome::kReady);
        CMemoryFile map(m_map, "map.dcm");
        DCMHEADER header;
        CTileIndex index;
        EXPECT_EQ(LoadTileIndex(map, header, index, nullptr), IndexLoad::kLoaded);
        return ChooseDatum(m_sources, plan, map, header, index, [] { return false; });
    }

    CTestFolder m_folder;
    SampleMapLayout m_layout;
    std::vector<uint8_t> m_map;
    std::vector<DemSource> m_sources;
};

TEST_F(DatumChoiceTest, TheSameLandOnEachDatumIsTold) {
    MakeDem();
    MakeMap(MapDatum::kTokyo);
    DatumChoice choice = Choose();
    EXPECT_EQ(choice.outcome, DatumChoice::Outcome::kChosen);
    EXPECT_EQ(choice.datum, MapDatum::kTokyo);
    EXPECT_LT(choice.tokyo.rms, 1.0) << "only the rounding of the map's heights";
    EXPECT_GT(choice.jgd.rms, 10.0);
    EXPECT_GE(choice.tokyo.cells, kDatumCells);

    m_layout.tiles.clear();
    MakeMap(MapDatum::kJgd);
    choice = Choose();
    EXPECT_EQ(choice.outcome, DatumChoice::Outcome::kChosen);
    EXPECT_EQ(choice.datum, MapDatum::kJgd);
    EXPECT_LT(choice.jgd.rms, 1.0);
}

TEST_F(DatumChoiceTest, FlatLandCannotTell) {
    MakeDem(true);
    MakeMap(MapDatum::kTokyo, true);
    const DatumChoice choice = Choose();
    EXPECT_EQ(choice.outcome, DatumChoice::Outcome::kUndecided);
    EXPECT_EQ(choice.tokyo.rms, 0);
    EXPECT_EQ(choice.jgd.rms, 0);
}

TEST_F(DatumChoiceTest, TooFewCellsCannotTell) {
    // Data in 12 x 12 DEM cells (4.8" square) only: a few map cells on
    // either datum.
    MakeDem(false, 12);
    MakeMap(MapDatum::kTokyo);
    const DatumChoice choice = Choose();
    EXPECT_EQ(choice.outcome, DatumChoice::Outcome::kTooFewCells);
    EXPECT_LT(std::min(choice.tokyo.cells, choice.jgd.cells), kDatumCells);
}

// A map with survey error in its hills and a flat coast along the DEM's
// southern edge, where the Tokyo datum's resampling meets the square to the
// south in a strip: the datums are judged over the same cells, so the flat
// strip does not make the wrong datum look better.
TEST_F(DatumChoiceTest, SurveyErrorAndAFlatStripDoNotMisleadTheChoice) {
    MakeDemOf(CoastAndHills);
    for (const MapDatum datum : {MapDatum::kJgd, MapDatum::kTokyo}) {
        m_layout.tiles.clear();
        MakeMapOf(datum, CoastAndHills, 4);
        const DatumChoice choice = Choose();
        EXPECT_EQ(choice.outcome, DatumChoice::Outcome::kChosen);
        EXPECT_EQ(choice.datum, datum)
            << "tokyo " << choice.tokyo.rms << " m, jgd " << choice.jgd.rms << " m";
        EXPECT_EQ(choice.tokyo.cells, choice.jgd.cells) << "the same cells";
        EXPECT_GT(choice.tokyo.cells, 20000) << "the DEM's square, not a strip";
    }
}

TEST(DatumMarginTest, OneFitsClearlyBetterOnlyAtOneAndAHalfTimes) {
    EXPECT_TRUE(ClearlyBetter({2.0, 200}, {3.0, 200}));
    EXPECT_FALSE(ClearlyBetter({2.0, 200}, {2.99, 200}));
    EXPECT_FALSE(ClearlyBetter({3.0, 200}, {2.0, 200}));
    EXPECT_FALSE(ClearlyBetter({0, 200}, {0, 200}));
    // Far beyond survey error, no fit is better than another.
    EXPECT_TRUE(ClearlyBetter({50, 200}, {500, 200}));
    EXPECT_FALSE(ClearlyBetter({51, 200}, {500, 200}));
}

}  // namespace
