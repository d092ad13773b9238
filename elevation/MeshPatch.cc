#include "elevation/MeshPatch.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "elevation/MeshReader.h"
#include "elevation/TileIndex.h"
#include "elevation/VectorPath.h"
#include "framework/File.h"

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "tile cells are copied as the machine's own 16-bit values");

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

// Rows patched on the AVX2 path so far, for the tests of the dispatch.
uint64_t g_avx2Rows = 0;

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// Writes n encoded grid cells over a tile row's cells and returns how many
// of them change. Through plain arrays, which the compiler turns into vector
// code: the cells are little-endian 16-bit values, the machine's own order.
// With an original row, also adds to differing how the count of cells that
// differ from it changed; with a place for them, keeps the cells overwritten.
// With Keep, cells the grid marks kKeepCell keep what they hold and are
// counted in kept; without it, which mesh files need, no cell is so marked
// and the loop does not look.
template <bool Keep>
__attribute__((always_inline)) inline int PatchRow(const int16_t* in, uint8_t* out, size_t n,
                                                   const uint8_t* original, uint8_t* overwritten,
                                                   int64_t& differing, int64_t& kept) {
    int16_t before[kMeshSide], after[kMeshSide];
    std::memcpy(before, out, 2 * n);
    int changed = 0, keep = 0;
    for (size_t j = 0; j < n; ++j) {
        if (Keep) {
            const bool keepCell = in[j] == kKeepCell;
            after[j] = keepCell ? before[j] : EncodeTileCell(in[j]);
            keep += keepCell;
        } else {
            after[j] = EncodeTileCell(in[j]);
        }
        changed += before[j] != after[j];
    }
    kept += keep;
    std::memcpy(out, after, 2 * n);
    if (overwritten != nullptr) std::memcpy(overwritten, before, 2 * n);
    if (original != nullptr) {
        int16_t first[kMeshSide];
        std::memcpy(first, original, 2 * n);
        int delta = 0;
        for (size_t j = 0; j < n; ++j) delta += (after[j] != first[j]) - (before[j] != first[j]);
        differing += delta;
    }
    return changed;
}

using PatchRowFunction = int (*)(const int16_t*, uint8_t*, size_t, const uint8_t*, uint8_t*,
                                 int64_t&, int64_t&);

template <bool Keep>
int PatchRowPlain(const int16_t* in, uint8_t* out, size_t n, const uint8_t* original,
                  uint8_t* overwritten, int64_t& differing, int64_t& kept) {
    return PatchRow<Keep>(in, out, n, original, overwritten, differing, kept);
}

#if defined(__x86_64__) || defined(__i386__)
// The same loop in registers twice as wide, where the processor has them.
template <bool Keep>
__attribute__((target("avx2"))) int PatchRowAvx2(const int16_t* in, uint8_t* out, size_t n,
                                                 const uint8_t* original, uint8_t* overwritten,
                                                 int64_t& differing, int64_t& kept) {
    ++g_avx2Rows;
    return PatchRow<Keep>(in, out, n, original, overwritten, differing, kept);
}
#else
template <bool Keep>
int PatchRowAvx2(const int16_t* in, uint8_t* out, size_t n, const uint8_t* original,
                 uint8_t* overwritten, int64_t& differing, int64_t& kept) {
    ++g_avx2Rows;
    return PatchRow<Keep>(in, out, n, original, overwritten, differing, kept);
}
#endif

// The part of a mesh square that falls into one tile: rows [r0, r1) and
// columns [j0, j1) of the grid, and where the grid's first cell lies in the
// tile (negative when the mesh starts in a tile further south or west).
struct TileRect {
    int64_t rowOffset, colOffset, r0, r1, j0, j1;
    bool Empty() const { return r0 >= r1 || j0 >= j1; }
    uint8_t* Row(uint8_t* tile, int64_t r) const {
        return tile + 2 * ((rowOffset + r) * kTileSide + colOffset + j0);
    }
};

