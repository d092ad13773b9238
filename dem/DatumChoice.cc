#include "dem/DatumChoice.h"

#include <cmath>

#include "dem/DemSquares.h"
#include "elevation/DcmLayout.h"
#include "elevation/SquareAsMesh.h"
#include "framework/AlignedBuffer.h"

namespace {

// Sums the squared differences of the squares one datum gives until enough
// cells were compared; what ended the pass.
ISquareSource::Pass Fit(const std::vector<DemSource>& sources, DemPlan plan, MapDatum datum,
                        CFile& map, const DCMHEADER& header, const CTileIndex& index,
                        const std::function<bool()>& stopRequested, DatumFit& fit,
                        SquareReadControl& control) {
    ReplanForDatum(plan, datum);
    CDemSquares squares(sources, plan, datum);
    squares.GiveMeans();
    if (!squares.Start()) return ISquareSource::Pass::kEnded;
    CAlignedBuffer tile(kTileBlockSize);
    std::vector<int16_t> cells(kMeshCells);
    double sum = 0;
    control.stopRequested = stopRequested;
    const ISquareSource::Pass pass = squares.HandOn(
        [&](const ReadySquare& square) {
            SquareCellsOfMap(map, header, index, square.meshCode, nullptr, tile.Data(),
                             cells.data());
            for (int i = 0; i < kMeshCells; ++i) {
                if (square.grid->cells[i] == kKeepCell || cells[i] == 0) continue;
                // The tile holds metres above sea level one higher.
                const double metres = cells[i] > 0 ? cells[i] - 1 : cells[i];
                const double difference = metres - square.means[i];
                sum += difference * difference;
                ++fit.cells;
            }
            return fit.cells < kDatumCells;
        },
        control);
    squares.Close();
    if (fit.cells > 0) fit.rms = std::sqrt(sum / static_cast<double>(fit.cells));
    return pass;
}

}  // namespace

bool ClearlyBetter(const DatumFit& a, const DatumFit& b) {
    return a.rms < b.rms && b.rms >= kDatumMargin * a.rms;
}

DatumChoice ChooseDatum(const std::vector<DemSource>& sources, const DemPlan& plan, CFile& map,
                        const DCMHEADER& header, const CTileIndex& index,
                        const std::function<bool()>& stopRequested) {
    DatumChoice choice;
    for (const MapDatum datum : {MapDatum::kTokyo, MapDatum::kJgd}) {
        DatumFit& fit = datum == MapDatum::kTokyo ? choice.tokyo : choice.jgd;
        SquareReadControl control;
        switch (Fit(sources, plan, datum, map, header, index, stopRequested, fit, control)) {
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
    if (choice.tokyo.cells < kDatumCells || choice.jgd.cells < kDatumCells) {
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
