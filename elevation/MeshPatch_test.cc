#include "elevation/MeshPatch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>

#include "elevation/MeshReader.h"
#include "elevation/TileIndex.h"
#include "elevation/VectorPath.h"
#include "framework/MemoryFile.h"
#include "samples/SampleMap.h"
#include "samples/SampleMesh.h"
#include "testsupport/FaultyFile.h"
#include "testsupport/TestFolder.h"

namespace {

namespace fs = std::filesystem;

int16_t OriginalCell(size_t tile, int cell) {
    return static_cast<int16_t>((tile * 7919 + cell * 13) % 30000 - 15000);
}

// A grid in which every cell differs: the value tells where it came from.
std::unique_ptr<MeshGrid> DistinctGrid() {
    auto grid = std::make_unique<MeshGrid>();
    for (int i = 0; i < kMeshCells; ++i) grid->cells[i] = static_cast<int16_t>(i % 9000 - 150);
    return grid;
}

struct Map {
    SampleMapLayout layout;
    std::vector<uint8_t> original;
    CMemoryFile file;
    DCMHEADER header;
    CTileIndex index;

    explicit Map(SampleMapLayout l)
        : layout(std::move(l)), original(BuildSampleMap(layout, OriginalCell)), file(original) {
        EXPECT_EQ(LoadTileIndex(file, header, index), IndexLoad::kLoaded);
    }
    int16_t Cell(size_t tile, int row, int col) const {
        return TileCellAt(file.Bytes(), SampleBlockOffset(tile), row, col);
    }
};

SampleMapLayout Layout(std::vector<SampleMapLayout::Tile> tiles, int32_t lat = 126000,
                       int32_t lon = 500400) {
    SampleMapLayout layout;
    layout.originLat = lat;
    layout.originLon = lon;
    layout.tiles = std::move(tiles);
    return layout;
}

// Checks the whole map against a model of the update: a cell of a listed
// tile holds the mesh's encoded value where the mesh, placed with its
// south-west cell at (x, y), covers it, and its old value everywhere else;
// bytes outside the tile blocks never change.
void ExpectPatchedAt(const Map& map, const MeshGrid& grid, int64_t x, int64_t y) {
    const auto& now = map.file.Bytes();
    ASSERT_EQ(now.size(), map.original.size());
    ASSERT_TRUE(std::equal(now.begin(), now.begin() + SampleBlockOffset(0), map.original.begin()))
        << "header or index changed";
    for (size_t t = 0; t < map.layout.tiles.size(); ++t) {
        for (int row = 0; row < kTileSide; ++row) {
            for (int col = 0; col < kTileSide; ++col) {
                const int64_t mx = int64_t{kTileSide} * map.layout.tiles[t].tx + col - x;
                const int64_t my = int64_t{kTileSide} * map.layout.tiles[t].ty + row - y;
                const bool covered = mx >= 0 && mx < kMeshSide && my >= 0 && my < kMeshSide;
                const int16_t want =
                    covered ? EncodeTileCell(grid.At(static_cast<int>(my), static_cast<int>(mx)))
                            : OriginalCell(t, row * kTileSide + col);
                if (map.Cell(t, row, col) != want) {
                    FAIL() << "tile " << t << " row " << row << " col " << col << ": "
                           << map.Cell(t, row, col) << " != " << want;
                }
            }
        }
    }
}

void Patch(Map& map, int32_t code, const MeshGrid& grid) {
    auto tile = std::make_unique<uint8_t[]>(kTileBlockSize);
    PatchGridIntoMap(map.file, map.header, map.index, code, grid, tile.get());
}

TEST(TileEncodingTest, ValuesMapByTheTable) {
    const std::pair<int16_t, int16_t> table[] = {{-9999, 0}, {-100, 0},    {-99, -99},    {-1, -1},
                                                 {0, 1},     {1234, 1235}, {10000, 10001}};
    for (auto [metres, cell] : table) EXPECT_EQ(EncodeTileCell(metres), cell) << metres;
}

TEST(TileEncodingTest, EveryVectorPathWritesAndCountsAsCellByCell) {
    auto grid = DistinctGrid();
    for (int i = 0; i < kMeshCells; i += 7) grid->cells[i] = kNoElevation;
    // Cells a source does not cover keep the tile's value.
    for (int i = 5; i < kMeshCells; i += 11) grid->cells[i] = kKeepCell;
    std::vector<uint8_t> original(kTileBlockSize);
    for (size_t i = 0; i < original.size(); i += 2) {
        // Every third cell already holds what the grid will write there.
        original[i] = static_cast<uint8_t>(i % 3 == 0 ? 0 : i / 2 % 251);
        original[i + 1] = 0;
    }
    // Corner (250, -60): columns 250-319 of rows 0-139, with row and column
    // counts that are no multiple of a vector's width.
    const MeshCorner corner{250, -60};
    std::vector<uint8_t> want = original;
    int64_t changed = 0, kept = 0;
    for (int row = 0; row < 140; ++row)
        for (int col = 250; col < kTileSide; ++col) {
            const int16_t in = grid->At(row + 60, col - 250);
            if (in == kKeepCell) {
                ++kept;
                continue;
            }
            const int16_t cell = EncodeTileCell(in);
            uint8_t* p = &want[2 * (row * kTileSide + col)];
            changed += (p[0] | p[1] << 8) != static_cast<uint16_t>(cell);
            p[0] = static_cast<uint8_t>(cell);
            p[1] = static_cast<uint8_t>(static_cast<uint16_t>(cell) >> 8);
        }
    for (VectorPath path : SupportedVectorPaths()) {
        UseVectorPath(path);
        std::vector<uint8_t> tile = original;
        PatchSide side;
        side.keepMarked = true;
        const PatchCount count = PatchTile(*grid, corner, 0, 0, tile.data(), side);
        EXPECT_EQ(count.cells, 140 * 70);
        EXPECT_EQ(count.kept, kept) << "path " << static_cast<int>(path);
        EXPECT_EQ(count.changed, changed) << "path " << static_cast<int>(path);
        EXPECT_TRUE(tile == want) << "path " << static_cast<int>(path);
    }
    UseVectorPath(VectorPath::kAvx2);
}

TEST(TileEncodingTest, ThePlainPathRunsNoAvx2Code) {
    auto grid = DistinctGrid();
    std::vector<uint8_t> tile(kTileBlockSize);
    UseVectorPath(VectorPath::kPortable);
    if (CurrentVectorPath() == VectorPath::kPortable) {
        const uint64_t before = RowsPatchedWithAvx2();
        PatchTile(*grid, {0, 0}, 0, 0, tile.data());
        EXPECT_EQ(RowsPatchedWithAvx2(), before);
    }
    UseVectorPath(VectorPath::kAvx2);
    if (CurrentVectorPath() == VectorPath::kAvx2) {
        const uint64_t before = RowsPatchedWithAvx2();
        PatchTile(*grid, {0, 0}, 0, 0, tile.data());
        EXPECT_EQ(RowsPatchedWithAvx2(), before + kMeshSide);
    }
}

TEST(PlacementTest, ASquareEndingOnATileEdgeTouchesOnlyItsOwnTiles) {
    const MeshTiles one = TilesUnderMesh({kTileSide - kMeshSide, 2 * kTileSide - kMeshSide});
    ASSERT_EQ(one.count, 1);
    EXPECT_EQ(one.tiles[0].tx, 0);
    EXPECT_EQ(one.tiles[0].ty, 1);
    EXPECT_EQ(TilesUnderMesh({kTileSide - kMeshSide + 1, 0}).count, 2);
    EXPECT_EQ(TilesUnderMesh({kTileSide - kMeshSide + 1, kTileSide - kMeshSide + 1}).count, 4);
}

TEST(PlacementTest, WorkedExamples) {
    Map map(Layout({}));
    EXPECT_EQ(PlaceMesh(533945, map.header)->x, 1000);
    EXPECT_EQ(PlaceMesh(533945, map.header)->y, 1600);
    EXPECT_EQ(PlaceMesh(543976, map.header)->x, 1200);
    EXPECT_EQ(PlaceMesh(543976, map.header)->y, 3800);
}

TEST(PlacementTest, FirstExampleFillsOneTileAndRewritesTheOthersUnchanged) {
    Map map(Layout({{4, 6}, {3, 5}, {4, 5}, {3, 6}}));
    auto grid = DistinctGrid();
    Patch(map, 533945, *grid);
    ExpectPatchedAt(map, *grid, 1000, 1600);
    EXPECT_EQ(map.Cell(1, 0, 40), EncodeTileCell(grid->At(0, 0)));
    EXPECT_EQ(map.Cell(1, 199, 239), EncodeTileCell(grid->At(199, 199)));
    EXPECT_EQ(map.Cell(1, 200, 40), OriginalCell(1, 200 * kTileSide + 40));
}

TEST(PlacementTest, SecondExampleSpreadsOverFourTiles) {
    Map map(Layout({{3, 11}, {4, 11}, {3, 12}, {4, 12}}));
    auto grid = DistinctGrid();
    Patch(map, 543976, *grid);
    ExpectPatchedAt(map, *grid, 1200, 3800);
    EXPECT_EQ(map.Cell(0, 280, 240), EncodeTileCell(grid->At(0, 0)));
    EXPECT_EQ(map.Cell(1, 319, 119), EncodeTileCell(grid->At(39, 199)));
    EXPECT_EQ(map.Cell(3, 159, 119), EncodeTileCell(grid->At(199, 199)));
}

TEST(PlacementTest, CornerOnATileCornerFillsTheFirstRowsAndColumns) {
    // Origin at the south-west corner of mesh 533945.
    Map map(Layout({{0, 0}, {1, 0}}, 128400, 502650));
    auto grid = DistinctGrid();
    Patch(map, 533945, *grid);
    ExpectPatchedAt(map, *grid, 0, 0);
    EXPECT_EQ(map.Cell(0, 0, 0), EncodeTileCell(grid->At(0, 0)));
    EXPECT_EQ(map.Cell(0, 199, 199), EncodeTileCell(grid->At(199, 199)));
}

TEST(PlacementTest, LaterMeshOfTheSameSquareWins) {
    Map map(Layout({{3, 5}}));
    auto first = DistinctGrid();
    auto second = DistinctGrid();
    std::reverse(std::begin(second->cells), std::end(second->cells));
    Patch(map, 533945, *first);
    Patch(map, 533945, *second);
    ExpectPatchedAt(map, *second, 1000, 1600);
}

TEST(PlacementTest, UnlistedTilesAreNeverWritten) {
    Map map(Layout({{0, 0}}));
    auto grid = DistinctGrid();
    CFaultyFile noWrites(map.file, CFileException::Op::kWrite, 1);
    auto tile = std::make_unique<uint8_t[]>(kTileBlockSize);
    EXPECT_NO_THROW(PatchGridIntoMap(noWrites, map.header, map.index, 533945, *grid, tile.get()));
    EXPECT_EQ(map.file.Bytes(), map.original);
}

TEST(OutsideTheMapTest, MeshSouthWestOfTheOriginKeepsCellsAtTheirTruePlaces) {
    // The origin lies 40 cells east and 30 cells north of the mesh corner.
    Map map(Layout({{0, 0}, {1, 0}, {0, 1}}, 128445, 502740));
    ASSERT_EQ(PlaceMesh(533945, map.header)->x, -40);
    ASSERT_EQ(PlaceMesh(533945, map.header)->y, -30);
    auto grid = DistinctGrid();
    Patch(map, 533945, *grid);
    ExpectPatchedAt(map, *grid, -40, -30);
    EXPECT_EQ(map.Cell(0, 0, 0), EncodeTileCell(grid->At(30, 40)));
}

TEST(OutsideTheMapTest, MeshFarWestOfTheMapWritesNothing) {
    Map map(Layout({{0, 0}}, 126000, 510000));  // origin at 141 deg 40 min E
    auto grid = DistinctGrid();
    Patch(map, 533945, *grid);
    EXPECT_EQ(map.file.Bytes(), map.original);
}

TEST(OutsideTheMapTest, OriginsBeyondAnyKeyWriteNothing) {
    for (int32_t lat : {INT32_MIN, INT32_MAX}) {
        for (int32_t lon : {INT32_MIN, INT32_MAX}) {
            Map map(Layout({{0, 0}}, lat, lon));
            auto grid = DistinctGrid();
            for (int32_t code : {0, 533945, 999999}) Patch(map, code, *grid);
            EXPECT_EQ(map.file.Bytes(), map.original);
        }
    }
}

TEST(DamagedMapTest, BlockPartlyPastTheEndIsNeitherReadNorWritten) {
    Map whole(Layout({{4, 5}, {3, 5}}));
    std::vector<uint8_t> cut = whole.original;
    cut.resize(cut.size() - 2);
    Map map(Layout({{4, 5}, {3, 5}}));
    map.file = CMemoryFile(cut);
    auto grid = DistinctGrid();
    Patch(map, 533945, *grid);
    EXPECT_EQ(std::vector<uint8_t>(map.file.Bytes().begin() + SampleBlockOffset(1),
                                   map.file.Bytes().end()),
              std::vector<uint8_t>(cut.begin() + SampleBlockOffset(1), cut.end()));
    EXPECT_EQ(map.file.Bytes().size(), cut.size());
}

TEST(DamagedMapTest, NegativeBlockOffsetIsSkipped) {
    Map map(Layout({{3, 5}}));
    std::vector<uint8_t> bytes = map.original;
    StoreLE32(bytes.data() + SampleIndexOffset() + 4, -204800);
    map.file = CMemoryFile(bytes);
    ASSERT_EQ(LoadTileIndex(map.file, map.header, map.index), IndexLoad::kLoaded);
    auto grid = DistinctGrid();
    Patch(map, 533945, *grid);
    EXPECT_EQ(map.file.Bytes(), bytes);
}

TEST(FileErrorTest, SeekReadAndWriteErrorsReachTheCaller) {
    for (auto op :
         {CFileException::Op::kSeek, CFileException::Op::kRead, CFileException::Op::kWrite}) {
        Map map(Layout({{3, 5}}));
        CFaultyFile faulty(map.file, op, 1);
        auto grid = DistinctGrid();
        auto tile = std::make_unique<uint8_t[]>(kTileBlockSize);
        EXPECT_THROW(PatchGridIntoMap(faulty, map.header, map.index, 533945, *grid, tile.get()),
                     CFileException)
            << CFileException::OperationName(op);
    }
}

class PatchFileTest : public ::testing::Test {
  protected:
    std::string Write(const std::string& name, const std::string& text) {
        std::ofstream(m_dir / name, std::ios::binary) << text;
        return (m_dir / name).string();
    }
    CTestFolder m_folder;
    const fs::path& m_dir = m_folder.Path();
};

TEST_F(PatchFileTest, HeaderOnlyMeshClearsTheCoveredCells) {
    Map map(Layout({{3, 5}, {4, 5}}));
    const std::string path =
        Write("empty.mem", BuildMeshText(533945, {}, [](int, int) { return 0; }));
    EXPECT_EQ(PatchMeshIntoMap(map.file, map.header, map.index, path), 1);
    MeshGrid noData;
    std::fill(std::begin(noData.cells), std::end(noData.cells), kNoElevation);
    ExpectPatchedAt(map, noData, 1000, 1600);
    EXPECT_EQ(map.Cell(0, 0, 40), 0);
}

TEST_F(PatchFileTest, UnusableMeshLeavesTheMapUntouched) {
    Map map(Layout({{3, 5}}));
    EXPECT_EQ(PatchMeshIntoMap(map.file, map.header, map.index, (m_dir / "missing.mem").string()),
              0);
    EXPECT_EQ(PatchMeshIntoMap(map.file, map.header, map.index, Write("neg.mem", "-53394\r\n")), 0);
    EXPECT_EQ(PatchMeshIntoMap(map.file, map.header, map.index, Write("void.mem", "")), 0);
    EXPECT_EQ(map.file.Bytes(), map.original);
}

TEST_F(PatchFileTest, MeshOutsideTheIndexStillCounts) {
    Map map(Layout({{0, 0}}));
    const std::string path =
        Write("far.mem", BuildMeshText(543976, AllMeshRecords(), [](int, int) { return 10; }));
    EXPECT_EQ(PatchMeshIntoMap(map.file, map.header, map.index, path), 1);
    EXPECT_EQ(map.file.Bytes(), map.original);
}

}  // namespace
