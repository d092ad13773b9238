#include "elevation/DcmLayout.h"

#include <cstring>

DCMHEADER DecodeDcmHeader(const uint8_t (&bytes)[kDcmHeaderSize]) {
    DCMHEADER h;
    std::memcpy(h.reserved0, bytes, sizeof h.reserved0);
    h.wKind = static_cast<uint16_t>(bytes[4] | bytes[5] << 8);
    h.nTileCount = LoadLE32(bytes + 6);
    h.lIndexOffset = LoadLE32(bytes + 10);
    h.lOriginLat = LoadLE32(bytes + 14);
    h.lOriginLon = LoadLE32(bytes + 18);
    h.nLonCellsPerDeg = LoadLE32(bytes + 22);
    h.nLatCellsPerDeg = LoadLE32(bytes + 26);
    std::memcpy(h.reserved30, bytes + 30, sizeof h.reserved30);
    return h;
}

DCMTILEENTRY DecodeDcmTileEntry(const uint8_t* bytes) {
    DCMTILEENTRY e;
    e.lKey = LoadLE32(bytes);
    e.lBlockOffset = LoadLE32(bytes + 4);
    std::memcpy(e.reserved8, bytes + 8, sizeof e.reserved8);
    return e;
}

bool IsCorrectableHeader(const DCMHEADER& header) {
    return header.wKind == 0 && header.nLonCellsPerDeg == kLonCellsPerDegree &&
           header.nLatCellsPerDeg == kLatCellsPerDegree;
}

std::optional<int32_t> TileKey(int64_t tx, int64_t ty) {
    const int64_t column = tx + 1;
    if (tx < 0 || ty < 0 || column > 9999 || ty > INT32_MAX) return std::nullopt;
    const int64_t key = 100000000 * (ty / 100) + 1000000 * (column / 100) + 10000 * (ty % 100) +
                        100 * (column % 100);
    if (key > INT32_MAX) return std::nullopt;
    return static_cast<int32_t>(key);
}

std::optional<TileNumber> TileOfKey(int32_t key) {
    if (key <= 0 || key % 100 != 0) return std::nullopt;
    const int64_t ty = int64_t{key / 100000000} * 100 + key / 10000 % 100;
    const int64_t column = int64_t{key / 1000000 % 100} * 100 + key / 100 % 100;
    if (column < 1) return std::nullopt;
    return TileNumber{column - 1, ty};
}
