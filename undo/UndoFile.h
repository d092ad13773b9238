#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "correction/CorrectMap.h"

class CFile;

// An undo file holds what identifies a map before a run (its length, its
// header and its tile index), then, block by block, the original bytes of
// every tile block before the run first overwrote it, and for every write of
// a block a checksum of each of its pages as written:
//
//   "ZELVUNDO", version 3 (32-bit),
//   two commit slots, each: the blocks saved and the records written that
//     a commit made durable (64-bit each), where those records end in the
//     file (64-bit), CRC-32 of these 24 bytes;
//   map length (64-bit), header (214 bytes), index position (64-bit), index
//   length in bytes (32-bit), index bytes, CRC-32 of the preamble but the
//   slots;
//   then records, in the order the run made them, either
//     "BLCK", block position (64-bit), the block's 204,800 bytes, CRC-32; or
//     "PAGE", block position (64-bit), for each of the 401 sectors of 512
//     bytes, counted from the map file's start, that the block meets (the
//     last unused where it meets 400), a CRC-32 of its own bytes in that
//     sector as about to be written (see UndoPages.h), CRC-32 of the record.
//
// A new file holds only magic, version and both slots saying 0: the run has
// not read the map. It takes its name only so, whole (CreateUndoFile). Begin
// writes the preamble, syncs, then has both slots commit it.
//
// Format 2, made by 1.0.0, is the same but for its "PAGE" records: a CRC-32
// for each of the block's 50 pages of 4096 bytes counted from its start. Its
// files have no head-only state.
//
// Integers are little-endian. A commit syncs the records, then rewrites the
// older slot to say where they end, then syncs again; the run overwrites a
// block only after the commit that follows its records. A cut in the middle
// of rewriting a slot leaves the other, whose records are all on disk.
// Records past the committed end protect blocks never overwritten and are
// left out; a file that holds fewer committed records than its slot says is
// refused whole.

// Writes an undo file while a run corrects a map.
class CUndoJournal final : public IMapJournal {
  public:
    // Writes into file, which is new: empty or as CreateUndoFile made it.
    explicit CUndoJournal(CFile& file) : m_file(file) {}

    void Begin(CFile& map, const DCMHEADER& header) override;
    void Save(int64_t block, const uint8_t* bytes) override;
    void Intend(int64_t block, const uint8_t* bytes) override;
    // Syncs the records, then rewrites a slot and syncs again; throws
    // CFileException when either fails, and then nothing may be overwritten.
    void Commit() override;

    // True once Begin has written what identifies the map.
    bool Begun() const { return m_bBegun; }

  private:
    CFile& m_file;
    int64_t m_end = 0;
    uint64_t m_blocks = 0;   // block records written
    uint64_t m_records = 0;  // records of either kind written
    int m_nextSlot = 0;
    std::vector<int64_t> m_listed;  // the map's blocks, for their own bytes
    bool m_bBegun = false;
};

// Creates the undo file at path holding its head, under that name only once
// the head is on disk; an undo file there whose run never read its map is
// replaced. Throws CFileException (kOpen, naming path) when it cannot, and
// when anything else is at path.
std::unique_ptr<CFile> CreateUndoFile(const std::string& path);

enum class RestoreOutcome {
    kRestored,       // every saved block written back
    kNothingToDo,    // the run that made the file never read the map: nothing written
    kCannotOpenMap,  // the map cannot be opened for writing
    kCannotUse,      // the undo file cannot be opened or read
    kDamaged,        // not an undo file of this version, or its records contradict it
    kIncomplete,     // fewer whole committed blocks than the file says it holds
    kOtherMap,       // the undo file was made for another map
    kChangedSince,   // a saved block holds bytes neither its original nor this run's
    kStopped,        // the stop callback asked; the blocks before stay written
    kFileError,      // writing the map failed part way
};

struct RestoreResult {
    RestoreOutcome outcome = RestoreOutcome::kRestored;
    int64_t blocks = 0;    // blocks written back
    int64_t total = 0;     // blocks the undo file holds committed
    int64_t held = 0;      // kIncomplete: of those, the ones whole on disk
    int64_t changed = -1;  // kChangedSince: the position of the first block changed
    uint32_t version = 0;  // the undo file's format, once read
    std::string detail;    // the path and the reason, for a failure
};

struct RestoreOptions {
    bool bForce = false;         // restore over blocks changed since the run
    std::function<bool()> stop;  // asked before each block; true stops there
    // After each block written back: how many so far, of how many.
    std::function<void(int64_t written, int64_t total)> progress;
};

// Writes the blocks saved in the undo file back into the map, the last saved
// first, so that where blocks share bytes the first saved bytes stay; then
// the map is byte for byte what it was before the run that made the file.
// Refuses, leaving the map untouched, an undo file made for another map, one
// damaged or holding fewer committed blocks than it says, and (unless
// bForce) a map whose saved blocks were changed after the run. A stop leaves
// every block either restored or as the run left it, so the same restore
// completes it. Restoring twice gives the same map.
RestoreResult RestoreMap(const std::string& undoPath, const std::string& mapPath,
                         const RestoreOptions& options = {});

// The same over open files; file errors end it with kCannotUse (reading the
// undo file) or kFileError (the map). Syncs the map; leaves both open.
RestoreResult RestoreOpenMap(CFile& undo, CFile& map, const RestoreOptions& options = {});
