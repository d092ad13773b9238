#include "dem/SquareResampler.h"

#include <algorithm>
#include <limits>
#include <numeric>
#include <stdexcept>
#include <string>

#include "dem/DemTexts.h"
#include "dem/MeshSquare.h"
#include "elevation/VectorPath.h"
#include "framework/Exception.h"

namespace {

// Coordinates of a header beyond this (a full turn) are refused before any
// arithmetic, so that scaled edges stay far inside int64.
constexpr int64_t kMaxCoordinateMas = int64_t{360} * 3600000;
// The most weight one cell's sums may hold: weight * kMaxDemCentimetres must
// fit in int64.
constexpr int64_t kMaxWeight = std::numeric_limits<int64_t>::max() / kMaxDemCentimetres;
constexpr int kProductCount = 6;

// One axis of a DEM grid in exact units: edge k (from the south or west) lies
// at (start + k * step) / denominator mas.
struct Axis {
    int64_t denominator;
    int64_t start;
    int64_t step;
    int32_t count;
};

Axis MakeAxis(int64_t lowMas, int64_t highMas, int32_t count) {
    const int64_t span = highMas - lowMas;
    const int64_t g = std::gcd(span, int64_t{count});
    const int64_t denominator = count / g;
    return {denominator, lowMas * denominator, span / g, count};
}

// Where a map cell and a DEM cell overlap along one axis: their indices and
// the length of the overlap in the axis' unit.
struct Segment {
    int32_t map;
    int32_t dem;  // counted from the south or west
    int64_t length;
};

// The overlaps of the map's 200 cells, starting at mapStart and mapStep long
// each, with the DEM's cells, in order of map cell.
std::vector<Segment> Overlaps(int64_t mapStart, int64_t mapStep, const Axis& dem) {
    std::vector<Segment> segments;
    const int64_t demEnd = dem.start + dem.step * dem.count;
    for (int32_t p = 0; p < kMeshSide; ++p) {
        const int64_t low = mapStart + mapStep * p;
        const int64_t high = low + mapStep;
        if (high <= dem.start) continue;
        if (low >= demEnd) break;
        for (int64_t k = low <= dem.start ? 0 : (low - dem.start) / dem.step; k < dem.count; ++k) {
            const int64_t edge = dem.start + dem.step * k;
            if (edge >= high) break;
            const int64_t length = std::min(high, edge + dem.step) - std::max(low, edge);
            if (length > 0) segments.push_back({p, static_cast<int32_t>(k), length});
        }
    }
    return segments;
}

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

void CheckGrid(const DemGrid& grid) {
    const DemHeader& h = grid.header;
    if (static_cast<int>(h.product) >= kProductCount)
        throw CException(SayDem(DemText::kGridUnknownProduct));
    if (h.rows <= 0 || h.columns <= 0 ||
        int64_t{h.rows} * h.columns != static_cast<int64_t>(grid.centimetres.size()))
        throw CException(SayDem(DemText::kGridCountsDiffer));
    const auto inRange = [](int64_t v) {
        return v >= -kMaxCoordinateMas && v <= kMaxCoordinateMas;
    };
    if (!inRange(h.southMas) || !inRange(h.northMas) || !inRange(h.westMas) ||
        !inRange(h.eastMas) || h.southMas >= h.northMas || h.westMas >= h.eastMas)
        throw CException(SayDem(DemText::kGridExtent));
}

// Σw·v / (100 Σw) rounded half away from zero: the mean in whole metres.
int16_t RoundToMetres(int64_t weighted, int64_t weight) {
    const int64_t divisor = weight * 100;
    int64_t metres = weighted / divisor;
    const int64_t rest = weighted % divisor;
    if (2 * (rest < 0 ? -rest : rest) >= divisor) metres += weighted < 0 ? -1 : 1;
    return static_cast<int16_t>(metres);
}

[[noreturn]] void ThrowBeyondRange() {
    throw CException(SayDem(DemText::kGridValueBeyond, {std::to_string(kMaxDemCentimetres)}));
}

// True when a value of the row other than no data lies beyond
// kMaxDemCentimetres. Without a branch, which the compiler makes vector code
// of: unsigned, a value beyond the range in either direction lies above
// twice the range.
bool BeyondRange(const int32_t* values, size_t count) {
    uint32_t beyond = 0;
    for (size_t j = 0; j < count; ++j)
        beyond |= (values[j] != kDemNoData) &
                  (static_cast<uint32_t>(values[j]) + uint32_t{kMaxDemCentimetres} >
                   2 * uint32_t{kMaxDemCentimetres});
    return beyond != 0;
}

// Adds one DEM row's values, height long, to the column sums: no data
// weighs nothing. Without branches, so that the compiler makes vector code
// of it.
__attribute__((always_inline)) inline void SumRow(const int32_t* values, size_t count,
                                                  int32_t height, int64_t* weight,
                                                  int64_t* weighted) {
    for (size_t j = 0; j < count; ++j) {
        const int32_t w = height & -static_cast<int32_t>(values[j] != kDemNoData);
        weight[j] += w;
        weighted[j] += int64_t{w} * values[j];
    }
}

void SumRowPlain(const int32_t* values, size_t count, int32_t height, int64_t* weight,
                 int64_t* weighted) {
    SumRow(values, count, height, weight, weighted);
}

#if defined(__x86_64__) || defined(__i386__)
// The same loop in registers twice as wide, where the processor has them.
__attribute__((target("avx2"))) void SumRowAvx2(const int32_t* values, size_t count, int32_t height,
                                                int64_t* weight, int64_t* weighted) {
    SumRow(values, count, height, weight, weighted);
}
#else
void SumRowAvx2(const int32_t* values, size_t count, int32_t height, int64_t* weight,
                int64_t* weighted) {
    SumRow(values, count, height, weight, weighted);
}
#endif

// The sums of the share's cells, map row by map row: each DEM column's sums
// over the DEM rows that overlap the map row first, then those spread over
// the map's columns. Σ_k Σ_j len_k len_j v = Σ_j len_j Σ_k len_k v: the same
// integers as cell by cell, in plain loops the compiler turns into vector
// code. Only for grids whose sums cannot leave int64 (see MeasureShare).
void SumByColumns(const DemGrid& grid, const std::vector<Segment>& rows,
                  const std::vector<Segment>& columns, int32_t firstColumn, int32_t lastColumn,
                  GridShare& share) {
    const DemHeader& h = grid.header;
    const int32_t width = share.lastColumn - share.firstColumn + 1;
    const int32_t columnCount = lastColumn - firstColumn + 1;
    const auto demColumns = static_cast<size_t>(columnCount);
    std::vector<int64_t> columnWeight(demColumns), columnWeighted(demColumns);
    const auto SumDemRow = CurrentVectorPath() == VectorPath::kAvx2 ? SumRowAvx2 : SumRowPlain;
    for (size_t begin = 0, end; begin < rows.size(); begin = end) {
        const int32_t mapRow = rows[begin].map;
        std::fill(columnWeight.begin(), columnWeight.end(), 0);
        std::fill(columnWeighted.begin(), columnWeighted.end(), 0);
        for (end = begin; end < rows.size() && rows[end].map == mapRow; ++end) {
            const int32_t* values =
                &grid.centimetres[int64_t{h.rows - 1 - rows[end].dem} * h.columns + firstColumn];
            // Looked at just before it is summed, while it is in the cache.
            if (BeyondRange(values, demColumns)) ThrowBeyondRange();
            SumDemRow(values, demColumns, static_cast<int32_t>(rows[end].length),
                      columnWeight.data(), columnWeighted.data());
        }
        const size_t base =
            static_cast<size_t>(mapRow - share.firstRow) * width - share.firstColumn;
        for (const Segment& column : columns) {
            const size_t j = static_cast<size_t>(column.dem - firstColumn);
            share.weight[base + column.map] += columnWeight[j] * column.length;
            share.weighted[base + column.map] += columnWeighted[j] * column.length;
        }
    }
}

}  // namespace

