#pragma once

#include <cstdint>
#include <vector>

// A small real run with an undo file, all in memory: a map of two tiles,
// meshes over them applied through a cache of one tile, so that a block is
// written more than once. Its blocks lie off the disk's sectors. With
// overlap, the second tile's block starts half way into the first's.
struct UndoRun {
    int64_t firstBlock = 0;          // where the first tile's block starts
    std::vector<uint8_t> original;   // the map before the run
    std::vector<uint8_t> corrected;  // the map after it
    std::vector<uint8_t> undo;       // the undo file it wrote
};

UndoRun MakeUndoRun(bool overlap);
