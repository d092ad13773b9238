#include "undo/UndoRoom.h"

#include <cstdio>
#include <set>
#include <string_view>

#include "elevation/DcmLayout.h"
#include "elevation/MeshPatch.h"
#include "elevation/TileIndex.h"
#include "framework/Cp932Text.h"
#include "undo/UndoFormat.h"

uint64_t UndoRoomAtMost(const std::vector<int32_t>& codes, const DCMHEADER& header,
                        const CTileIndex& index, uint64_t fileLength) {
    std::set<int64_t> blocks;
    uint64_t writes = 0;
    for (const int32_t code : codes) {
        const auto corner = PlaceMesh(code, header);
        if (!corner) continue;
        const MeshTiles tiles = TilesUnderMesh(*corner);
        for (int i = 0; i < tiles.count; ++i) {
            const auto block = WritableBlock(index, tiles.tiles[i], fileLength);
            if (!block) continue;
            blocks.insert(*block);
            ++writes;
        }
    }
    writes += blocks.size();
    return kUndoFixedSize + uint64_t{kDcmTileEntrySize} * index.Entries().size() +
           blocks.size() * uint64_t{kUndoBlockRecordSize} +
           writes * UndoSumRecordSize(UnitsOfVersion(kUndoVersion));
}

std::string UndoFileName(const std::string& mapPath, const std::tm& local, int attempt) {
    char stamp[40];
    std::snprintf(stamp, sizeof stamp, ".%04d%02d%02d-%02d%02d%02d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    std::string name = mapPath + stamp;
    if (attempt > 1) name += "-" + std::to_string(attempt);
    return name + ".undo";
}

std::string MapOfUndoFile(const std::string& undoPath) {
    const auto digits = [&](size_t from, size_t count) {
        if (from + count > undoPath.size()) return false;
        for (size_t i = from; i < from + count; ++i)
            if (undoPath[i] < '0' || undoPath[i] > '9') return false;
        return true;
    };
    constexpr size_t kStamp = 16;  // ".YYYYMMDD-HHMMSS"
    if (undoPath.size() < kStamp + 5 + 1) return "";
    size_t end = undoPath.size() - 5;
    if (CompareIgnoringAsciiCase(std::string_view(undoPath).substr(end), ".undo") != 0) return "";
    // An attempt's number, "-N", before the extension.
    size_t dash = end;
    while (dash > 0 && undoPath[dash - 1] >= '0' && undoPath[dash - 1] <= '9') --dash;
    if (dash < end && dash > kStamp && undoPath[dash - 1] == '-' && undoPath[dash - 8] == '-')
        end = dash - 1;
    if (end < kStamp + 1) return "";
    const size_t stamp = end - kStamp;
    if (undoPath[stamp] != '.' || !digits(stamp + 1, 8) || undoPath[stamp + 9] != '-' ||
        !digits(stamp + 10, 6))
        return "";
    return undoPath.substr(0, stamp);
}