TileRect RectIn(MeshCorner corner, int64_t tx, int64_t ty) {
    TileRect rect;
    rect.rowOffset = corner.y - ty * kTileSide;
    rect.colOffset = corner.x - tx * kTileSide;
    rect.r0 = std::max<int64_t>(0, -rect.rowOffset);
    rect.r1 = std::min<int64_t>(kMeshSide, kTileSide - rect.rowOffset);
    rect.j0 = std::max<int64_t>(0, -rect.colOffset);
    rect.j1 = std::min<int64_t>(kMeshSide, kTileSide - rect.colOffset);
    return rect;
}

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

MeshTiles TilesUnderMesh(MeshCorner corner) {
    const int64_t tx0 = FloorDiv(corner.x, kTileSide);
    const int64_t ty0 = FloorDiv(corner.y, kTileSide);
    // A square of 200 cells reaches into the next tile only when it starts
    // within its last 200 cells.
    const int columns = corner.x + int64_t{kMeshSide} > (tx0 + 1) * kTileSide ? 2 : 1;
    const int rows = corner.y + int64_t{kMeshSide} > (ty0 + 1) * kTileSide ? 2 : 1;
    MeshTiles result;
    for (int dy = 0; dy < rows; ++dy)
        for (int dx = 0; dx < columns; ++dx) result.tiles[result.count++] = {tx0 + dx, ty0 + dy};
    return result;
}

std::optional<int64_t> WritableBlock(const CTileIndex& index, TileNumber tile,
                                     uint64_t fileLength) {
    const auto key = TileKey(tile.tx, tile.ty);
    if (!key) return std::nullopt;
    const DCMTILEENTRY* entry = index.Find(*key);
    if (entry == nullptr || entry->lBlockOffset < 0) return std::nullopt;
    // A block that the file cannot hold whole is neither taken as values nor
    // written.
    if (static_cast<uint64_t>(entry->lBlockOffset) + kTileBlockSize > fileLength)
        return std::nullopt;
    return entry->lBlockOffset;
}

uint64_t RowsPatchedWithAvx2() { return g_avx2Rows; }

PatchCount PatchTile(const MeshGrid& grid, MeshCorner corner, int64_t tx, int64_t ty, uint8_t* tile,
                     PatchSide side) {
    const TileRect rect = RectIn(corner, tx, ty);
    PatchCount count;
    if (rect.Empty()) return count;
    const auto n = static_cast<size_t>(rect.j1 - rect.j0);
    const bool wide = CurrentVectorPath() == VectorPath::kAvx2;
    const PatchRowFunction patchRow = side.keepMarked
                                          ? (wide ? PatchRowAvx2<true> : PatchRowPlain<true>)
                                          : (wide ? PatchRowAvx2<false> : PatchRowPlain<false>);
    uint8_t* overwritten = side.overwritten;
    for (int64_t r = rect.r0; r < rect.r1; ++r) {
        uint8_t* out = rect.Row(tile, r);
        const uint8_t* original = side.original != nullptr ? side.original + (out - tile) : nullptr;
        const int16_t* in = &grid.cells[r * kMeshSide + rect.j0];
        count.changed += patchRow(in, out, n, original, overwritten, count.differing, count.kept);
        if (overwritten != nullptr) overwritten += 2 * n;
    }
    count.cells = (rect.r1 - rect.r0) * (rect.j1 - rect.j0);
    return count;
}

int64_t CopySquareCells(MeshCorner corner, int64_t tx, int64_t ty, const uint8_t* tile,
                        uint8_t* packed) {
    const TileRect rect = RectIn(corner, tx, ty);
    if (rect.Empty()) return 0;
    const auto bytes = static_cast<size_t>(2 * (rect.j1 - rect.j0));
    for (int64_t r = rect.r0; r < rect.r1; ++r, packed += bytes)
        std::memcpy(packed, rect.Row(const_cast<uint8_t*>(tile), r), bytes);
    return (rect.r1 - rect.r0) * (rect.j1 - rect.j0);
}

int64_t CopyTileToSquare(MeshCorner corner, int64_t tx, int64_t ty, const uint8_t* tile,
                         int16_t* square) {
    const TileRect rect = RectIn(corner, tx, ty);
    if (rect.Empty()) return 0;
    const auto bytes = static_cast<size_t>(2 * (rect.j1 - rect.j0));
    for (int64_t r = rect.r0; r < rect.r1; ++r)
        std::memcpy(square + r * kMeshSide + rect.j0, rect.Row(const_cast<uint8_t*>(tile), r),
                    bytes);
    return (rect.r1 - rect.r0) * (rect.j1 - rect.j0);
}

