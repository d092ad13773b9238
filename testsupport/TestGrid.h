#pragma once

// DEM grids for the tests.
#include <cstdint>
#include <functional>

#include "dem/DemGrid.h"

// A grid over [south, north] x [west, east] (mas); value(row, column) gives
// each cell, row 0 northernmost.
inline DemGrid MakeGrid(DemProduct product, int64_t south, int64_t west, int64_t north,
                        int64_t east, int32_t rows, int32_t columns,
                        const std::function<int32_t(int32_t, int32_t)>& value) {
    DemGrid grid;
    grid.header.product = product;
    grid.header.southMas = south;
    grid.header.westMas = west;
    grid.header.northMas = north;
    grid.header.eastMas = east;
    grid.header.rows = rows;
    grid.header.columns = columns;
    grid.centimetres.reserve(static_cast<size_t>(rows) * columns);
    for (int32_t i = 0; i < rows; ++i)
        for (int32_t j = 0; j < columns; ++j) grid.centimetres.push_back(value(i, j));
    return grid;
}
