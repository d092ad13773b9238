#pragma once

#include <string>

class CFile;
class ICorrectionUi;
class IMeshFileSource;

// How a correction of one map ended.
enum class CorrectionOutcome {
    kCompleted,    // every mesh file applied
    kStopped,      // a mesh file could not be used; the ones before it were applied
    kAborted,      // the user aborted between files, or while a file was read
    kNoMeshFiles,  // the source had no entry
    kCannotOpen,   // the map could not be opened
    kRejected,     // the map is not one that can be corrected
    kNoMemory,     // the tile index could not be allocated
    kFileError,    // reading or writing the map failed part way
};

struct CorrectionResult {
    CorrectionOutcome outcome = CorrectionOutcome::kCompleted;
    int applied = 0;           // mesh files written into the map
    std::string unusableFile;  // the entry that ended the pass: kStopped, or kAborted in its read
    std::string reason;        // the system's reason, for kStopped and kCannotOpen
};

// The file work of a correction: opens the map for exclusive reading and
// writing, loads its index, applies the source's mesh files one by one with
// progress and abort, tells the user the outcome through ui, and closes the
// map again on every path. The UI's abort request is also asked while a mesh
// file is read: a file whose read it stops is not applied. Never throws for
// a failure of the map file or of the UI's framework; both end the run with
// kFileError after ShowError.
CorrectionResult CorrectMap(const std::string& mapPath, IMeshFileSource& meshes, ICorrectionUi& ui);

// The same from the moment the map is open; closes it on every path.
CorrectionResult CorrectOpenMap(CFile& map, IMeshFileSource& meshes, ICorrectionUi& ui);

// The percentage shown after `applied` of `counted` entries, kept within the
// bar's range even when the folder gained entries after they were counted.
int ProgressPercent(int applied, int counted);
