#pragma once

#include <cstdint>
#include <string>

#include "correction/CorrectMap.h"

class CFile;

// An undo file holds what identifies a map before a run (its length, its
// header and its tile index) and then, block by block, the original bytes of
// every tile block before the run first overwrote it:
//
//   "ZELVUNDO", version (32-bit), map length (64-bit), header (214 bytes),
//   index position (64-bit), index length in bytes (32-bit), index bytes,
//   CRC-32 of all of these;
//   then records of: "BLCK", block position (64-bit), the number of records
//   made durable before this one was written (64-bit), 204,800 bytes, CRC-32;
//   after the last record, once a sync has made it durable: "SYNC", the
//   number of records durable (64-bit), CRC-32.
//
// Integers are little-endian. Each record is on disk before the block it
// protects is overwritten. A record written since the last sync protects a
// block that was never overwritten, so one that a crash or a power loss
// damaged can be left out; damage to an earlier one cannot.

// Writes an undo file while a run corrects a map.
class CUndoJournal final : public IMapJournal {
  public:
    // Writes into file, which is new and empty.
    explicit CUndoJournal(CFile& file) : m_file(file) {}

    void Begin(CFile& map, const DCMHEADER& header) override;
    void Save(int64_t block, const uint8_t* bytes) override;
    void Intend(int64_t, const uint8_t*) override {}
    void Commit() override;

    // True once Begin has written what identifies the map.
    bool Begun() const { return m_bBegun; }

  private:
    CFile& m_file;
    int64_t m_end = 0;
    uint64_t m_records = 0;    // records written
    uint64_t m_committed = 0;  // of those, the ones made durable
    bool m_bBegun = false;
};

enum class RestoreOutcome {
    kRestored,       // every saved block written back
    kCannotOpenMap,  // the map cannot be opened for writing
    kCannotUse,      // the undo file cannot be opened or read
    kDamaged,        // the undo file is damaged before its last record
    kOtherMap,       // the undo file was made for another map
    kFileError,      // writing the map failed part way
};

struct RestoreResult {
    RestoreOutcome outcome = RestoreOutcome::kRestored;
    int blocks = 0;      // blocks written back
    std::string detail;  // the path and the system's reason, for a failure
};

// Writes the blocks saved in the undo file back into the map, the last saved
// first, so that where blocks share bytes the first saved bytes stay; then
// the map is byte for byte what it was before the run that made the file.
// Refuses, leaving the map untouched, an undo file made for another map or
// damaged before its last record. Restoring twice gives the same map.
RestoreResult RestoreMap(const std::string& undoPath, const std::string& mapPath);
