#pragma once

#include <cstdint>
#include <functional>
#include <vector>

// Builds compressed map files for tests, benchmarks and the sample data:
// header, tile index right after it, then one block per tile in index order.
// Uninterpreted bytes of the header and the index entries hold a pattern, so
// that a test can tell whether anything touched them.
struct SampleMapLayout {
    int32_t originLat = 126000;  // 35 degrees
    int32_t originLon = 500400;  // 139 degrees
    uint16_t kind = 0;
    int32_t lonCellsPerDeg = 1600;
    int32_t latCellsPerDeg = 2400;
    struct Tile {
        int tx;
        int ty;
    };
    std::vector<Tile> tiles;  // in index order
};

// The value of cell `cell` (0 to 102,399, row-major from the south-west) of
// the tile at position `tile` of the layout's list.
using TileFill = std::function<int16_t(size_t tile, int cell)>;

std::vector<uint8_t> BuildSampleMap(const SampleMapLayout& layout, const TileFill& fill);

// File offsets of a map that BuildSampleMap made. Blocks start at 64 KB, or
// on the first 4 KB boundary past the index of a map of more tiles than fit
// below it; the one-argument form is for maps of up to 4,082 tiles.
uint32_t SampleIndexOffset();
uint32_t SampleBlockOffset(size_t tile, size_t tileCount);
uint32_t SampleBlockOffset(size_t tile);

// Moves every tile block of a map that BuildSampleMap made `by` bytes further
// into the file, its index entries following, so that the blocks lie off
// the disk's sectors, as they may in maps other programs write.
void ShiftSampleBlocks(std::vector<uint8_t>& map, uint32_t by);

// Cell value of a map's tile block, little-endian at byte 2 x cell.
int16_t TileCellAt(const std::vector<uint8_t>& map, uint32_t blockOffset, int row, int col);
