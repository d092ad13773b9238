#pragma once

#include <optional>
#include <string>
#include <vector>

#include "dem/DatumShift.h"

// What zelvorin-mem was asked to do. Options may stand anywhere among the
// operands; "--" ends them. The first operand is the output folder, the
// rest the sources.
struct MemCommandLine {
    enum class Action { kRun, kHelp, kVersion, kUsageError };

    Action action = Action::kRun;
    std::string mapPath;               // --map MAP.dcm
    std::optional<MapDatum> mapDatum;  // --map-datum tokyo|jgd
    std::string outFolder;
    std::vector<std::string> sources;  // DEM files, zips, folders
    std::string error;                 // what was wrong, for kUsageError (system text)
};

// Reads the arguments. Returns kUsageError with a one-line error for an
// unknown option, an option without its value, an empty map name, a
// --map-datum other than tokyo or jgd, fewer than two operands, or no --map.
MemCommandLine ParseMemCommandLine(int argc, char** argv);
