#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "dem/DatumShift.h"
#include "dem/DemPlan.h"

class CFile;
class CTileIndex;
struct DCMHEADER;

// How well the DEM fits the map in one datum: the root mean square of the
// map's values less the DEM's unrounded means, over the map's cells that the
// DEM covers at least half of on both datums and that hold data: the two
// datums are compared on the same ground.
struct DatumFit {
    double rms = 0;     // metres
    int64_t cells = 0;  // the cells compared
};

// The datum the data point to, decided before the map is written.
struct DatumChoice {
    enum class Outcome {
        kChosen,       // one fits clearly better: datum
        kUndecided,    // neither fits 1.5 times as well as the other, or fits at all
        kTooFewCells,  // the squares gave too few cells to compare
        kStopped,      // the stop request ended a read
        kUnusable,     // a file could not be used: unusableFile, reason
    };
    Outcome outcome = Outcome::kUndecided;
    MapDatum datum = MapDatum::kJgd;
    DatumFit tokyo, jgd;
    std::string unusableFile;
    std::string reason;
};

// Cells the datums are compared over at least; how many times worse the
// other must fit; the most a fit may differ and still count (far beyond
// any survey's error, the DEM is not of the map's land); the squares
// compared at first, spread over the run, and at most.
constexpr int64_t kDatumCells = 200;
constexpr double kDatumMargin = 1.5;
constexpr double kDatumMostRms = 50;
constexpr size_t kDatumFirstSquares = 8;
constexpr size_t kDatumMostSquares = 64;

// Resamples squares that both datums write, spread over the run, under both
// datums, and compares them with the map (open for reading, its header and
// index loaded) over the cells both cover; plan is the run's first look, in
// any datum. kDatumFirstSquares squares first, kDatumMostSquares where those
// give fewer than kDatumCells cells. The map is never written. File errors
// of the map propagate as CFileException.
DatumChoice ChooseDatum(const std::vector<DemSource>& sources, const DemPlan& plan, CFile& map,
                        const DCMHEADER& header, const CTileIndex& index,
                        const std::function<bool()>& stopRequested);

// True when fit a is clearly the better of the two, as ChooseDatum decides:
// kDatumMargin times better, and within kDatumMostRms.
bool ClearlyBetter(const DatumFit& a, const DatumFit& b);
