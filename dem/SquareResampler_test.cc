#include "dem/SquareResampler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <vector>

#include "dem/MeshSquare.h"
#include "framework/Exception.h"
#include "testsupport/TestGrid.h"

namespace {

constexpr int32_t kCode = 533946;
const SquareCorner kCorner = *SquareCornerOf(kCode);
const int64_t S = kCorner.southMas;
const int64_t W = kCorner.westMas;

int32_t Constant(int32_t, int32_t) { return 12345; }

// A 10 m file of a second-level square: 750 rows by 1125 columns of 0.4".
DemGrid TenMetreFile(int32_t code, const std::function<int32_t(int32_t, int32_t)>& value) {
    const SquareCorner c = *SquareCornerOf(code);
    return MakeGrid(DemProduct::k10B, c.southMas, c.westMas, c.southMas + kSquareHeightMas,
                    c.westMas + kSquareWidthMas, 750, 1125, value);
}

std::unique_ptr<MeshGrid> Finished(const CSquareSums& sums, int* written = nullptr) {
    auto grid = std::make_unique<MeshGrid>();
    const int count = sums.Finish(*grid);
    if (written) *written = count;
    return grid;
}

// The real size: a whole 10 m file whose western half has no data. Map
// column 99 gets 200 of its 2250 mas from the data, column 100 all of it.
TEST(SquareSums, TenMetreFileFillsItsSquare) {
    CSquareSums sums(kCode, {});
    const DemGrid file =
        TenMetreFile(kCode, [](int32_t, int32_t j) { return j < 562 ? kDemNoData : 12345; });
    const auto start = std::chrono::steady_clock::now();
    sums.Add(file, 7);
    auto grid = std::make_unique<MeshGrid>();
    std::vector<int32_t> sources;
    const int written = sums.Finish(*grid, &sources);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    RecordProperty(
        "milliseconds",
        static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count()));
    EXPECT_EQ(written, 200 * 100);
    for (int r = 0; r < kMeshSide; ++r) {
        EXPECT_EQ(grid->At(r, 99), kKeepCell);
        EXPECT_EQ(grid->At(r, 100), 123);
        EXPECT_EQ(grid->At(r, 199), 123);
    }
    EXPECT_EQ(std::count(sources.begin(), sources.end(), 7), 200 * 100);
    EXPECT_EQ(std::count(sources.begin(), sources.end(), kNoSource), 200 * 100);
    // A few milliseconds here; a cost per pair of cells would take seconds.
    EXPECT_LT(elapsed, std::chrono::milliseconds(500));
}

// Of products covering a cell, the finest gives its value: 1 m, 5A, 5B, 5C,
// 10A, 10B; a finer product's mean that no map can hold keeps the map's
// value rather than fall through to a coarser product.
TEST(SquareSums, TheFinerProductWinsAndAnUnholdableMeanDoesNotFallThrough) {
    const auto whole = [](DemProduct product, int32_t centimetres) {
        return MakeGrid(product, S, W, S + kSquareHeightMas, W + kSquareWidthMas, 750, 1125,
                        [=](int32_t, int32_t) { return centimetres; });
    };
    const DemProduct order[] = {DemProduct::k1m, DemProduct::k5A,  DemProduct::k5B,
                                DemProduct::k5C, DemProduct::k10A, DemProduct::k10B};
    for (size_t finer = 0; finer + 1 < std::size(order); ++finer) {
        CSquareSums sums(kCode, {});
        // The coarser added first, so that the order of adding decides nothing.
        sums.Add(whole(order[finer + 1], 2000), 1);
        sums.Add(whole(order[finer], 1000), 0);
        EXPECT_EQ(Finished(sums)->At(100, 100), 10) << "product " << finer;
    }
    CSquareSums sums(kCode, {});
    sums.Add(whole(DemProduct::k10B, 2000), 1);
    sums.Add(whole(DemProduct::k5A, 2000000), 0);  // 20,000 m
    EXPECT_EQ(Finished(sums)->At(100, 100), kKeepCell);
}

// Which squares a file reaches, and that the others get nothing from it.
TEST(SquareSums, FileReachesOnlyTheSquaresListed) {
    const DemGrid file = TenMetreFile(kCode, Constant);
    EXPECT_EQ(SquaresUnderDem(file.header, MapDatum::kJgd), std::vector<int32_t>{kCode});
    // Under the Tokyo shift (north-west) the file lies under the squares
    // south and east of its own.
    EXPECT_EQ(SquaresUnderDem(file.header, MapDatum::kTokyo),
              (std::vector<int32_t>{533936, 533937, 533946, 533947}));
    const std::vector<int32_t> listed = SquaresUnderDem(file.header, MapDatum::kTokyo);
    for (int32_t lat = 3; lat <= 5; ++lat) {
        for (int32_t lon = 5; lon <= 7; ++lon) {
            const int32_t code = 533900 + lat * 10 + lon;
            CSquareSums sums(code, SquareShift(code, MapDatum::kTokyo));
            sums.Add(file, 0);
            int written;
            const auto grid = Finished(sums, &written);
            const bool isListed = std::count(listed.begin(), listed.end(), code) > 0;
            EXPECT_EQ(written > 0, isListed) << code;
            for (int16_t v : grid->cells) ASSERT_TRUE(v == kKeepCell || v == 123) << code;
        }
    }
    // A 5 m file (a third-level mesh) inside the square: that square only.
    const DemGrid third = MakeGrid(DemProduct::k5A, S + 120000, W + 180000, S + 150000, W + 225000,
                                   150, 225, Constant);
    EXPECT_EQ(SquaresUnderDem(third.header, MapDatum::kTokyo), std::vector<int32_t>{kCode});
}

