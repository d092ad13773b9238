#include "dem/MeshSquare.h"

std::optional<SquareCorner> SquareCornerOf(int32_t code) {
    if (code < 0 || code > 999999) return std::nullopt;
    const int32_t latDigit = code / 10 % 10;
    const int32_t lonDigit = code % 10;
    if (latDigit > 7 || lonDigit > 7) return std::nullopt;
    const int64_t latIndex = code / 10000 * 8 + latDigit;
    const int64_t lonIndex = code / 100 % 100 * 8 + lonDigit;
    return SquareCorner{latIndex * kSquareHeightMas, (100 * 8 + lonIndex) * kSquareWidthMas};
}

std::optional<int32_t> SquareCodeAt(int64_t latIndex, int64_t lonIndex) {
    if (latIndex < 0 || latIndex >= 100 * 8 || lonIndex < 0 || lonIndex >= 100 * 8)
        return std::nullopt;
    return static_cast<int32_t>(latIndex / 8 * 10000 + lonIndex / 8 * 100 + latIndex % 8 * 10 +
                                lonIndex % 8);
}
