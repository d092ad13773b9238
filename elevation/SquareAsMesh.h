#pragma once

#include <cstdint>

#include "elevation/MeshGrid.h"
#include "elevation/MeshWriter.h"

class CFile;
class CTileIndex;
struct DCMHEADER;

// The tile values of the square of meshCode's cells (kMeshCells, row-major,
// row 0 southernmost) as the map holds them now, or, with a grid, as they
// would be once the grid is placed; 0 (no data) where the map takes no
// cell. Reads the map's tiles through tileBuffer (kTileBlockSize bytes) and
// never writes the map. File errors propagate as CFileException.
void SquareCellsOfMap(CFile& map, const DCMHEADER& header, const CTileIndex& index,
                      int32_t meshCode, const MeshGrid* grid, uint8_t* tileBuffer, int16_t* cells);

// The mesh file that gives a map what placing a square gives it: fills
// fields, for every cell of the square of meshCode, with the field that
// reads back as the value the map holds there once grid is placed (PatchTile
// over the map's tiles as they are now: the grid's value where it gives one,
// the map's own where it holds kKeepCell). So a run of such files writes
// exactly the cells a run of the grids writes, each with the same value.
// A cell in no tile the map can take (no index entry, a block past the end
// of the file or one that cannot be read whole) is -9999: no run writes it.
// A value that no field carries (see FieldForTileCell) is written as -9999
// below -99 and 99990 above 10000, and counted: the count is returned.
// Reads the map's tiles through tileBuffer (kTileBlockSize bytes) and never
// writes the map. File errors propagate as CFileException.
int64_t MeshFieldsAsPlaced(CFile& map, const DCMHEADER& header, const CTileIndex& index,
                           int32_t meshCode, const MeshGrid& grid, uint8_t* tileBuffer,
                           MeshFields& fields);