void CellsTheMapTakes(const DCMHEADER& header, const CTileIndex& index, uint64_t fileLength,
                      int32_t meshCode, std::vector<uint8_t>& takes) {
    takes.assign(kMeshCells, 0);
    const auto corner = PlaceMesh(meshCode, header);
    if (!corner) return;
    const MeshTiles tiles = TilesUnderMesh(*corner);
    for (int i = 0; i < tiles.count; ++i) {
        if (!WritableBlock(index, tiles.tiles[i], fileLength)) continue;
        const TileRect rect = RectIn(*corner, tiles.tiles[i].tx, tiles.tiles[i].ty);
        if (rect.Empty()) continue;
        for (int64_t r = rect.r0; r < rect.r1; ++r)
            std::fill(takes.begin() + r * kMeshSide + rect.j0,
                      takes.begin() + r * kMeshSide + rect.j1, uint8_t{1});
    }
}

bool SquaresShareCellsIn(MeshCorner a, MeshCorner b, int64_t tx, int64_t ty) {
    const TileRect ra = RectIn(a, tx, ty);
    const TileRect rb = RectIn(b, tx, ty);
    if (ra.Empty() || rb.Empty()) return false;
    // Both in the tile's own rows and columns.
    return std::max(ra.rowOffset + ra.r0, rb.rowOffset + rb.r0) <
               std::min(ra.rowOffset + ra.r1, rb.rowOffset + rb.r1) &&
           std::max(ra.colOffset + ra.j0, rb.colOffset + rb.j0) <
               std::min(ra.colOffset + ra.j1, rb.colOffset + rb.j1);
}

void UndoPatch(MeshCorner corner, int64_t tx, int64_t ty, uint8_t* tile,
               const uint8_t* overwritten) {
    const TileRect rect = RectIn(corner, tx, ty);
    if (rect.Empty()) return;
    const auto bytes = static_cast<size_t>(2 * (rect.j1 - rect.j0));
    for (int64_t r = rect.r0; r < rect.r1; ++r, overwritten += bytes)
        std::memcpy(rect.Row(tile, r), overwritten, bytes);
}

void PatchGridIntoMap(CFile& map, const DCMHEADER& header, const CTileIndex& index,
                      int32_t meshCode, const MeshGrid& grid, uint8_t* tileBuffer,
                      bool keepMarked) {
    const auto corner = PlaceMesh(meshCode, header);
    if (!corner) return;
    const uint64_t fileLength = map.GetLength();
    // A listed tile that no cell of the mesh falls into would be written
    // back as it was read: it is not visited at all.
    const MeshTiles tiles = TilesUnderMesh(*corner);
    for (int i = 0; i < tiles.count; ++i) {
        const auto block = WritableBlock(index, tiles.tiles[i], fileLength);
        if (!block) continue;
        if (map.ReadAt(*block, tileBuffer, kTileBlockSize) < kTileBlockSize) continue;
        PatchSide side;
        side.keepMarked = keepMarked;
        PatchTile(grid, *corner, tiles.tiles[i].tx, tiles.tiles[i].ty, tileBuffer, side);
        map.WriteAt(*block, tileBuffer, kTileBlockSize);
    }
}

int PatchMeshIntoMap(CFile& map, const DCMHEADER& header, const CTileIndex& index,
                     const std::string& meshPath) {
    // Left uninitialised: the reader fills the grid, and tiles are read whole.
    std::unique_ptr<Workspace> work(new Workspace);
    // The tile buffer is free while the mesh is read: it serves as the
    // reader's buffer, so a call needs no memory beyond grid and tile.
    const int32_t code =
        ReadMemFile(meshPath, work->grid, reinterpret_cast<char*>(work->tile), sizeof work->tile);
    if (code < 0) return 0;
    PatchGridIntoMap(map, header, index, code, work->grid, work->tile);
    return 1;
}
