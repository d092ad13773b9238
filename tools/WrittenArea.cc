#include "tools/WrittenArea.h"

#include <algorithm>
#include <memory>
#include <string_view>

#include "correction/MeshFileSource.h"
#include "elevation/MeshPatch.h"
#include "elevation/MeshReader.h"
#include "elevation/TextModeLines.h"
#include "framework/Exception.h"
#include "framework/File.h"

namespace {

// The mesh code of a file as ReadMemFile finds it, without the records.
std::optional<int32_t> MeshCodeOf(const std::string& path) {
    try {
        auto file = OpenFile(path, FileAccess::kReadShared);
        auto buffer = std::make_unique<char[]>(CTextModeLines::kMinBuffer);
        CTextModeLines lines(*file, buffer.get(), CTextModeLines::kMinBuffer);
        std::string_view line;
        if (!lines.Next(line)) return std::nullopt;
        return MeshFieldValue(line.data(), std::min<size_t>(line.size(), 6));
    } catch (const CFileException&) {
        return std::nullopt;
    }
}

}  // namespace

std::optional<CellBox> WrittenArea(IMeshFileSource& meshes, const DCMHEADER& header,
                                   const CTileIndex& index, uint64_t fileLength) {
    std::optional<CellBox> area;
    for (bool more = meshes.First(); more; more = meshes.Next()) {
        const auto code = MeshCodeOf(meshes.EntryPath());
        if (!code || *code < 0) continue;
        const auto corner = PlaceMesh(*code, header);
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
    meshes.Close();
    return area;
}
