#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The national DEM's products, finest first: where several cover a map
// cell, the first of them that covers at least half of it gives its value.
enum class DemProduct : uint8_t { k1m, k5A, k5B, k5C, k10A, k10B };

// A DEM cell without data.
constexpr int32_t kDemNoData = INT32_MIN;

// What a DEM file's header says, checked: the extent comes from the mesh
// code (the envelope agreed with it), in milliarcseconds of the DEM's frame
// (JGD2000, JGD2011 and JGD2024 are taken as one).
struct DemHeader {
    int64_t meshCode = 0;  // 6 digits (second-level) or 8 (third-level)
    DemProduct product = DemProduct::k10B;
    int64_t southMas = 0, westMas = 0, northMas = 0, eastMas = 0;
    int32_t columns = 0, rows = 0;          // the grid, west to east and north to south
    int32_t startColumn = 0, startRow = 0;  // the first cell with a tuple (see ReadDemHead)
};

// A DEM file's values in centimetres, row 0 northernmost, column 0
// westernmost, row-major; kDemNoData where the file has none.
struct DemGrid {
    DemHeader header;
    std::vector<int32_t> centimetres;
    std::string unknownKind;  // the first tuple kind the survey's files never use, if any
};
