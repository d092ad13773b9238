// Writes small resampling cases and what CSquareSums makes of them, for
// resample_reference.py to check against its own exact computation.
//
// Output, one token sequence per case:
//   case NAME
//   square CODE SHIFT_LAT_MAS SHIFT_LON_MAS
//   grid SOURCE PRODUCT SOUTH WEST NORTH EAST ROWS COLUMNS, then ROWS lines of
//        COLUMNS values in cm (row 0 north; "n" for no data)   (repeated)
//   result WRITTEN, then one line "ROW COLUMN METRES SOURCE" per cell written
//   end
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dem/DatumShift.h"
#include "dem/MeshSquare.h"
#include "dem/SquareResampler.h"
#include "testsupport/TestGrid.h"

namespace {

constexpr int32_t kCode = 533946;
const SquareCorner kCorner = *SquareCornerOf(kCode);
const int64_t S = kCorner.southMas;
const int64_t W = kCorner.westMas;

void WriteCase(const std::string& name, DatumShift shift, const std::vector<DemGrid>& grids) {
    std::printf("case %s\nsquare %d %d %d\n", name.c_str(), kCode, shift.latMas, shift.lonMas);
    CSquareSums sums(kCode, shift);
    for (size_t g = 0; g < grids.size(); ++g) {
        const DemHeader& h = grids[g].header;
        std::printf("grid %d %d %lld %lld %lld %lld %d %d\n", static_cast<int>(g),
                    static_cast<int>(h.product), static_cast<long long>(h.southMas),
                    static_cast<long long>(h.westMas), static_cast<long long>(h.northMas),
                    static_cast<long long>(h.eastMas), h.rows, h.columns);
        for (int32_t i = 0; i < h.rows; ++i) {
            for (int32_t j = 0; j < h.columns; ++j) {
                const int32_t v = grids[g].centimetres[i * h.columns + j];
                if (v == kDemNoData)
                    std::printf(" n");
                else
                    std::printf(" %d", v);
            }
            std::printf("\n");
        }
        sums.Add(grids[g], static_cast<int32_t>(g));
    }
    auto out = std::make_unique<MeshGrid>();
    std::vector<int32_t> sources;
    std::printf("result %d\n", sums.Finish(*out, &sources));
    for (int r = 0; r < kMeshSide; ++r)
        for (int c = 0; c < kMeshSide; ++c)
            if (out->At(r, c) != kKeepCell)
                std::printf("%d %d %d %d\n", r, c, out->At(r, c), sources[r * kMeshSide + c]);
    std::printf("end\n");
}

// 2 x 2 DEM cells of 750 x 1125 mas to each map cell of the square's four
// south-western rows and columns; each map cell gets its own pattern:
// exact halves of coverage, means ending in .5 of a metre either side of 0,
// a quarter covered, values at the ends of the range.
DemGrid HalvesGrid() {
    static const int32_t kPatterns[16][4] = {{150, 150, 150, 150},
                                             {-150, -150, -150, -150},
                                             {100, 120, kDemNoData, kDemNoData},
                                             {90, kDemNoData, kDemNoData, kDemNoData},
                                             {149, 150, 151, -1000},
                                             {-50, -50, -50, -50},
                                             {250, 250, 250, kDemNoData},
                                             {-250, kDemNoData, -250, kDemNoData},
                                             {3276700, 3276700, 3276700, 3276700},
                                             {-3276700, -3276700, -3276700, kDemNoData},
                                             {0, 0, 0, 49},
                                             {kDemNoData, kDemNoData, -351, -349},
                                             {-1, kDemNoData, kDemNoData, 0},
                                             {1, 2, 3, 4},
                                             {kDemNoData, kDemNoData, kDemNoData, kDemNoData},
                                             {-49, -50, -51, -50}};
    return MakeGrid(DemProduct::k10B, S, W, S + 6000, W + 9000, 8, 8, [](int32_t i, int32_t j) {
        const int32_t k = 7 - i;  // from the south
        return kPatterns[k / 2 * 4 + j / 2][k % 2 * 2 + j % 2];
    });
}

// A small deterministic generator, the same on every build.
struct CRandom {
    uint32_t state;
    uint32_t Next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
    int32_t Between(int32_t low, int32_t high) {
        return low + static_cast<int32_t>(Next() % static_cast<uint32_t>(high - low + 1));
    }
};

std::function<int32_t(int32_t, int32_t)> RandomValues(CRandom& random, int holePercent) {
    return [&random, holePercent](int32_t, int32_t) {
        if (random.Between(0, 99) < holePercent) return kDemNoData;
        // A few round values, so that means ending in .5 m turn up.
        return random.Between(0, 3) == 0 ? random.Between(-4, 40) * 50 : random.Between(-500, 4000);
    };
}

}  // namespace

