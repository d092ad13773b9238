#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "elevation/DcmLayout.h"
#include "elevation/MeshGrid.h"

class CFile;
class CTileIndex;

// Map cell of a mesh square's south-west corner.
struct MeshCorner {
    int32_t x;  // column, eastward from the map's cell column 0
    int32_t y;  // row, northward from the map's cell row 0
};

// Where the square of a second-level mesh code lands in a map: its corner
// in degrees, turned into cells and rounded half up. Empty when the cell
// numbers do not fit in 32 bits.
std::optional<MeshCorner> PlaceMesh(int32_t meshCode, const DCMHEADER& header);

// The tile cell value for a grid elevation: 0 for no data (anything below
// -99), small negative depths as they are, and every elevation of 0 m or more
// one higher.
inline int16_t EncodeTileCell(int16_t metres) {
    if (metres < -99) return 0;
    if (metres < 0) return metres;
    return static_cast<int16_t>(metres + 1);
}

// The tiles that hold at least one cell of a mesh square placed at corner:
// one, two or four, row by row from the south-west, the order in which the
// map takes them.
struct MeshTiles {
    int count = 0;
    TileNumber tiles[4];
};
MeshTiles TilesUnderMesh(MeshCorner corner);

// Cells of a tile that a patch covered, and how many of them hold another
// value now.
struct PatchCount {
    int64_t cells = 0;
    int64_t changed = 0;
    int64_t kept = 0;  // of the cells, those the grid left as they were (kKeepCell)
    // With originals: cells of the patch that now differ from the original
    // less those that did before it (negative when cells went back).
    int64_t differing = 0;
};

// Where a tile's own copy of what it had before a patch goes, and what it
// compares against: both optional, both whole tiles or the patch's cells.
struct PatchSide {
    const uint8_t* original = nullptr;  // the tile as before the run (kTileBlockSize bytes)
    uint8_t* overwritten = nullptr;     // receives the cells the patch overwrites, row by row
    bool keepMarked = false;            // the grid may mark cells kKeepCell (mesh files never do)
};

// Copies the grid into the tile buffer (kTileBlockSize little-endian bytes)
// of tile (tx, ty), for the cells of the mesh placed at corner that fall into
// that tile; the other cells, and with side.keepMarked those the grid marks
// kKeepCell, keep their values. Returns what it wrote; with
// side.original, also how the cells differing from it changed. With
// side.overwritten, stores there the cells' values before the patch (2 bytes
// a cell written), for UndoPatch.
PatchCount PatchTile(const MeshGrid& grid, MeshCorner corner, int64_t tx, int64_t ty, uint8_t* tile,
                     PatchSide side = {});

// Rows of tile cells patched on the AVX2 path since the process started, so
// that a test can see which path a patch took without asking the processor.
uint64_t RowsPatchedWithAvx2();

// Copies into packed the cells of tile that a mesh square placed at corner
// covers in tile (tx, ty), row by row as PatchTile keeps what it overwrites;
// returns how many.
int64_t CopySquareCells(MeshCorner corner, int64_t tx, int64_t ty, const uint8_t* tile,
                        uint8_t* packed);

// Copies into square (kMeshCells cells, row-major, row 0 southernmost, as
// MeshGrid) the cells of tile that the square placed at corner covers in
// tile (tx, ty), each at its place in the square; returns how many. The
// square's other cells keep their values.
int64_t CopyTileToSquare(MeshCorner corner, int64_t tx, int64_t ty, const uint8_t* tile,
                         int16_t* square);

// Marks in takes (kMeshCells bytes, row-major, row 0 southernmost, as
// MeshGrid) with 1 the cells of square meshCode that the map of fileLength
// bytes can take: those in a tile that WritableBlock gives a block for.
void CellsTheMapTakes(const DCMHEADER& header, const CTileIndex& index, uint64_t fileLength,
                      int32_t meshCode, std::vector<uint8_t>& takes);

// True when the squares placed at a and b share a cell of tile (tx, ty).
bool SquaresShareCellsIn(MeshCorner a, MeshCorner b, int64_t tx, int64_t ty);

// Puts back into tile the cells that PatchTile with the same corner and tile
// number stored in overwritten (or that CopySquareCells copied).
void UndoPatch(MeshCorner corner, int64_t tx, int64_t ty, uint8_t* tile,
               const uint8_t* overwritten);

// The block of tile (tx, ty) when the map can take cells in it: a keyed tile
// that the index lists, with a block lying wholly inside a file of
// fileLength bytes. Empty otherwise.
std::optional<int64_t> WritableBlock(const CTileIndex& index, TileNumber tile, uint64_t fileLength);

// Applies one mesh file to an open map: reads it, and rewrites in place each
// of the up to four tiles that hold cells of the mesh and that the index
// lists, one tile after another.
// A tile whose block does not lie wholly inside the file is left alone, and
// so are cells west or south of the map's first cell.
// Returns 0 when the mesh file cannot be used (ReadMemFile gave -1; the map
// is then untouched), 1 otherwise. Map file errors propagate as
// CFileException. Each call stands alone; a whole run keeps tiles between
// meshes instead, and leaves the same bytes.
int PatchMeshIntoMap(CFile& map, const DCMHEADER& header, const CTileIndex& index,
                     const std::string& meshPath);

// The same for a grid already read, with the mesh code it came with; with
// keepMarked, the grid's cells marked kKeepCell keep what the map holds.
void PatchGridIntoMap(CFile& map, const DCMHEADER& header, const CTileIndex& index,
                      int32_t meshCode, const MeshGrid& grid, uint8_t* tileBuffer,
                      bool keepMarked = false);
