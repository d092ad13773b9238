#pragma once

#include <cstdint>

constexpr int kMeshSide = 200;  // rows and columns of one mesh square
constexpr int kMeshCells = kMeshSide * kMeshSide;
constexpr int16_t kNoElevation = -9999;  // a cell that no record filled
// A cell whose map value stays as it is: a source that does not cover it
// never erases what the map holds.
constexpr int16_t kKeepCell = INT16_MIN;
// The heights, in whole metres, that a map cell holds as data and a mesh
// file carries: below the lowest a cell holds no data, above the highest no
// field of five characters carries it.
constexpr int16_t kLowestHeight = -99;
constexpr int16_t kHighestHeight = 9999;

// The elevations of one mesh square in whole metres, row 0 southernmost,
// column 0 westernmost, row-major.
struct MeshGrid {
    int16_t cells[kMeshCells];

    int16_t& At(int row, int col) { return cells[row * kMeshSide + col]; }
    int16_t At(int row, int col) const { return cells[row * kMeshSide + col]; }
};
