#include "samples/SampleMap.h"

#include <algorithm>

#include "elevation/DcmLayout.h"

namespace {

void StoreLE16(uint8_t* p, int16_t v) {
    p[0] = static_cast<uint8_t>(static_cast<uint16_t>(v));
    p[1] = static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8);
}

}  // namespace

uint32_t SampleIndexOffset() { return kDcmHeaderSize; }

uint32_t SampleBlockOffset(size_t tile, size_t tileCount) {
    const uint64_t indexEnd = SampleIndexOffset() + uint64_t{tileCount} * kDcmTileEntrySize;
    const uint64_t first = indexEnd <= 64 * 1024 ? 64 * 1024 : (indexEnd + 4095) / 4096 * 4096;
    return static_cast<uint32_t>(first + uint64_t{tile} * kTileBlockSize);
}

uint32_t SampleBlockOffset(size_t tile) { return SampleBlockOffset(tile, 0); }

std::vector<uint8_t> BuildSampleMap(const SampleMapLayout& layout, const TileFill& fill) {
    const size_t n = layout.tiles.size();
    std::vector<uint8_t> map(SampleBlockOffset(n, n));
    for (size_t i = 0; i < map.size(); ++i) map[i] = static_cast<uint8_t>(0xA5 ^ (i * 7));

    uint8_t* h = map.data();
    h[4] = static_cast<uint8_t>(layout.kind);
    h[5] = static_cast<uint8_t>(layout.kind >> 8);
    StoreLE32(h + 6, static_cast<int32_t>(n));
    StoreLE32(h + 10, static_cast<int32_t>(SampleIndexOffset()));
    StoreLE32(h + 14, layout.originLat);
    StoreLE32(h + 18, layout.originLon);
    StoreLE32(h + 22, layout.lonCellsPerDeg);
    StoreLE32(h + 26, layout.latCellsPerDeg);

    for (size_t t = 0; t < n; ++t) {
        uint8_t* entry = h + SampleIndexOffset() + t * kDcmTileEntrySize;
        const auto key = TileKey(layout.tiles[t].tx, layout.tiles[t].ty);
        StoreLE32(entry, key ? *key : -1);
        StoreLE32(entry + 4, static_cast<int32_t>(SampleBlockOffset(t, n)));
        uint8_t* block = h + SampleBlockOffset(t, n);
        for (int cell = 0; cell < kTileSide * kTileSide; ++cell)
            StoreLE16(block + 2 * cell, fill(t, cell));
    }
    return map;
}

int16_t TileCellAt(const std::vector<uint8_t>& map, uint32_t blockOffset, int row, int col) {
    const size_t at = blockOffset + 2 * static_cast<size_t>(row * kTileSide + col);
    return static_cast<int16_t>(map[at] | map[at + 1] << 8);
}

void ShiftSampleBlocks(std::vector<uint8_t>& map, uint32_t by) {
    const int32_t tiles = LoadLE32(map.data() + 6);
    uint8_t* index = map.data() + LoadLE32(map.data() + 10);
    int32_t first = static_cast<int32_t>(map.size());
    for (int32_t t = 0; t < tiles; ++t) {
        uint8_t* entry = index + t * kDcmTileEntrySize + 4;
        first = std::min(first, LoadLE32(entry));
        StoreLE32(entry, LoadLE32(entry) + static_cast<int32_t>(by));
    }
    map.insert(map.begin() + first, by, uint8_t{0x5A});
}