TEST(SquareSumsRefuses, MalformedGrids) {
    CSquareSums sums(kCode, {});
    DemGrid grid = MakeGrid(DemProduct::k5A, S, W, S + 3000, W + 3000, 15, 15, Constant);
    grid.centimetres.pop_back();
    EXPECT_THROW(sums.Add(grid, 0), CException);
    grid = MakeGrid(DemProduct::k5A, S + 3000, W, S, W + 3000, 15, 15, Constant);
    EXPECT_THROW(sums.Add(grid, 0), CException);
    grid = MakeGrid(static_cast<DemProduct>(6), S, W, S + 3000, W + 3000, 15, 15, Constant);
    EXPECT_THROW(sums.Add(grid, 0), CException);
    EXPECT_THROW(CSquareSums(533948, {}), std::invalid_argument);
}

// A value that no metre of int16 holds is refused before it is added; one
// outside the square does not matter.
TEST(SquareSumsRefuses, ValuesBeyondTheRange) {
    CSquareSums sums(kCode, {});
    sums.Add(MakeGrid(DemProduct::k5A, S, W, S + 3000, W + 4500, 15, 15, Constant), 0);
    const auto before = Finished(sums);
    for (int32_t bad : {kMaxDemCentimetres + 1, -kMaxDemCentimetres - 1}) {
        const DemGrid grid =
            MakeGrid(DemProduct::k5A, S, W, S + 3000, W + 4500, 15, 15,
                     [bad](int32_t i, int32_t j) { return i == 14 && j == 14 ? bad : 0; });
        EXPECT_THROW(sums.Add(grid, 1), CException);
    }
    EXPECT_EQ(std::memcmp(before->cells, Finished(sums)->cells, sizeof before->cells), 0);
    // The bad cell lies south of the square.
    sums.Add(MakeGrid(DemProduct::k5A, S - 200, W, S + 3000, W + 4500, 16, 15,
                      [](int32_t i, int32_t) { return i == 15 ? kMaxDemCentimetres + 1 : 0; }),
             2);
}

// One product's sums keep one unit of area: a grid whose cell edges need
// another is refused, while another product may use it.
TEST(SquareSumsRefuses, CellEdgesInAnotherUnit) {
    CSquareSums sums(kCode, {});
    sums.Add(MakeGrid(DemProduct::k5B, S, W, S + 3000, W + 3000, 15, 15, Constant), 0);
    const DemGrid thirds =
        MakeGrid(DemProduct::k5B, S + 3000, W, S + 4000, W + 3000, 3, 15, Constant);
    EXPECT_THROW(sums.Add(thirds, 1), CException);
    // The same rows' unit, and columns in sevenths.
    const DemGrid sevenths =
        MakeGrid(DemProduct::k5B, S + 3000, W, S + 4000, W + 3000, 5, 7, Constant);
    EXPECT_THROW(sums.Add(sevenths, 1), CException);
    DemGrid other = thirds;
    other.header.product = DemProduct::k5C;
    sums.Add(other, 1);
}

// Cells of 913ths of a mas both ways are about the finest the sums take: a
// cell then holds almost all the weight int64 allows, even at the largest
// values; a second such grid is refused, and cells of 913ths by 914ths at
// once.
TEST(SquareSumsRefuses, SumsThatCouldOverflow) {
    const auto fine = [](int32_t rows, int32_t columns, DemProduct product) {
        return MakeGrid(product, S, W, S + rows * int64_t{2000} + 1,
                        W + columns * int64_t{2000} + 1, rows, columns,
                        [](int32_t, int32_t) { return kMaxDemCentimetres; });
    };
    CSquareSums sums(kCode, {});
    const DemGrid grid = fine(913, 913, DemProduct::k1m);
    sums.Add(grid, 0);
    EXPECT_THROW(sums.Add(grid, 1), CException);
    EXPECT_THROW(sums.Add(fine(913, 914, DemProduct::k5A), 2), CException);
    // Values beyond the range are refused on this, the checked, way too.
    DemGrid beyond = fine(913, 914, DemProduct::k5A);
    beyond.centimetres[beyond.centimetres.size() - 914] = -kMaxDemCentimetres - 1;  // south-west
    try {
        MeasureShare(beyond, kCode, {});
        ADD_FAILURE() << "a value beyond the range was measured";
    } catch (const CException& e) {
        EXPECT_NE(std::string(e.what()).find("beyond"), std::string::npos) << e.what();
    }
    // The sums stay exact to the end; a height of 32767 m is more than the
    // map holds, so the cells keep their values.
    MeshGrid out;
    int64_t outOfRange = 0;
    sums.Finish(out, nullptr, nullptr, &outOfRange);
    EXPECT_EQ(out.At(0, 0), kKeepCell);
    EXPECT_EQ(out.At(50, 50), kKeepCell);
    EXPECT_GT(outOfRange, 0);
}

}  // namespace
