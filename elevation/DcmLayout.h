#pragma once

#include <cstdint>
#include <optional>

// The parts of a compressed map file that correction reads or writes. All
// integers in the file are little-endian and records are packed; they are
// decoded field by field, never by laying a struct over the bytes.

constexpr uint32_t kDcmHeaderSize = 214;
constexpr uint32_t kDcmTileEntrySize = 16;
constexpr int32_t kLonCellsPerDegree = 1600;
constexpr int32_t kLatCellsPerDegree = 2400;
constexpr int kTileSide = 320;                                  // cells per tile row and column
constexpr uint32_t kTileBlockSize = kTileSide * kTileSide * 2;  // 204,800 bytes

struct DCMHEADER {
    uint8_t reserved0[4];
    uint16_t wKind;           // must be 0
    int32_t nTileCount;       // entries in the tile index
    int32_t lIndexOffset;     // file position of the tile index
    int32_t lOriginLat;       // latitude of cell row 0, seconds of arc
    int32_t lOriginLon;       // longitude of cell column 0, seconds of arc
    int32_t nLonCellsPerDeg;  // must be 1600
    int32_t nLatCellsPerDeg;  // must be 2400
    uint8_t reserved30[184];
};

struct DCMTILEENTRY {
    int32_t lKey;          // tile key, see TileKey
    int32_t lBlockOffset;  // file position of the tile's 204,800-byte block
    uint8_t reserved8[8];
};

DCMHEADER DecodeDcmHeader(const uint8_t (&bytes)[kDcmHeaderSize]);
DCMTILEENTRY DecodeDcmTileEntry(const uint8_t* bytes);

// True when the header describes a map that correction can work on: kind 0,
// 1600 cells per degree of longitude and 2400 per degree of latitude.
bool IsCorrectableHeader(const DCMHEADER& header);

// A tile by its column and row numbers, counted like the cells.
struct TileNumber {
    int64_t tx;
    int64_t ty;
};

// The key of tile (tx, ty): 10^8 (ty div 100) + 10^6 ((tx+1) div 100)
// + 10^4 (ty mod 100) + 10^2 ((tx+1) mod 100). Empty for a tile that has no
// key: a negative tile number, a column number tx + 1 above 9999 (whose
// digits would run into the row's), or a key beyond 32 bits.
std::optional<int32_t> TileKey(int64_t tx, int64_t ty);

// The tile whose key is key, the inverse of TileKey; empty for a value that
// TileKey never gives.
std::optional<TileNumber> TileOfKey(int32_t key);

// Little-endian helpers shared by the map code and its tests.
inline int32_t LoadLE32(const uint8_t* p) {
    return static_cast<int32_t>(uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 |
                                uint32_t{p[3]} << 24);
}
inline void StoreLE32(uint8_t* p, int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    p[0] = static_cast<uint8_t>(u);
    p[1] = static_cast<uint8_t>(u >> 8);
    p[2] = static_cast<uint8_t>(u >> 16);
    p[3] = static_cast<uint8_t>(u >> 24);
}
