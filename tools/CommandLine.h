#pragma once

#include <optional>
#include <string>
#include <vector>

#include "dem/DatumShift.h"

// What zelvorin-correct was asked to do. Options may stand anywhere among
// the operands; "--" ends them, so that what follows is taken as operands
// even where it begins with '-'. The first operand is the map, the rest the
// mesh files or folder.
struct CommandLine {
    enum class Action { kRun, kRestore, kHelp, kVersion, kUsageError };

    Action action = Action::kRun;
    std::string mapPath;
    std::vector<std::string> meshArgs;  // the sources: folders, mesh files, DEM files or zips
    std::string error;                  // what was wrong, for kUsageError (system text)

    bool bDryRun = false;              // -n, --dry-run
    std::string strReport;             // --report FILE
    std::string strPicture;            // --picture FILE
    std::string strUndo;               // --undo FILE
    std::string strRestore;            // --restore FILE
    bool bForce = false;               // --force: restore over later changes
    std::optional<MapDatum> mapDatum;  // --map-datum tokyo|jgd
};

// Reads the arguments. Returns kUsageError with a one-line error for an
// unknown option, an option without its value, too few or too many
// operands, a dry run with an undo file, --force without --restore, or
// --restore with another option than --force, or a --map-datum other than
// tokyo or jgd.
CommandLine ParseCommandLine(int argc, char** argv);