// One product's sums over the square's cells, row-major as MeshGrid.
struct CSquareSums::SProductSums {
    int64_t latDenominator;
    int64_t lonDenominator;
    int64_t weightBound = 0;  // the most weight any cell can hold so far
    std::vector<int64_t> weight = std::vector<int64_t>(kMeshCells);    // Σw
    std::vector<int64_t> weighted = std::vector<int64_t>(kMeshCells);  // Σw·v, v in cm
    std::vector<int64_t> bestWeight = std::vector<int64_t>(kMeshCells);
    std::vector<int32_t> bestSource = std::vector<int32_t>(kMeshCells, kNoSource);

    SProductSums(int64_t latDen, int64_t lonDen) : latDenominator(latDen), lonDenominator(lonDen) {}
    int64_t CellArea() const {
        return kCellHeightMas * latDenominator * kCellWidthMas * lonDenominator;
    }
};

CSquareSums::CSquareSums(int32_t squareCode, DatumShift shift)
    : m_code(squareCode), m_shift(shift) {
    const auto corner = SquareCornerOf(squareCode);
    if (!corner)
        throw std::invalid_argument("not a second-level mesh code: " + std::to_string(squareCode));
    m_southMas = corner->southMas + shift.latMas;
    m_westMas = corner->westMas + shift.lonMas;
}

