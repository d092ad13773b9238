#pragma once

#include <vector>

#include "dem/DemArchive.h"
#include "dem/SourceList.h"

// Walks every DEM file of the sources, in a fixed order: the sources in
// theirs, each zip in the archive's. A DEM file on disk is read through the
// framework's file layer, whole or as much of it as options.headBytes and
// the sink ask for, and shown under its path; zips are walked as WalkDemZip
// does. The walk can be repeated and gives the same
// files each time. It stops at the first source that cannot be used (a file
// that cannot be read or is over options.memberLimit, a zip that
// WalkDemZip refuses): the sink has then seen every file before it.
// demMembers counts the files handed on; none at all means that the sources
// hold no DEM file. Progress is reported per source: the bytes of the
// current zip or file read, and its length.
DemWalkResult WalkDemSources(const std::vector<DemSource>& sources, IDemMemberSink& sink,
                             const DemWalkOptions& options);
