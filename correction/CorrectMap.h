#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "correction/TileWriter.h"

class CFile;
class CTileIndex;
class ICorrectionUi;
class IMeshFileSource;
class ISquareSource;
struct DCMHEADER;

// How a correction of one map ended.
enum class CorrectionOutcome {
    kCompleted,      // every square applied: each mesh file's, or the DEM's
    kStopped,        // a source could not be used; the squares before it were applied
    kAborted,        // the user aborted between squares, or while a file was read
    kNoMeshFiles,    // the source had no entry
    kCannotOpen,     // the map could not be opened
    kRejected,       // the map is not one that can be corrected
    kNoMemory,       // the tile index could not be allocated
    kFileError,      // reading or writing the map failed part way
    kJournalFailed,  // the journal could not keep the originals; nothing it
                     // would have protected was written
};

struct CorrectionResult {
    CorrectionOutcome outcome = CorrectionOutcome::kCompleted;
    int applied = 0;           // squares written into the map: mesh files, or the DEM's squares
    std::string unusableFile;  // the entry that ended the pass: kStopped, or kAborted in its read
    std::string failedFile;    // the file whose failure ended the run: kFileError, kJournalFailed
    // Why: the system's reason for kCannotOpen, kFileError and
    // kJournalFailed; for kStopped, why the file cannot be used (the
    // system's reason or the reader's); for kRejected, what is wrong with the
    // map. The readers' own reasons are in the user's language.
    std::string reason;
    int64_t cellsChanged = 0;  // distinct cells that hold another value than before the run
    size_t tilesTouched = 0;   // distinct tile blocks that received cells
    size_t tilesChanged = 0;   // of those, the blocks holding a cell that now differs
    // False when cellsChanged may be off: a square was written more than
    // once that the expected codes did not foretell.
    bool bCountExact = true;
    // After a failure: some tile could be neither written nor put back, so
    // the map holds part of a square (see CTileWriter::LeftPartOfAMesh).
    bool bPartialMesh = false;
};

// Follows a run: the map it works on, each mesh it applies, and each tile
// as first read and as left (see ITileObserver).
class ICorrectionObserver : public ITileObserver {
  public:
    // The map, open, and its header and index, loaded; before any mesh is
    // read. The map stays open until the run ends.
    virtual void OnStart(CFile& map, const DCMHEADER& header, const CTileIndex& index) = 0;
    // A square applied: the path of the file that gave it (a mesh file, or
    // the DEM's files), its mesh code, the record lines a mesh file held and
    // what it did to the map.
    virtual void OnMeshApplied(const std::string& path, int32_t meshCode, int records,
                               const MeshTally& tally) = 0;
};

// Keeps the original bytes of a map's blocks: a tile journal that also
// records, before the first block, what identifies the map.
class IMapJournal : public ITileJournal {
  public:
    // Records the map's length, header and tile index as they are now, and
    // makes them durable. Throws CFileException.
    virtual void Begin(CFile& map, const DCMHEADER& header) = 0;
};

// How a run treats the map beyond the plain correction.
struct CorrectionOptions {
    bool bDryRun = false;  // opened for reading only; nothing is written
    size_t nCachedTiles = CTileWriter::kDefaultCapacity;
    IMapJournal* pJournal = nullptr;  // keeps every block before it is overwritten
    // Each follows the run, in this order (none null); one alone is set as
    // {&observer}.
    std::vector<ICorrectionObserver*> observers;
    // The mesh codes the run will apply (SurveyMeshCodes), so that the count
    // of cells changed stays exact where a square is written more than once
    // at the least cost; null when the count need not be exact then.
    const std::vector<int32_t>* pExpectedCodes = nullptr;
    // The result's message, when it is not the count of mesh files applied.
    std::function<std::string(const CorrectionResult&)> resultMessage;
};

// The file work of a correction: opens the map for exclusive reading and
// writing, loads its index, places the source's squares one by one with
// progress and abort, tells the user the outcome through ui, and closes the
// map again on every path. The UI's abort request is also asked while a
// source file is read: a file whose read it stops is not applied. Every tile changed
// is on disk before the outcome is shown. Never throws for a failure of the
// map file or of the UI's framework; both end the run with kFileError after
// ShowError, and a failure of the journal ends it with kJournalFailed. Either
// way the map holds exactly the squares counted as applied, as far as it
// can still be written. A dry run opens the map for shared reading and does
// everything but the writes.
CorrectionResult CorrectMap(const std::string& mapPath, ISquareSource& squares, ICorrectionUi& ui,
                            const CorrectionOptions& options = {});
// The same with the squares of mesh files.
CorrectionResult CorrectMap(const std::string& mapPath, IMeshFileSource& meshes, ICorrectionUi& ui,
                            const CorrectionOptions& options = {});

// The same from the moment the map is open; closes it on every path.
CorrectionResult CorrectOpenMap(CFile& map, ISquareSource& squares, ICorrectionUi& ui,
                                const CorrectionOptions& options = {});
CorrectionResult CorrectOpenMap(CFile& map, IMeshFileSource& meshes, ICorrectionUi& ui,
                                const CorrectionOptions& options = {});

// The count of mesh files applied, as a run shows it at its end, with the
// note after an abort that later files were not applied.
std::string AppliedMessage(const CorrectionResult& result);

// The percentage shown after `applied` of `counted` entries, kept within the
// bar's range even when the folder gained entries after they were counted.
int ProgressPercent(int applied, int counted);
