#include "report/WrittenArea.h"

#include <algorithm>

#include "elevation/MeshPatch.h"

std::optional<CellBox> WrittenArea(const std::vector<int32_t>& codes, const DCMHEADER& header,
                                   const CTileIndex& index, uint64_t fileLength) {
    std::optional<CellBox> area;
    for (const int32_t code : codes) {
        const auto corner = PlaceMesh(code, header);
        if (!corner) continue;
        const MeshTiles tiles = TilesUnderMesh(*corner);
        for (int i = 0; i < tiles.count; ++i) {
            const TileNumber t = tiles.tiles[i];
            if (!WritableBlock(index, t, fileLength)) continue;
            const CellBox cells{
                std::max<int64_t>(corner->x, t.tx * kTileSide),
                std::max<int64_t>(corner->y, t.ty * kTileSide),
                std::min<int64_t>(int64_t{corner->x} + kMeshSide, (t.tx + 1) * kTileSide),
                std::min<int64_t>(int64_t{corner->y} + kMeshSide, (t.ty + 1) * kTileSide)};
            if (!area) {
                area = cells;
            } else {
                area->x0 = std::min(area->x0, cells.x0);
                area->y0 = std::min(area->y0, cells.y0);
                area->x1 = std::max(area->x1, cells.x1);
                area->y1 = std::max(area->y1, cells.y1);
            }
        }
    }
    return area;
}
