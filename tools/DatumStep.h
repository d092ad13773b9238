#pragma once

#include <optional>
#include <string>

#include "run/DemStart.h"

// Says on standard error, as tool, what a DEM run's datum step found, with
// the figures: the datum found, or the data clearly fitting the other than
// the one given (a warning), or why the run ends there. The status the run
// ends with; nothing when it goes on.
std::optional<int> TellDatumStep(const std::string& tool, std::optional<MapDatum> given,
                                 const DemStart& start);
