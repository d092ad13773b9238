#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "elevation/DcmLayout.h"
#include "elevation/MeshGrid.h"

class CFile;
class CTileIndex;
struct MeshReadControl;

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

// Copies the grid into the tile buffer (kTileBlockSize little-endian bytes)
// of tile (tx, ty), for the cells of the mesh placed at corner that fall into
// that tile; the other cells keep their values.
void PatchTile(const MeshGrid& grid, MeshCorner corner, int64_t tx, int64_t ty, uint8_t* tile);

// Applies one mesh file to an open map: reads it, and rewrites in place each
// of the up to four tiles that the mesh can touch and that the index lists.
// A tile whose block does not lie wholly inside the file is left alone, and
// so are cells west or south of the map's first cell.
// Returns 0 when the mesh file cannot be used (ReadMemFile gave -1; the map
// is then untouched), 1 otherwise, and kPatchStopped when the control's stop
// request ended the read (the map untouched too). Map file errors propagate
// as CFileException.
int PatchMeshIntoMap(CFile& map, const DCMHEADER& header, const CTileIndex& index,
                     const std::string& meshPath, MeshReadControl* control = nullptr);

// PatchMeshIntoMap's result for a mesh file whose read was stopped.
constexpr int kPatchStopped = -1;

// The same for a grid already read, with the mesh code it came with.
void PatchGridIntoMap(CFile& map, const DCMHEADER& header, const CTileIndex& index,
                      int32_t meshCode, const MeshGrid& grid, uint8_t* tileBuffer);
