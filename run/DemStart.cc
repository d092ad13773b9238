#include "run/DemStart.h"

#include <algorithm>

#include "framework/FileSystem.h"

DemStart LookAtDemSources(const std::vector<DemSource>& sources, std::optional<MapDatum> given,
                          const StepWatch& watch) {
    DemWalkOptions walk;
    walk.stopRequested = watch.stop;
    if (watch.progress) {
        // Each source an equal share, a zip's own share as far as it is read.
        size_t current = 0;
        const auto share = [&, count = std::max<size_t>(sources.size(), 1)](uint64_t read,
                                                                            uint64_t total) {
            const double within = total > 0 ? static_cast<double>(read) / total : 0;
            watch.progress(NameOfPlace(sources[current].path),
                           static_cast<int>(100 * (current + std::min(within, 1.0)) / count));
        };
        walk.onSource = [&, share](size_t source) {
            current = source;
            share(0, 0);
        };
        walk.progress = share;
    }
    DemStart start;
    start.plan = PlanDemRun(sources, given.value_or(MapDatum::kJgd), walk);
    switch (start.plan.outcome) {
        case DemPlan::Outcome::kReady:
            if (start.plan.squares.empty()) start.outcome = DemStart::Outcome::kNoDem;
            break;
        case DemPlan::Outcome::kNoDem:
            start.outcome = DemStart::Outcome::kNoDem;
            break;
        case DemPlan::Outcome::kUnusable:
            start.outcome = DemStart::Outcome::kUnusable;
            start.unusable = start.plan.unusableFile.empty()
                                 ? start.plan.reason
                                 : start.plan.unusableFile + ": " + start.plan.reason;
            break;
        case DemPlan::Outcome::kStopped:
            start.outcome = DemStart::Outcome::kStopped;
            break;
    }
    return start;
}

void SettleDemDatum(DemStart& start, std::optional<MapDatum> given,
                    const std::vector<DemSource>& sources, CFile& map, const DCMHEADER& header,
                    const CTileIndex& index, const std::function<bool()>& stop) {
    DatumChoice& choice = start.choice;
    choice = ChooseDatum(sources, start.plan, map, header, index, stop);
    switch (choice.outcome) {
        case DatumChoice::Outcome::kStopped:
            start.outcome = DemStart::Outcome::kDatumStopped;
            return;
        case DatumChoice::Outcome::kUnusable:
            start.outcome = DemStart::Outcome::kDatumUnusable;
            start.unusable = choice.unusableFile.empty() || choice.reason.empty()
                                 ? choice.unusableFile + choice.reason
                                 : choice.unusableFile + ": " + choice.reason;
            return;
        case DatumChoice::Outcome::kChosen:
        case DatumChoice::Outcome::kUndecided:
        case DatumChoice::Outcome::kTooFewCells:
            break;
    }
    if (given) {
        // The data can only warn against the datum given.
        start.bAgainstData =
            choice.outcome == DatumChoice::Outcome::kChosen && choice.datum != *given;
        start.datum = given;
    } else if (choice.outcome == DatumChoice::Outcome::kChosen) {
        start.datum = choice.datum;
    } else {
        start.outcome = choice.outcome == DatumChoice::Outcome::kTooFewCells
                            ? DemStart::Outcome::kDatumTooFewCells
                            : DemStart::Outcome::kDatumUndecided;
        return;
    }
    ReplanForDatum(start.plan, *start.datum);
}

void TakeDatum(DemStart& start, MapDatum datum) {
    start.datum = datum;
    start.outcome = DemStart::Outcome::kReady;
    ReplanForDatum(start.plan, datum);
}
