#pragma once

#include <string>
#include <vector>

// What a run corrects the map from, as the command line's SOURCE operands
// name it: mesh files (".mem"), or national DEM files (".xml") and zips of
// them (".zip"); never both in one run.
enum class SourceKind { kMesh, kDem };

struct DemSource {
    std::string path;
    bool bZip = false;  // a zip to walk, else a DEM file to read
};

struct SourceList {
    enum class Status {
        kReady,
        kUsageError,  // mesh and DEM sources mixed
        kNoSources,   // a folder that holds neither, or a lone operand that does not exist
    };
    Status status = Status::kReady;
    std::string message;  // with kUsageError and kNoSources: why, to print
    SourceKind kind = SourceKind::kMesh;
    std::vector<std::string> meshPaths;  // with kMesh, in the order they apply
    std::vector<DemSource> demSources;   // with kDem, in the order they are walked
};

// What a folder holds of each kind, in the directory search's order: its
// "*.mem" files, and its "*.xml" and "*.zip" files.
struct FolderSources {
    std::vector<std::string> meshPaths;
    std::vector<DemSource> demSources;
};
FolderSources SourcesInFolder(const std::string& folder);

// Sorts the operands, in their order, into one kind of source. Files go by
// their extension (any case), whether they exist or not: ".xml" and ".zip"
// are DEM sources, anything else a mesh file; a folder gives its
// "*.mem" files in the directory search's order, or its "*.xml" and "*.zip"
// files in that order; one that holds both kinds is a usage error. A lone operand that does not
// exist is a folder that does not exist, as before DEM files were taken.
// Nothing is opened: a zip that holds no DEM file shows when it is walked.
SourceList ListSources(const std::vector<std::string>& operands);
