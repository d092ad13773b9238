#include "elevation/SquareAsMesh.h"

#include <algorithm>
#include <vector>

#include "elevation/MeshPatch.h"
#include "elevation/TileIndex.h"
#include "framework/File.h"

void SquareCellsOfMap(CFile& map, const DCMHEADER& header, const CTileIndex& index,
                      int32_t meshCode, const MeshGrid* grid, uint8_t* tileBuffer, int16_t* cells) {
    std::fill(cells, cells + kMeshCells, 0);
    const auto corner = PlaceMesh(meshCode, header);
    if (!corner) return;
    const uint64_t fileLength = map.GetLength();
    const MeshTiles tiles = TilesUnderMesh(*corner);
    for (int i = 0; i < tiles.count; ++i) {
        const TileNumber tile = tiles.tiles[i];
        const auto block = WritableBlock(index, tile, fileLength);
        if (!block || map.ReadAt(*block, tileBuffer, kTileBlockSize) < kTileBlockSize) continue;
        PatchSide side;
        side.keepMarked = true;
        if (grid != nullptr) PatchTile(*grid, *corner, tile.tx, tile.ty, tileBuffer, side);
        CopyTileToSquare(*corner, tile.tx, tile.ty, tileBuffer, cells);
    }
}

int64_t MeshFieldsAsPlaced(CFile& map, const DCMHEADER& header, const CTileIndex& index,
                           int32_t meshCode, const MeshGrid& grid, uint8_t* tileBuffer,
                           MeshFields& fields) {
    // The tile values the square's cells end with; 0 (no data, -9999 in the
    // file) where the map takes no cell.
    std::vector<int16_t> placed(kMeshCells);
    SquareCellsOfMap(map, header, index, meshCode, &grid, tileBuffer, placed.data());
    int64_t outOfRange = 0;
    for (int i = 0; i < kMeshCells; ++i) {
        const auto field = FieldForTileCell(placed[i]);
        outOfRange += !field;
        fields.cells[i] = field ? *field : placed[i] < 0 ? kLowestField : 10 * 9999;
    }
    return outOfRange;
}
