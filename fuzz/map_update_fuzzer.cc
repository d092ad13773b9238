// Fuzzes a map's header and index and the update of one mesh on arbitrary
// map and mesh bytes. Input: one byte of padding size (64 KB units, low four
// bits) and vector path (high four bits), two bytes of map prefix length, the
// map prefix, then the mesh file. The map is the prefix followed by
// patterned padding, so that tile blocks can exist.
//
// Checked: nothing is written unless the index loaded; the file keeps its
// size; every byte that changed lies in the block of one of the mesh's tiles
// (the first index entry of its key, wholly inside the file), at a cell the
// mesh covers, and holds that cell's encoded elevation.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "elevation/MeshPatch.h"
#include "elevation/MeshReader.h"
#include "elevation/TextModeLines.h"
#include "elevation/TileIndex.h"
#include "elevation/VectorPath.h"
#include "framework/Exception.h"
#include "framework/MemoryFile.h"

namespace {

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// The key of a tile by its definition, or -1 when it has none.
int64_t KeyOf(int64_t tx, int64_t ty) {
    if (tx < 0 || ty < 0 || tx + 1 > 9999) return -1;
    const int64_t key = 100000000 * (ty / 100) + 1000000 * ((tx + 1) / 100) + 10000 * (ty % 100) +
                        100 * ((tx + 1) % 100);
    return key > INT32_MAX ? -1 : key;
}

// A tile the mesh can write: its number and the block of the first index
// entry with its key, when that block lies wholly inside the file.
struct Candidate {
    int64_t tx, ty;
    uint64_t block;
};

std::vector<Candidate> Candidates(const std::vector<DCMTILEENTRY>& entries,
                                  const MeshCorner& corner, uint64_t fileSize) {
    std::vector<Candidate> out;
    const int64_t tx0 = FloorDiv(corner.x, kTileSide), ty0 = FloorDiv(corner.y, kTileSide);
    for (int dy = 0; dy < 2; ++dy) {
        for (int dx = 0; dx < 2; ++dx) {
            const int64_t key = KeyOf(tx0 + dx, ty0 + dy);
            if (key < 0) continue;
            for (const auto& e : entries) {
                if (e.lKey != key) continue;
                if (e.lBlockOffset >= 0 &&
                    static_cast<uint64_t>(e.lBlockOffset) + kTileBlockSize <= fileSize)
                    out.push_back({tx0 + dx, ty0 + dy, static_cast<uint64_t>(e.lBlockOffset)});
                break;
            }
        }
    }
    return out;
}

bool Explained(size_t pos, const std::vector<uint8_t>& now,
               const std::vector<Candidate>& candidates, const MeshCorner& corner,
               const MeshGrid& grid) {
    for (const Candidate& c : candidates) {
        if (pos < c.block || pos >= c.block + kTileBlockSize) continue;
        const uint64_t cell = (pos - c.block) / 2;
        const int64_t x = c.tx * kTileSide + static_cast<int64_t>(cell % kTileSide) - corner.x;
        const int64_t y = c.ty * kTileSide + static_cast<int64_t>(cell / kTileSide) - corner.y;
        if (x < 0 || x >= kMeshSide || y < 0 || y >= kMeshSide) continue;
        const uint8_t* at = now.data() + c.block + 2 * cell;
        const auto value = static_cast<int16_t>(at[0] | at[1] << 8);
        if (value == EncodeTileCell(grid.At(static_cast<int>(y), static_cast<int>(x)))) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const size_t padding = static_cast<size_t>(data[0] & 15) * 65536;
    // The upper bits of the first byte pick the vector path of the patch and
    // of the reader, so that every path the processor can run is fuzzed.
    static const std::vector<VectorPath> kPaths = SupportedVectorPaths();
    UseVectorPath(kPaths[(data[0] >> 4) % kPaths.size()]);
    const size_t prefix = std::min<size_t>(data[1] | data[2] << 8, size - 3);
    static const std::vector<uint8_t> kPattern = [] {
        std::vector<uint8_t> pattern(16 * 65536);
        for (size_t i = 0; i < pattern.size(); ++i)
            pattern[i] = static_cast<uint8_t>(i * 131 % 251);
        return pattern;
    }();
    std::vector<uint8_t> map(data + 3, data + 3 + prefix);
    map.insert(map.end(), kPattern.begin(),
               kPattern.begin() + static_cast<std::ptrdiff_t>(padding));
    const std::vector<uint8_t> before = map;

    CMemoryFile file(std::move(map));
    DCMHEADER header;
    CTileIndex index;
    const IndexLoad load = LoadTileIndex(file, header, index);
    if (load != IndexLoad::kLoaded) {
        if (file.Bytes() != before) std::abort();
        return 0;
    }
    if (!IsCorrectableHeader(header) ||
        index.Entries().size() != static_cast<size_t>(header.nTileCount))
        std::abort();

    CMemoryFile meshFile(std::vector<uint8_t>(data + 3 + prefix, data + size));
    auto grid = std::make_unique<MeshGrid>();
    auto tile = std::make_unique<uint8_t[]>(kTileBlockSize);
    const int32_t code =
        ReadMeshText(meshFile, *grid, reinterpret_cast<char*>(tile.get()), kTileBlockSize);
    if (code < 0) return 0;
    PatchGridIntoMap(file, header, index, code, *grid, tile.get());

    const std::vector<uint8_t>& now = file.Bytes();
    if (now.size() != before.size()) std::abort();
    const auto corner = PlaceMesh(code, header);
    const auto candidates =
        corner ? Candidates(index.Entries(), *corner, now.size()) : std::vector<Candidate>();
    constexpr size_t kChunk = 4096;
    for (size_t start = 0; start < now.size(); start += kChunk) {
        const size_t end = std::min(now.size(), start + kChunk);
        if (std::memcmp(now.data() + start, before.data() + start, end - start) == 0) continue;
        for (size_t pos = start; pos < end; ++pos) {
            if (now[pos] == before[pos]) continue;
            if (!corner || !Explained(pos, now, candidates, *corner, *grid)) std::abort();
        }
    }
    return 0;
}
