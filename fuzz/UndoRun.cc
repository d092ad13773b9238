#include "fuzz/UndoRun.h"

#include <cstdlib>
#include <memory>

#include "correction/TileWriter.h"
#include "elevation/MeshGrid.h"
#include "elevation/TileIndex.h"
#include "framework/MemoryFile.h"
#include "samples/SampleMap.h"
#include "undo/UndoFile.h"

UndoRun MakeUndoRun(bool overlap) {
    SampleMapLayout layout;
    layout.tiles = {{0, 0}, {1, 0}};
    UndoRun run;
    run.original = BuildSampleMap(
        layout, [](size_t t, int cell) { return static_cast<int16_t>((t * 13 + cell) % 500); });
    constexpr uint32_t kShift = 300;
    ShiftSampleBlocks(run.original, kShift);
    run.firstBlock = SampleBlockOffset(0) + kShift;
    if (overlap)
        StoreLE32(run.original.data() + SampleIndexOffset() + kDcmTileEntrySize + 4,
                  static_cast<int32_t>(run.firstBlock + kTileBlockSize / 2));
    CMemoryFile map(run.original, "map.dcm"), undo({}, "run.undo");
    DCMHEADER header;
    CTileIndex index;
    if (LoadTileIndex(map, header, index) != IndexLoad::kLoaded) std::abort();
    CUndoJournal journal(undo);
    journal.Begin(map, header);
    {
        CTileWriter writer(map, header, index, CTileWriter::Mode::kWrite, 1, &journal);
        auto grid = std::make_unique<MeshGrid>();
        // Squares over both tiles, then the first again: tile (0, 0)
        // leaves the cache and comes back.
        for (int32_t code : {523940, 523941, 523942, 523940}) {
            for (int i = 0; i < kMeshCells; ++i)
                grid->cells[i] = static_cast<int16_t>((i * 7 + code) % 3000);
            writer.Apply(code, *grid);
        }
        writer.Flush();
    }
    run.corrected = map.Bytes();
    run.undo = undo.Bytes();
    return run;
}