CSquareSums::~CSquareSums() = default;
CSquareSums::CSquareSums(CSquareSums&&) noexcept = default;
CSquareSums& CSquareSums::operator=(CSquareSums&&) noexcept = default;

GridShare MeasureShare(const DemGrid& grid, int32_t squareCode, DatumShift shift) {
    const auto corner = SquareCornerOf(squareCode);
    if (!corner)
        throw std::invalid_argument("not a second-level mesh code: " + std::to_string(squareCode));
    CheckGrid(grid);
    const DemHeader& h = grid.header;
    const Axis lat = MakeAxis(h.southMas, h.northMas, h.rows);
    const Axis lon = MakeAxis(h.westMas, h.eastMas, h.columns);
    const std::vector<Segment> rows = Overlaps((corner->southMas + shift.latMas) * lat.denominator,
                                               kCellHeightMas * lat.denominator, lat);
    const std::vector<Segment> columns = Overlaps(
        (corner->westMas + shift.lonMas) * lon.denominator, kCellWidthMas * lon.denominator, lon);
    GridShare share;
    if (rows.empty() || columns.empty()) return share;

    const int32_t firstColumn = columns.front().dem, lastColumn = columns.back().dem;
    share.product = h.product;
    share.latDenominator = lat.denominator;
    share.lonDenominator = lon.denominator;
    share.firstRow = rows.front().map;
    share.lastRow = rows.back().map;
    share.firstColumn = columns.front().map;
    share.lastColumn = columns.back().map;
    const int32_t width = share.lastColumn - share.firstColumn + 1;
    const size_t cells = static_cast<size_t>(share.lastRow - share.firstRow + 1) * width;
    share.weight.assign(cells, 0);
    share.weighted.assign(cells, 0);
    // The DEM cells that overlap one map cell do not overlap each other, so
    // the weights summed for it, and any part of them, add up to at most the
    // map cell's area in the grid's unit. Where that area times the largest
    // value fits in int64, no sum can leave it and the fast way below needs
    // no checks (its heights, at most a cell's, are taken as int32);
    // otherwise every step is checked.
    const int64_t cellHeight = kCellHeightMas * lat.denominator;
    int64_t cellArea = 0;
    if (!__builtin_mul_overflow(cellHeight, kCellWidthMas * lon.denominator, &cellArea) &&
        cellArea <= kMaxWeight && cellHeight <= std::numeric_limits<int32_t>::max()) {
        SumByColumns(grid, rows, columns, firstColumn, lastColumn, share);
        return share;
    }
    // The overlapping DEM rows run from rows.front().dem to rows.back().dem.
    const int32_t columnCount = lastColumn - firstColumn + 1;
    for (int32_t k = rows.front().dem; k <= rows.back().dem; ++k) {
        const int32_t* values = &grid.centimetres[int64_t{h.rows - 1 - k} * h.columns];
        if (BeyondRange(values + firstColumn, static_cast<size_t>(columnCount))) ThrowBeyondRange();
    }
    for (const Segment& row : rows) {
        const int32_t* values = &grid.centimetres[int64_t{h.rows - 1 - row.dem} * h.columns];
        const size_t base =
            static_cast<size_t>(row.map - share.firstRow) * width - share.firstColumn;
        for (const Segment& column : columns) {
            const int32_t v = values[column.dem];
            if (v == kDemNoData) continue;
            // Checked: a grid whose sums would leave int64 is refused, never
            // summed wrong.
            const int64_t w = row.length * column.length;
            int64_t& weight = share.weight[base + column.map];
            int64_t& weighted = share.weighted[base + column.map];
            int64_t product = 0;
            if (__builtin_add_overflow(weight, w, &weight) ||
                __builtin_mul_overflow(w, int64_t{v}, &product) ||
                __builtin_add_overflow(weighted, product, &weighted))
                throw CException(SayDem(DemText::kGridSumsInexact));
        }
    }
    return share;
}

void CSquareSums::Add(const DemGrid& grid, int32_t source) {
    Add(MeasureShare(grid, m_code, m_shift), source);
}

