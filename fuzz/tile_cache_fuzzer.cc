// Fuzzes the tile writer's cache against the plain path: several meshes
// applied through a small write-back cache must leave exactly the bytes
// that reading, patching and writing each mesh's tiles in turn leaves, also
// when the run stops part way (an abort or an unusable file), when a block
// cannot be read (the mesh that met it is then left out whole), and when
// the index lists blocks that overlap. A dry run
// over the same map must count the same changes and write nothing.
//
// Input: the cache size, flags (overlapping blocks, a bad block), where the
// run stops, which block is bad, the number of tiles and their places, then
// three bytes a mesh: its square, and two bytes that shape its values.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "correction/TileWriter.h"
#include "elevation/MeshPatch.h"
#include "elevation/TileIndex.h"
#include "framework/Exception.h"
#include "framework/MemoryFile.h"
#include "samples/SampleMap.h"
#include "testsupport/FaultyFile.h"

namespace {

struct Mesh {
    int32_t code;
    std::unique_ptr<MeshGrid> grid;
};

struct Run {
    std::vector<uint8_t> bytes;
    std::vector<int64_t> changed;
    size_t applied = 0;
};

// Applies meshes[0, stop) to a copy of map, through the cache (capacity > 0)
// or the plain path (capacity 0), until a read of block `bad` fails.
Run Apply(const std::vector<uint8_t>& map, const std::vector<Mesh>& meshes, size_t stop,
          int64_t bad, size_t capacity, CTileWriter::Mode mode = CTileWriter::Mode::kWrite) {
    CMemoryFile memory(map);
    CBadBlockFile file(memory, bad);
    DCMHEADER header;
    CTileIndex index;
    if (LoadTileIndex(file, header, index) != IndexLoad::kLoaded) std::abort();
    Run run;
    auto tile = std::make_unique<uint8_t[]>(kTileBlockSize);
    CTileWriter writer(file, header, index, mode, capacity == 0 ? 1 : capacity);
    try {
        for (size_t i = 0; i < stop; ++i) {
            if (capacity == 0)
                PatchGridIntoMap(file, header, index, meshes[i].code, *meshes[i].grid, tile.get());
            else
                run.changed.push_back(writer.Apply(meshes[i].code, *meshes[i].grid).changed);
            ++run.applied;
        }
        writer.Flush();
    } catch (const CFileException&) {
        // The run ends here, without the mesh that failed; what the cache
        // holds still goes to disk.
        writer.FlushAfterFailure();
    }
    run.bytes = memory.Bytes();
    return run;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5) return 0;
    const size_t capacity = 1 + data[0] % 8;
    const bool overlap = data[1] & 1, badBlock = data[1] & 2;
    const size_t tiles = 1 + data[4] % 10;
    if (size < 5 + tiles) return 0;

    SampleMapLayout layout;
    for (size_t i = 0; i < tiles; ++i)
        layout.tiles.push_back({data[5 + i] % 6, data[5 + i] / 6 % 4});
    std::vector<uint8_t> map = BuildSampleMap(layout, [](size_t t, int cell) {
        return static_cast<int16_t>((t * 7 + cell * 3) % 40 - 3);
    });
    if (overlap && tiles > 1) {
        // The second entry's block starts half way into the first's.
        StoreLE32(map.data() + SampleIndexOffset() + kDcmTileEntrySize + 4,
                  static_cast<int32_t>(SampleBlockOffset(0) + kTileBlockSize / 2));
    }
    const int64_t bad = badBlock ? SampleBlockOffset(data[3] % tiles) : -1;

    std::vector<Mesh> meshes;
    for (size_t at = 5 + tiles; at + 3 <= size && meshes.size() < 24; at += 3) {
        const int q = 4 + data[at] % 5, v = data[at] / 5 % 8;
        const int32_t code = q < 8 ? 523900 + q * 10 + v : 533900 + v;
        auto grid = std::make_unique<MeshGrid>();
        for (int c = 0; c < kMeshCells; ++c)
            grid->cells[c] = static_cast<int16_t>(
                data[at + 1] % 4 == 0 ? -9999 : (c / (1 + data[at + 2] % 50)) % 40 - 3);
        meshes.push_back({code, std::move(grid)});
    }
    const size_t stop =
        data[2] == 0 ? meshes.size() : std::min<size_t>(data[2] % 25, meshes.size());

    // The plain path over exactly the meshes the cached run applied whole.
    const Run cached = Apply(map, meshes, stop, bad, capacity);
    const Run plain = Apply(map, meshes, cached.applied, -1, 0);
    if (plain.bytes != cached.bytes) std::abort();
    const Run dry = Apply(map, meshes, stop, bad, capacity, CTileWriter::Mode::kDryRun);
    if (dry.bytes != map || dry.changed != cached.changed) std::abort();
    return 0;
}
