#pragma once

// The steps a DEM run takes before it writes, in their order, for the
// terminal programs and the plug-in alike: the first look at the sources,
// which plans the run, then, over the map, the datum settled against the
// data and the plan made over for it. Each step reports what it found; the
// caller words it and ends the run or goes on.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "dem/DatumChoice.h"
#include "dem/DatumShift.h"
#include "dem/DemPlan.h"

class CFile;
class CTileIndex;
struct DCMHEADER;

struct DemStart {
    enum class Outcome {
        kReady,             // the run may write: plan and datum settled
        kNoDem,             // no DEM file among the sources, or none gives a square
        kUnusable,          // a source could not be used at the first look: unusable
        kStopped,           // a stop request ended the first look
        kDatumStopped,      // a stop request ended the datum step
        kDatumUnusable,     // a source failed in the datum step: unusable
        kDatumUndecided,    // no datum given, and the data fit neither clearly
        kDatumTooFewCells,  // no datum given, and too few cells to compare
    };
    Outcome outcome = Outcome::kReady;
    DemPlan plan;
    std::string unusable;  // the file at fault and why, as one text
    // After the datum step: the figures of both datums; the datum the run
    // goes on with; whether the data clearly fit the other than the one
    // given.
    DatumChoice choice;
    std::optional<MapDatum> datum;
    bool bAgainstData = false;
};

// What a step is watched by: stop is asked between files and every 64 KiB
// inflated (true ends the step); progress, where set, hears the name of the
// source being read and the share of the sources done, in percent.
struct StepWatch {
    std::function<bool()> stop;
    std::function<void(const std::string& name, int percent)> progress;
};

// The first look: every source's head read and the run planned for the
// datum given (JGD until the data tell it).
DemStart LookAtDemSources(const std::vector<DemSource>& sources, std::optional<MapDatum> given,
                          const StepWatch& watch);

// The datum step, over the map open for reading, on a start the first look
// left ready: the datum given, checked against the data, or the one the
// data clearly fit; the plan made over for it. Reads of the map may throw
// CFileException.
void SettleDemDatum(DemStart& start, std::optional<MapDatum> given,
                    const std::vector<DemSource>& sources, CFile& map, const DCMHEADER& header,
                    const CTileIndex& index, const std::function<bool()>& stop);

// Where the data left the datum open: the run goes on with the one the user
// chose, the plan made over for it.
void TakeDatum(DemStart& start, MapDatum datum);
