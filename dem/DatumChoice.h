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
// map's values less the DEM's unrounded means, over cells the DEM covers at
// least half of and the map holds data for.
struct DatumFit {
    double rms = 0;     // metres
    int64_t cells = 0;  // the cells compared
};

// The datum the data point to, decided before the map is written.
struct DatumChoice {
    enum class Outcome {
        kChosen,       // one fits clearly better: datum
        kUndecided,    // neither fits 1.5 times as well as the other
        kTooFewCells,  // the sources ended before both had enough cells
        kStopped,      // the stop request ended a read
        kUnusable,     // a file could not be used: unusableFile, reason
    };
    Outcome outcome = Outcome::kUndecided;
    MapDatum datum = MapDatum::kJgd;
    DatumFit tokyo, jgd;
    std::string unusableFile;
    std::string reason;
};

// Cells each datum is compared over at least, and how many times worse the
// other must fit.
constexpr int64_t kDatumCells = 200;
constexpr double kDatumMargin = 1.5;

// Resamples the first squares of the run under both datums, until each has
// kDatumCells cells to compare, and compares them with the map (open for
// reading, its header and index loaded); plan is the run's first look, in
// any datum. The map is never written. File errors of the map propagate as
// CFileException.
DatumChoice ChooseDatum(const std::vector<DemSource>& sources, const DemPlan& plan, CFile& map,
                        const DCMHEADER& header, const CTileIndex& index,
                        const std::function<bool()>& stopRequested);

// The datum whose fit is clearly the better of the two, as ChooseDatum
// decides: false when neither is.
bool ClearlyBetter(const DatumFit& a, const DatumFit& b);
