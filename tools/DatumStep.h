#pragma once

#include <optional>
#include <string>
#include <vector>

#include "dem/DatumShift.h"
#include "dem/DemPlan.h"

class CFile;
class CTileIndex;
struct DCMHEADER;

// The datum a DEM run goes on with, settled before the map is written: the
// one given, checked against the data (a warning when they clearly fit the
// other), or, with none given, the one the data clearly fit. Says on
// standard error what it found, with the figures, as tool; plan is made
// over for the datum settled.
struct DatumStep {
    std::optional<MapDatum> datum;  // empty: the run ends with status
    int status = 0;
};
DatumStep SettleDatum(const std::string& tool, std::optional<MapDatum> given,
                      const std::vector<DemSource>& sources, DemPlan& plan, CFile& map,
                      const DCMHEADER& header, const CTileIndex& index);