void CSquareSums::Add(const GridShare& share, int32_t source) {
    if (share.lastRow < share.firstRow) return;
    auto& slot = m_products[static_cast<int>(share.product)];
    if (slot && (slot->latDenominator != share.latDenominator ||
                 slot->lonDenominator != share.lonDenominator))
        throw CException(SayDem(DemText::kGridOtherUnit));
    // The cells of one grid do not overlap, so one grid adds at most a cell's
    // area (in its unit) to any cell: the sums stay exact while that bound,
    // over all the product's grids, stays within kMaxWeight.
    const int64_t bound = slot ? slot->weightBound : 0;
    constexpr int64_t kCellArea = kCellHeightMas * kCellWidthMas;
    if (share.lonDenominator > (kMaxWeight - bound) / kCellArea / share.latDenominator)
        throw CException(SayDem(DemText::kGridTooFine));
    if (!slot) slot = std::make_unique<SProductSums>(share.latDenominator, share.lonDenominator);
    SProductSums& sums = *slot;
    sums.weightBound += kCellArea * share.latDenominator * share.lonDenominator;

    const int32_t width = share.lastColumn - share.firstColumn + 1;
    for (int32_t r = share.firstRow; r <= share.lastRow; ++r) {
        const size_t from = static_cast<size_t>(r - share.firstRow) * width;
        for (int32_t c = share.firstColumn; c <= share.lastColumn; ++c) {
            const int64_t weight = share.weight[from + (c - share.firstColumn)];
            if (weight == 0) continue;
            const int i = r * kMeshSide + c;
            sums.weight[i] += weight;
            sums.weighted[i] += share.weighted[from + (c - share.firstColumn)];
            // Of the grids that cover a cell equally, the first added keeps it.
            if (weight > sums.bestWeight[i]) {
                sums.bestWeight[i] = weight;
                sums.bestSource[i] = source;
            }
        }
    }
}

int CSquareSums::Finish(MeshGrid& out, std::vector<int32_t>* sources, std::vector<double>* means,
                        int64_t* outOfRange) const {
    if (sources) sources->assign(kMeshCells, kNoSource);
    if (means) means->assign(kMeshCells, std::numeric_limits<double>::quiet_NaN());
    int written = 0;
    for (int i = 0; i < kMeshCells; ++i) {
        out.cells[i] = kKeepCell;
        for (const auto& sums : m_products) {
            if (!sums || 2 * sums->weight[i] < sums->CellArea()) continue;
            const int16_t metres = RoundToMetres(sums->weighted[i], sums->weight[i]);
            if (metres < kLowestHeight || metres > kHighestHeight) {
                if (outOfRange != nullptr) ++*outOfRange;
                break;
            }
            out.cells[i] = metres;
            if (sources) (*sources)[i] = sums->bestSource[i];
            if (means)
                (*means)[i] = static_cast<double>(sums->weighted[i]) /
                              static_cast<double>(sums->weight[i]) / 100;
            ++written;
            break;
        }
    }
    return written;
}

std::vector<int32_t> SquaresUnderDem(const DemHeader& header, MapDatum datum) {
    std::vector<int32_t> codes;
    // The shift moves a square by far less than a square's side, so only the
    // squares next to those under the extent can reach it.
    const int64_t firstLat = FloorDiv(header.southMas, kSquareHeightMas) - 1;
    const int64_t lastLat = FloorDiv(header.northMas, kSquareHeightMas) + 1;
    const int64_t firstLon = FloorDiv(header.westMas, kSquareWidthMas) - 1 - 100 * 8;
    const int64_t lastLon = FloorDiv(header.eastMas, kSquareWidthMas) + 1 - 100 * 8;
    for (int64_t i = std::max<int64_t>(firstLat, 0); i <= std::min<int64_t>(lastLat, 799); ++i) {
        for (int64_t j = std::max<int64_t>(firstLon, 0); j <= std::min<int64_t>(lastLon, 799);
             ++j) {
            const int32_t code = *SquareCodeAt(i, j);
            const DatumShift shift = SquareShift(code, datum);
            const int64_t south = i * kSquareHeightMas + shift.latMas;
            const int64_t west = (100 * 8 + j) * kSquareWidthMas + shift.lonMas;
            if (south < header.northMas && south + kSquareHeightMas > header.southMas &&
                west < header.eastMas && west + kSquareWidthMas > header.westMas)
                codes.push_back(code);
        }
    }
    return codes;
}
