#include "elevation/MeshPatch.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "elevation/MeshReader.h"
#include "elevation/TileIndex.h"
#include "framework/File.h"

namespace {

// The constants are applied as multiplications by their double values.
constexpr double kTwoThirds = 2.0 / 3.0;
constexpr double kOneTwelfth = 1.0 / 12.0;
constexpr double kOneEighth = 1.0 / 8.0;
constexpr double kPerSecond = 1.0 / 3600.0;

// Rounds a cell coordinate already offset by 0.5 down to a whole cell: for
// values of 0 or more this is the usual truncation; below 0 it keeps cells
// at their true places instead of pulling them toward row or column 0.
std::optional<int32_t> ToCell(double shifted) {
    const double cell = std::floor(shifted);
    if (!(cell >= -2147483648.0 && cell <= 2147483647.0)) return std::nullopt;
    return static_cast<int32_t>(cell);
}

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

struct Workspace {
    MeshGrid grid;
    uint8_t tile[kTileBlockSize];
};

}  // namespace

std::optional<MeshCorner> PlaceMesh(int32_t meshCode, const DCMHEADER& header) {
    const int32_t p = meshCode / 10000;
    const int32_t u = (meshCode % 10000) / 100;
    const int32_t q = (meshCode % 100) / 10;
    const int32_t v = meshCode % 10;
    const double lat = p * kTwoThirds + q * kOneTwelfth;
    const double lon = u + 100 + v * kOneEighth;
    const auto y = ToCell((lat - header.lOriginLat * kPerSecond) * header.nLatCellsPerDeg + 0.5);
    const auto x = ToCell((lon - header.lOriginLon * kPerSecond) * header.nLonCellsPerDeg + 0.5);
    if (!x || !y) return std::nullopt;
    return MeshCorner{*x, *y};
}

void PatchTile(const MeshGrid& grid, MeshCorner corner, int64_t tx, int64_t ty, uint8_t* tile) {
    // Offset of the mesh's first row and column inside this tile; negative
    // when the mesh starts in a tile further south or west.
    const int64_t rowOffset = corner.y - ty * kTileSide;
    const int64_t colOffset = corner.x - tx * kTileSide;
    const int64_t r0 = std::max<int64_t>(0, -rowOffset);
    const int64_t r1 = std::min<int64_t>(kMeshSide, kTileSide - rowOffset);
    const int64_t j0 = std::max<int64_t>(0, -colOffset);
    const int64_t j1 = std::min<int64_t>(kMeshSide, kTileSide - colOffset);
    for (int64_t r = r0; r < r1; ++r) {
        uint8_t* out = tile + 2 * ((rowOffset + r) * kTileSide + colOffset + j0);
        const int16_t* in = &grid.cells[r * kMeshSide];
        for (int64_t j = j0; j < j1; ++j, out += 2) {
            const auto cell = static_cast<uint16_t>(EncodeTileCell(in[j]));
            out[0] = static_cast<uint8_t>(cell);
            out[1] = static_cast<uint8_t>(cell >> 8);
        }
    }
}

void PatchGridIntoMap(CFile& map, const DCMHEADER& header, const CTileIndex& index,
                      int32_t meshCode, const MeshGrid& grid, uint8_t* tileBuffer) {
    const auto corner = PlaceMesh(meshCode, header);
    if (!corner) return;
    const int64_t tx0 = FloorDiv(corner->x, kTileSide);
    const int64_t ty0 = FloorDiv(corner->y, kTileSide);
    const uint64_t fileLength = map.GetLength();
    for (int dy = 0; dy < 2; ++dy) {
        for (int dx = 0; dx < 2; ++dx) {
            const auto key = TileKey(tx0 + dx, ty0 + dy);
            if (!key) continue;
            const DCMTILEENTRY* entry = index.Find(*key);
            if (entry == nullptr || entry->lBlockOffset < 0) continue;
            // A block that the file cannot hold whole is neither taken as
            // values nor written.
            if (static_cast<uint64_t>(entry->lBlockOffset) + kTileBlockSize > fileLength) continue;
            map.Seek(entry->lBlockOffset);
            if (map.Read(tileBuffer, kTileBlockSize) < kTileBlockSize) continue;
            PatchTile(grid, *corner, tx0 + dx, ty0 + dy, tileBuffer);
            map.Seek(entry->lBlockOffset);
            map.Write(tileBuffer, kTileBlockSize);
        }
    }
}

int PatchMeshIntoMap(CFile& map, const DCMHEADER& header, const CTileIndex& index,
                     const std::string& meshPath, MeshReadControl* control) {
    // Left uninitialised: the reader fills the grid, and tiles are read whole.
    std::unique_ptr<Workspace> work(new Workspace);
    // The tile buffer is free while the mesh is read: it serves as the
    // reader's buffer, so a call needs no memory beyond grid and tile.
    const int32_t code = ReadMemFile(meshPath, work->grid, reinterpret_cast<char*>(work->tile),
                                     sizeof work->tile, control);
    if (control != nullptr && control->stopped) return kPatchStopped;
    if (code < 0) return 0;
    PatchGridIntoMap(map, header, index, code, work->grid, work->tile);
    return 1;
}
