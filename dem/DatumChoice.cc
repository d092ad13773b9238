#include "dem/DatumChoice.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <set>

#include "dem/DemSquares.h"
#include "elevation/DcmLayout.h"
#include "elevation/SquareAsMesh.h"
#include "framework/AlignedBuffer.h"

namespace {

// A square's cells as one datum resamples them: the mean the DEM gives
// each cell it covers at least half of, where the map holds data, and NaN
// elsewhere; and the map's own heights.
struct SquareMeans {
    std::vector<float> means;
    std::vector<float> map;
};
using MeansOfSquares = std::map<int32_t, SquareMeans>;

constexpr float kNoMean = std::numeric_limits<float>::quiet_NaN();

// The plan of one datum, reading only the files that feed the squares chosen.
DemPlan PlanOfSquares(DemPlan plan, MapDatum datum, const std::set<int32_t>& chosen) {
    ReplanForDatum(plan, datum);
    const auto unchosen = [&](int32_t square) { return chosen.count(square) == 0; };
    for (DemPlanFile& file : plan.files) {
        file.squares.erase(std::remove_if(file.squares.begin(), file.squares.end(), unchosen),
                           file.squares.end());
        if (file.squares.empty()) file.bApplied = false;
    }
    plan.squares.erase(std::remove_if(plan.squares.begin(), plan.squares.end(), unchosen),
                       plan.squares.end());
    return plan;
}

// Resamples the chosen squares in one datum into means; what ended the pass.
ISquareSource::Pass Resample(const std::vector<DemSource>& sources, const DemPlan& plan,
                             MapDatum datum, const std::set<int32_t>& chosen, CFile& map,
                             const DCMHEADER& header, const CTileIndex& index,
                             const std::function<bool()>& stopRequested, MeansOfSquares& out,
                             SquareReadControl& control) {
    const DemPlan own = PlanOfSquares(plan, datum, chosen);
    CDemSquares squares(sources, own, datum);
    squares.GiveMeans();
    if (!squares.Start()) return ISquareSource::Pass::kEnded;
    CAlignedBuffer tile(kTileBlockSize);
    std::vector<int16_t> cells(kMeshCells);
    control.stopRequested = stopRequested;
    const ISquareSource::Pass pass = squares.HandOn(
        [&](const ReadySquare& square) {
            SquareCellsOfMap(map, header, index, square.meshCode, nullptr, tile.Data(),
                             cells.data());
            SquareMeans& means = out[square.meshCode];
            means.means.assign(kMeshCells, kNoMean);
            means.map.assign(kMeshCells, 0);
            for (int i = 0; i < kMeshCells; ++i) {
                if (square.grid->cells[i] == kKeepCell || cells[i] == 0) continue;
                means.means[i] = static_cast<float>(square.means[i]);
                // The tile holds metres above sea level one higher.
                means.map[i] = static_cast<float>(cells[i] > 0 ? cells[i] - 1 : cells[i]);
            }
            return true;
        },
        control);
    squares.Close();
    return pass;
}

// n of the squares, spread evenly over them.
std::set<int32_t> Spread(const std::vector<int32_t>& squares, size_t n) {
    std::set<int32_t> chosen;
    if (squares.empty()) return chosen;
    n = std::min(n, squares.size());
    for (size_t k = 0; k < n; ++k) chosen.insert(squares[k * squares.size() / n]);
    return chosen;
}

// The squares both datums write, in the order the run finishes them.
std::vector<int32_t> SquaresOfBoth(DemPlan plan) {
    ReplanForDatum(plan, MapDatum::kTokyo);
    const std::set<int32_t> tokyo(plan.squares.begin(), plan.squares.end());
    ReplanForDatum(plan, MapDatum::kJgd);
    std::vector<int32_t> both;
    for (int32_t square : plan.squares)
        if (tokyo.count(square) != 0) both.push_back(square);
    return both;
}

// Both datums' figures over the cells both give a mean.
void Compare(const MeansOfSquares& tokyo, const MeansOfSquares& jgd, DatumChoice& choice) {
    double sumTokyo = 0, sumJgd = 0;
    int64_t cells = 0;
    for (const auto& [code, t] : tokyo) {
        const auto j = jgd.find(code);
        if (j == jgd.end()) continue;
        for (int i = 0; i < kMeshCells; ++i) {
            if (std::isnan(t.means[i]) || std::isnan(j->second.means[i])) continue;
            const double dt = double{t.map[i]} - t.means[i];
            const double dj = double{t.map[i]} - j->second.means[i];
            sumTokyo += dt * dt;
            sumJgd += dj * dj;
            ++cells;
        }
    }
    choice.tokyo = {cells > 0 ? std::sqrt(sumTokyo / static_cast<double>(cells)) : 0, cells};
    choice.jgd = {cells > 0 ? std::sqrt(sumJgd / static_cast<double>(cells)) : 0, cells};
}

}  // namespace

bool ClearlyBetter(const DatumFit& a, const DatumFit& b) {
    return a.rms <= kDatumMostRms && a.rms < b.rms && b.rms >= kDatumMargin * a.rms;
}

DatumChoice ChooseDatum(const std::vector<DemSource>& sources, const DemPlan& plan, CFile& map,
                        const DCMHEADER& header, const CTileIndex& index,
                        const std::function<bool()>& stopRequested) {
    DatumChoice choice;
    const std::vector<int32_t> both = SquaresOfBoth(plan);
    // A few squares spread over the run first; more where those give too
    // few cells (the DEM touching the map's data at a few places only).
    for (size_t n : {kDatumFirstSquares, kDatumMostSquares}) {
        const std::set<int32_t> chosen = Spread(both, n);
        MeansOfSquares tokyo, jgd;
        for (const MapDatum datum : {MapDatum::kTokyo, MapDatum::kJgd}) {
            SquareReadControl control;
            switch (Resample(sources, plan, datum, chosen, map, header, index, stopRequested,
                             datum == MapDatum::kTokyo ? tokyo : jgd, control)) {
                case ISquareSource::Pass::kStopped:
                    choice.outcome = DatumChoice::Outcome::kStopped;
                    return choice;
                case ISquareSource::Pass::kUnusable:
                    choice.outcome = DatumChoice::Outcome::kUnusable;
                    choice.unusableFile = control.unusableFile;
                    choice.reason = control.failure;
                    return choice;
                case ISquareSource::Pass::kEnded:
                case ISquareSource::Pass::kDeclined:
                    break;
            }
        }
        Compare(tokyo, jgd, choice);
        if (choice.tokyo.cells >= kDatumCells || chosen.size() == both.size()) break;
    }
    if (choice.tokyo.cells < kDatumCells) {
        choice.outcome = DatumChoice::Outcome::kTooFewCells;
    } else if (ClearlyBetter(choice.tokyo, choice.jgd)) {
        choice.outcome = DatumChoice::Outcome::kChosen;
        choice.datum = MapDatum::kTokyo;
    } else if (ClearlyBetter(choice.jgd, choice.tokyo)) {
        choice.outcome = DatumChoice::Outcome::kChosen;
        choice.datum = MapDatum::kJgd;
    }
    return choice;
}