int main() {
    WriteCase("halves", {0, 0}, {HalvesGrid()});
    WriteCase("halves_south_by_1", {-1, 0}, {HalvesGrid()});
    WriteCase("halves_north_by_1", {1, 0}, {HalvesGrid()});
    WriteCase("halves_west_by_1", {0, -1}, {HalvesGrid()});

    CRandom random{12345};
    // 5 m over 10 m: the 5 m grid's holes leave some cells under half.
    WriteCase(
        "products", {0, 0},
        {MakeGrid(DemProduct::k10B, S, W, S + 8000, W + 10000, 20, 25, RandomValues(random, 5)),
         MakeGrid(DemProduct::k5A, S + 1000, W + 600, S + 7000, W + 8600, 30, 40,
                  [&random](int32_t i, int32_t j) {
                      return (i / 4 + j / 5) % 3 == 0 ? kDemNoData : RandomValues(random, 10)(i, j);
                  })});

    const DatumShift tokyo = SquareShift(kCode, MapDatum::kTokyo);
    // A 10 m grid on the DEM's own lattice, across the shifted square's
    // south-west corner, and a 5 m grid across its north-east corner.
    WriteCase("tokyo_10m_south_west", tokyo,
              {MakeGrid(DemProduct::k10B, S + 8000, W - 12000, S + 20000, W + 4000, 30, 40,
                        RandomValues(random, 15))});
    WriteCase("tokyo_5m_north_east", tokyo,
              {MakeGrid(DemProduct::k5B, S + 300000 + 6000, W + 450000 - 16000, S + 300000 + 18000,
                        W + 450000 - 7000, 60, 45, RandomValues(random, 15))});

    // Cells not a whole number of mas, and cells larger than the map's.
    WriteCase("rational_cells", {0, 0},
              {MakeGrid(DemProduct::k10A, S + 12345, W + 6789, S + 15345, W + 10789, 7, 9,
                        RandomValues(random, 20))});
    WriteCase("rational_cells_tokyo", tokyo,
              {MakeGrid(DemProduct::k5C, S + 15001, W - 3001, S + 17001, W + 1999, 11, 13,
                        RandomValues(random, 10)),
               MakeGrid(DemProduct::k1m, S + 14000, W - 4000, S + 17500, W + 1000, 3, 7,
                        RandomValues(random, 0))});
    WriteCase("coarse_cells", {0, 0},
              {MakeGrid(DemProduct::k10B, S - 1000, W - 2000, S + 4100, W + 10400, 3, 4,
                        RandomValues(random, 0))});

    // Two files of one product meet inside map cells: the one covering more
    // of a cell is its source, the first one where both cover as much.
    WriteCase("two_files_one_product", {0, 0},
              {MakeGrid(DemProduct::k5A, S, W, S + 3000, W + 3000, 15, 15, RandomValues(random, 0)),
               MakeGrid(DemProduct::k5A, S, W + 3000, S + 3000, W + 6000, 15, 15,
                        RandomValues(random, 0)),
               MakeGrid(DemProduct::k5A, S + 3000, W, S + 6000, W + 3375, 15, 15,
                        RandomValues(random, 0)),
               MakeGrid(DemProduct::k5A, S + 3000, W + 3375, S + 6000, W + 6750, 15, 15,
                        RandomValues(random, 0))});

    for (int i = 0; i < 8; ++i) {
        const DatumShift shift{random.Between(-20000, 20000), random.Between(-20000, 20000)};
        std::vector<DemGrid> grids;
        // Products differ: one product's grids of cells in different units
        // are refused.
        const int firstProduct = random.Between(0, 5);
        for (int g = random.Between(1, 3); g > 0; --g) {
            const auto product = static_cast<DemProduct>((firstProduct + g) % 6);
            const int32_t rows = random.Between(1, 30), columns = random.Between(1, 30);
            const int64_t height = rows * int64_t{random.Between(100, 2500)} + random.Between(0, 7);
            const int64_t width =
                columns * int64_t{random.Between(100, 3000)} + random.Between(0, 7);
            // Near one of the square's corners, partly outside it.
            const int64_t south = (random.Between(0, 1) ? S : S + 300000) + shift.latMas -
                                  random.Between(0, static_cast<int32_t>(height));
            const int64_t west = (random.Between(0, 1) ? W : W + 450000) + shift.lonMas -
                                 random.Between(0, static_cast<int32_t>(width));
            grids.push_back(MakeGrid(product, south, west, south + height, west + width, rows,
                                     columns, RandomValues(random, random.Between(0, 40))));
        }
        WriteCase("random_" + std::to_string(i), shift, grids);
    }
    return 0;
}
