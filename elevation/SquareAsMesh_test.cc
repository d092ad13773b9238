// A square's mesh file, read back and placed, leaves the map exactly as the
// square's own grid placed does: kept cells, depths, no data, and cells in
// a tile the map does not list.
#include "elevation/SquareAsMesh.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "elevation/MeshPatch.h"
#include "elevation/MeshReader.h"
#include "elevation/TextModeLines.h"
#include "elevation/TileIndex.h"
#include "framework/MemoryFile.h"
#include "samples/SampleMap.h"

namespace {

// 523953 lies at map cells (600, 200) of the sample origin (35 N, 139 E):
// across tiles (1, 0), (2, 0), (1, 1) and (2, 1), the last not listed.
constexpr int32_t kCode = 523953;
constexpr int kSquareX = 600, kSquareY = 200;

struct Map {
    std::vector<uint8_t> bytes;
    DCMHEADER header;
    CTileIndex index;
};

// A map whose cells run through no data, depths and elevations, with
// `special` put at the square's cell (row, col) when given.
Map BuildMap(int16_t special = 0, int row = -1, int col = -1) {
    SampleMapLayout layout;
    layout.tiles = {{1, 0}, {2, 0}, {1, 1}};
    Map map;
    map.bytes = BuildSampleMap(layout, [&](size_t t, int cell) {
        const int x = layout.tiles[t].tx * kTileSide + cell % kTileSide;
        const int y = layout.tiles[t].ty * kTileSide + cell / kTileSide;
        if (x == kSquareX + col && y == kSquareY + row) return special;
        return static_cast<int16_t>((x * 7 + y * 3) % 299 - 99);
    });
    CMemoryFile file(map.bytes);
    EXPECT_EQ(LoadTileIndex(file, map.header, map.index), IndexLoad::kLoaded);
    return map;
}

// A grid that keeps the map's cells in its west third and gives depths,
// no data (below -99) and elevations elsewhere.
std::unique_ptr<MeshGrid> DemGrid() {
    auto grid = std::make_unique<MeshGrid>();
    for (int row = 0; row < kMeshSide; ++row)
        for (int col = 0; col < kMeshSide; ++col)
            grid->At(row, col) =
                col < 70 ? kKeepCell : static_cast<int16_t>((row * 11 + col) % 400 - 150);
    return grid;
}

std::vector<uint8_t> Placed(const Map& map, int32_t code, const MeshGrid& grid) {
    CMemoryFile file(map.bytes);
    std::vector<uint8_t> tile(kTileBlockSize);
    PatchGridIntoMap(file, map.header, map.index, code, grid, tile.data(), true);
    return file.Bytes();
}

std::unique_ptr<MeshGrid> ReadBack(const std::string& text) {
    CMemoryFile file(std::vector<uint8_t>(text.begin(), text.end()));
    auto grid = std::make_unique<MeshGrid>();
    std::vector<char> scratch(CTextModeLines::kMinBuffer);
    EXPECT_EQ(ReadMeshText(file, *grid, scratch.data(), scratch.size()), kCode);
    return grid;
}

struct Fields {
    std::unique_ptr<MeshFields> fields = std::make_unique<MeshFields>();
    int64_t outOfRange = 0;
};

Fields FieldsOf(const Map& map, const MeshGrid& grid) {
    CMemoryFile file(map.bytes);
    std::vector<uint8_t> tile(kTileBlockSize);
    Fields result;
    result.outOfRange =
        MeshFieldsAsPlaced(file, map.header, map.index, kCode, grid, tile.data(), *result.fields);
    EXPECT_EQ(file.Bytes(), map.bytes) << "the map is only read";
    return result;
}

TEST(SquareAsMesh, ItsFileGivesTheMapThatItsGridGives) {
    const Map map = BuildMap();
    const auto grid = DemGrid();
    const std::vector<uint8_t> byGrid = Placed(map, kCode, *grid);
    ASSERT_NE(byGrid, map.bytes);

    const Fields fields = FieldsOf(map, *grid);
    EXPECT_EQ(fields.outOfRange, 0);
    const std::vector<uint8_t> byFile =
        Placed(map, kCode, *ReadBack(MeshFileText(kCode, *fields.fields, 2016)));
    EXPECT_EQ(byFile, byGrid);
}

TEST(SquareAsMesh, CellsOfATileTheMapDoesNotListHoldNoData) {
    const Map map = BuildMap();
    const Fields fields = FieldsOf(map, *DemGrid());
    // Tile (2, 1) starts at cell (640, 320): the square's row 120, column 40.
    EXPECT_EQ(fields.fields->At(120, 40), -9999);
    EXPECT_EQ(fields.fields->At(199, 199), -9999);
    // Its neighbour to the south is listed: a kept map cell.
    EXPECT_NE(fields.fields->At(119, 40), -9999);
}

TEST(SquareAsMesh, AKeptValueNoFieldCarriesIsCounted) {
    const auto grid = DemGrid();
    const Fields low = FieldsOf(BuildMap(-500, 10, 20), *grid);
    EXPECT_EQ(low.outOfRange, 1);
    EXPECT_EQ(low.fields->At(10, 20), -9999);
    const Fields high = FieldsOf(BuildMap(20000, 10, 20), *grid);
    EXPECT_EQ(high.outOfRange, 1);
    EXPECT_EQ(high.fields->At(10, 20), 99990);
    // Where the grid gives the cell a value, the map's own does not matter.
    EXPECT_EQ(FieldsOf(BuildMap(-500, 10, 120), *grid).outOfRange, 0);
}

}  // namespace
