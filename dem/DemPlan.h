#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dem/DatumShift.h"
#include "dem/DemArchive.h"
#include "dem/DemGrid.h"
#include "dem/SourceList.h"

// One DEM file of a run, as the first look found it.
struct DemPlanFile {
    std::string displayName;  // its path, or "outer.zip:inner.zip:name.xml"
    std::string fileName;     // its own name, which orders two files of one mesh and product
    DemHeader header;         // from its head: the start point may be unknown
    // False when a file of the same mesh and product, later by its own
    // name, takes its place.
    bool bApplied = true;
    std::vector<int32_t> squares;  // the map's squares it feeds
};

// What a run will do with its DEM sources, found by reading every file's
// header before the map is opened. The walk hands on the same members in
// the same order every time: member i of the apply pass is members[i].
struct DemPlan {
    enum class Outcome { kReady, kNoDem, kUnusable, kStopped };
    Outcome outcome = Outcome::kReady;
    std::string unusableFile;  // kUnusable: the zip or file at fault
    std::string reason;        // kUnusable: why, in the user's language

    // Every ".xml" member the walk handed on; -1 for one that is passed
    // over (another layer, or a DEM of an unknown type), else its file.
    std::vector<int> members;
    std::vector<DemPlanFile> files;
    // What was passed over, to warn of: members neither ".xml" nor ".zip",
    // documents that are no DEM, unknown types, files another replaces.
    std::vector<std::string> warnings;
    // Every square the run writes, in the order the apply pass finishes them.
    std::vector<int32_t> squares;
};

// Reads the head of every source's DEM files (and every zip in them: their
// directories, and any zip inside whole), inflating each DEM member only up
// to its tuple list, and plans the run for a map in datum. A head that cannot
// be used, or a zip that cannot be read, makes the plan kUnusable; sources
// with no DEM file of a known type make it kNoDem. What follows a file's
// tuple list (its sequence rule and start point, in the survey's files) and
// the deflated data after its head are checked by the apply pass, which
// stops at a file that fails there.
DemPlan PlanDemRun(const std::vector<DemSource>& sources, MapDatum datum,
                   const DemWalkOptions& options);

// The same plan for a map in another datum: the squares each file feeds and
// the order they finish in.
void ReplanForDatum(DemPlan& plan, MapDatum datum);
