#pragma once

#include <cstdint>
#include <optional>

// A second-level mesh square, the unit the map is corrected by: 5' of
// latitude by 7.5' of longitude, named by six digits pqrrab with its south
// edge at pq * 40' + a * 5' and its west edge at (100 + rr) degrees + b * 7.5'.
// Coordinates here are whole milliarcseconds (mas).
constexpr int64_t kSquareHeightMas = 300000;
constexpr int64_t kSquareWidthMas = 450000;
// The map's cells: 200 x 200 to a square, 1.5" by 2.25".
constexpr int64_t kCellHeightMas = kSquareHeightMas / 200;
constexpr int64_t kCellWidthMas = kSquareWidthMas / 200;

struct SquareCorner {
    int64_t southMas = 0;
    int64_t westMas = 0;
};

// The south-west corner of the square of a second-level code; empty when
// code is not one (outside 0-999999, or a fifth or sixth digit above 7).
std::optional<SquareCorner> SquareCornerOf(int32_t code);

// The code of the square that is latIndex squares north of the equator and
// lonIndex squares east of 100 degrees east; empty when no six-digit code
// names it.
std::optional<int32_t> SquareCodeAt(int64_t latIndex, int64_t lonIndex);
