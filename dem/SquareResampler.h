#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "dem/DatumShift.h"
#include "dem/DemGrid.h"
#include "elevation/MeshGrid.h"

// Resampling the national DEM onto the map's mesh squares.
//
// A square's cell (r, c) spans, in the DEM's frame, latitudes
// S + shift + 1.5" * [r, r + 1] and longitudes W + shift + 2.25" * [c, c + 1]
// ((S, W) its south-west corner in the map's datum, the shift SquareShift's).
// A DEM cell spans its whole cell: row i of n over the extent [south, north]
// covers north - (north - south) * [i + 1, i] / n, columns likewise.
//
// Its new value is the mean of the DEM cells with data that overlap it,
// weighted by the overlapping area, rounded once to whole metres, half away
// from zero. Of the products that feed the cell, the finest (DemProduct's
// order) whose cells with data cover at least half of it gives the value;
// where none does, the cell keeps the map's value (kKeepCell).
//
// All of it is done in integers, so every build gives the same bytes: each
// product's sums count area in units of 1 / (dLat * dLon) mas^2, where dLat
// and dLon are the denominators of the DEM grid's cell edges in mas (1 for
// the real products, whose cells are 200 or 400 mas).

// The largest DEM value taken, in centimetres: whatever lies within it
// averages to a whole metre that int16 holds and that is not kKeepCell.
constexpr int32_t kMaxDemCentimetres = 3276700;

// What Finish gives for a cell that keeps the map's value.
constexpr int32_t kNoSource = -1;

// What one DEM grid adds to one square's sums: for each map cell it
// overlaps (a rectangle of rows and columns), the weight of its cells with
// data there and their weighted sum. Worked out apart from the sums (by
// MeasureShare), so that grids can be measured on several threads and added
// to the sums in a fixed order.
struct GridShare {
    DemProduct product = DemProduct::k10B;
    int64_t latDenominator = 1;  // of the grid's cell edges in mas
    int64_t lonDenominator = 1;
    int32_t firstRow = 0;  // the map cells overlapped; none when lastRow < firstRow
    int32_t lastRow = -1;
    int32_t firstColumn = 0;
    int32_t lastColumn = -1;
    std::vector<int64_t> weight;    // row-major over the rectangle: Σw
    std::vector<int64_t> weighted;  // Σw·v, v in cm
};

// The share of grid in the square squareCode (its cells in the DEM's frame
// as CSquareSums places them, with shift). An empty share when the grid does
// not overlap. Throws std::invalid_argument when squareCode is not a
// second-level code, and CException, as CSquareSums::Add does, when the grid
// is malformed or a value that overlaps the square lies beyond
// kMaxDemCentimetres.
GridShare MeasureShare(const DemGrid& grid, int32_t squareCode, DatumShift shift);

// The sums of one square, for all products, fed file by file.
//
// Memory: about 1.1 MB for each product that has fed the square (three 8-byte
// figures and a 4-byte source per cell), none for the others.
class CSquareSums {
  public:
    // A square of the map and the shift from the map's datum into the DEM's
    // (SquareShift). Throws std::invalid_argument when squareCode is not a
    // second-level code.
    CSquareSums(int32_t squareCode, DatumShift shift);
    ~CSquareSums();
    CSquareSums(CSquareSums&&) noexcept;
    CSquareSums& operator=(CSquareSums&&) noexcept;

    int32_t Code() const { return m_code; }
    DatumShift Shift() const { return m_shift; }

    // Adds the cells of grid that overlap the square to its product's sums;
    // a grid that does not overlap changes nothing. source is the caller's
    // number for the grid's file (0 or more): Finish tells it back for the
    // cells this file decides.
    //
    // Throws CException and changes nothing when the grid is malformed
    // (cell counts not matching the values, an empty or reversed extent, an
    // unknown product), when a value that overlaps the square lies beyond
    // kMaxDemCentimetres, or when the sums could no longer be exact in
    // int64: cell edges in another unit than the product's earlier grids in
    // this square, or the cell area in the product's unit (dLat * dLon *
    // 3,375,000) times the number of its grids exceeding about 2.8e12 (with
    // whole-mas cells, some 830,000 grids of one product).
    void Add(const DemGrid& grid, int32_t source);
    // Adds a share measured for this square, as Add(grid, source) adds its
    // grid: the same sums, the same failures (those of the share's grid
    // were thrown by MeasureShare).
    void Add(const GridShare& share, int32_t source);

    // Writes each cell's new value, or kKeepCell, into out and returns the
    // number of cells given a value. With sources, also gives for each cell
    // (row-major as out) the source of the winning product that covered the
    // largest part of it (the first added among equals), or kNoSource.
    // With means, also gives each written cell's mean unrounded, in metres
    // (NaN for a cell that keeps the map's value). A cell whose rounded mean
    // lies outside kLowestHeight to kHighestHeight keeps the map's value too
    // (a DEM never makes land into no data, nor a height no mesh file
    // carries); with outOfRange, their number is added there.
    int Finish(MeshGrid& out, std::vector<int32_t>* sources = nullptr,
               std::vector<double>* means = nullptr, int64_t* outOfRange = nullptr) const;

  private:
    struct SProductSums;

    int32_t m_code;
    int64_t m_southMas;  // the square's south-west corner in the DEM's frame
    int64_t m_westMas;
    DatumShift m_shift;
    std::array<std::unique_ptr<SProductSums>, 6> m_products;
};

// The second-level squares of a map in datum whose cells, shifted into the
// DEM's frame, overlap the extent of header with a positive area (one for a
// 10 m file of a JGD map, up to four under the Tokyo shift), south-west
// first, row by row. Empty for an extent outside every code.
std::vector<int32_t> SquaresUnderDem(const DemHeader& header, MapDatum datum);
