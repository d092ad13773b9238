#include "correction/MeshSurvey.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <set>
#include <string_view>
#include <utility>

#include "correction/MeshFileSource.h"
#include "elevation/MeshReader.h"
#include "elevation/TextModeLines.h"
#include "framework/Exception.h"
#include "framework/File.h"

namespace {

// The mesh code of a file as ReadMemFile finds it, without the records.
std::optional<int32_t> MeshCodeOf(const std::string& path, char* buffer) {
    try {
        auto file = OpenFile(path, FileAccess::kReadShared);
        CTextModeLines lines(*file, buffer, CTextModeLines::kMinBuffer);
        std::string_view line;
        if (!lines.Next(line)) return std::nullopt;
        return MeshFieldValue(line.data(), std::min<size_t>(line.size(), 6));
    } catch (const CFileException&) {
        return std::nullopt;
    }
}

}  // namespace

std::vector<int32_t> SurveyMeshCodes(IMeshFileSource& meshes) {
    std::vector<int32_t> codes;
    auto buffer = std::make_unique<char[]>(CTextModeLines::kMinBuffer);
    for (bool more = meshes.First(); more; more = meshes.Next()) {
        const auto code = MeshCodeOf(meshes.EntryPath(), buffer.get());
        if (code && *code >= 0) codes.push_back(*code);
    }
    meshes.Close();
    return codes;
}

std::function<bool(MeshCorner)> SquaresWrittenAgain(const std::vector<int32_t>& codes,
                                                    const DCMHEADER& header) {
    // Two squares share a cell when their corners are less than 200 cells
    // apart both ways: then they fall into the same or neighbouring cells of
    // a 200-cell lattice, the only ones looked at.
    auto lattice = [](int64_t v) { return v >= 0 ? v / kMeshSide : (v + 1) / kMeshSide - 1; };
    std::vector<std::pair<int64_t, int64_t>> corners;
    std::map<std::pair<int64_t, int64_t>, std::vector<size_t>> byLattice;
    for (const int32_t code : codes) {
        const auto corner = PlaceMesh(code, header);
        if (!corner) continue;
        byLattice[{lattice(corner->x), lattice(corner->y)}].push_back(corners.size());
        corners.push_back({corner->x, corner->y});
    }
    std::set<std::pair<int64_t, int64_t>> again;
    for (size_t i = 0; i < corners.size(); ++i) {
        const auto [x, y] = corners[i];
        for (int64_t dx = -1; dx <= 1; ++dx)
            for (int64_t dy = -1; dy <= 1; ++dy) {
                const auto near = byLattice.find({lattice(x) + dx, lattice(y) + dy});
                if (near == byLattice.end()) continue;
                for (const size_t j : near->second)
                    if (j != i && std::abs(corners[j].first - x) < kMeshSide &&
                        std::abs(corners[j].second - y) < kMeshSide)
                        again.insert(corners[i]);
            }
    }
    return [again = std::move(again)](MeshCorner corner) {
        return again.count({corner.x, corner.y}) != 0;
    };
}
