#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <unordered_set>

#include "framework/AlignedBuffer.h"
#include "framework/Exception.h"
#include "framework/File.h"
#include "undo/UndoFile.h"
#include "undo/UndoFormat.h"
#include "undo/UndoPages.h"
#include "undo/UndoTexts.h"

namespace {

struct SavedBlock {
    int64_t block;   // position in the map
    int64_t record;  // position of the bytes in the undo file
};

// What the committed records of an undo file say.
struct Committed {
    std::vector<SavedBlock> saved;  // in the order saved
    // For each block, the unit sums of every write the run made of it.
    std::unordered_map<int64_t, std::vector<UnitSums>> written;
};

// A refusal: the outcome and why.
struct Refusal {
    RestoreOutcome outcome;
    std::string why;
};

// Reads the committed records; a refusal when one is missing or cut short,
// or when one contradicts the preamble.
std::optional<Refusal> ReadCommitted(CFile& undo, const UndoPreamble& pre,
                                     const std::vector<int64_t>& listed, uint8_t* scratch,
                                     Committed& out, RestoreResult& result) {
    const uint64_t length = undo.GetLength();
    const uint64_t end = pre.committed.end;
    result.total = static_cast<int64_t>(std::min<uint64_t>(pre.committed.blocks, INT64_MAX));
    std::unordered_set<int64_t> seen;
    UndoRecord rec;
    int64_t at = pre.end;
    uint64_t records = 0;
    for (; static_cast<uint64_t>(at) < end; at += rec.size, ++records) {
        if (!ReadUndoRecord(undo, at, length, pre.units, rec, scratch)) {
            result.held = static_cast<int64_t>(out.saved.size());
            return Refusal{
                RestoreOutcome::kIncomplete,
                SayUndo(UndoText::kCutShort,
                        {std::to_string(result.held), std::to_string(result.total),
                         std::to_string(records), std::to_string(pre.committed.records)})};
        }
        const std::string where = std::to_string(rec.block);
        if (rec.kind == UndoRecord::Kind::kPages) {
            if (seen.count(rec.block) == 0)
                return Refusal{RestoreOutcome::kDamaged,
                               SayUndo(UndoText::kChecksBeforeSaving, {where})};
            out.written[rec.block].push_back(rec.sums);
            continue;
        }
        if (rec.block < 0 || static_cast<uint64_t>(rec.block) + kTileBlockSize > pre.mapLength)
            return Refusal{
                RestoreOutcome::kDamaged,
                SayUndo(UndoText::kSavesPastEnd, {where, std::to_string(pre.mapLength)})};
        if (!std::binary_search(listed.begin(), listed.end(), rec.block))
            return Refusal{RestoreOutcome::kDamaged, SayUndo(UndoText::kSavesUnlisted, {where})};
        if (!seen.insert(rec.block).second)
            return Refusal{RestoreOutcome::kDamaged, SayUndo(UndoText::kSavesTwice, {where})};
        out.saved.push_back({rec.block, rec.bytesAt});
    }
    if (static_cast<uint64_t>(at) != end || out.saved.size() != pre.committed.blocks ||
        records != pre.committed.records)
        return Refusal{RestoreOutcome::kDamaged, SayUndo(UndoText::kCommitDiffers)};
    return std::nullopt;
}

// With one commit unreadable, the other may be the older: what a cut while
// rewriting it leaves, when the records after the older commit protect
// blocks never written. Then every block saved after it still holds its
// original in the map. A block that does not was written after a commit
// that the damaged one recorded: its records would be left out.
std::optional<Refusal> CheckLostCommit(CFile& undo, CFile& map, const UndoPreamble& pre,
                                       uint8_t* scratch) {
    if (!pre.bSlotDamaged) return std::nullopt;
    const uint64_t length = undo.GetLength();
    const uint64_t mapLength = map.GetLength();
    std::vector<uint8_t> saved(kTileBlockSize), now(kTileBlockSize);
    UndoRecord rec;
    for (auto at = static_cast<int64_t>(pre.committed.end);
         ReadUndoRecord(undo, at, length, pre.units, rec, scratch); at += rec.size) {
        if (rec.kind != UndoRecord::Kind::kBlock || rec.block < 0 ||
            static_cast<uint64_t>(rec.block) + kTileBlockSize > mapLength)
            continue;
        undo.ReadAt(rec.bytesAt, saved.data(), kTileBlockSize);
        if (map.ReadAt(rec.block, now.data(), kTileBlockSize) == kTileBlockSize && saved != now)
            return Refusal{RestoreOutcome::kDamaged,
                           SayUndo(UndoText::kCommitLost, {std::to_string(rec.block)})};
    }
    return std::nullopt;
}

// Copies into region (the bytes at regionStart of the map) what the saved
// blocks will write there, in the order the restore writes them.
void OverlaySaved(CFile& undo, const std::vector<SavedBlock>& saved, int64_t regionStart,
                  std::vector<uint8_t>& region, uint8_t* scratch) {
    const int64_t regionEnd = regionStart + static_cast<int64_t>(region.size());
    for (auto it = saved.rbegin(); it != saved.rend(); ++it) {
        const int64_t from = std::max(regionStart, it->block);
        const int64_t to = std::min(regionEnd, it->block + int64_t{kTileBlockSize});
        if (from >= to) continue;
        undo.ReadAt(it->record, scratch, kTileBlockSize);
        std::memcpy(region.data() + (from - regionStart), scratch + (from - it->block),
                    static_cast<size_t>(to - from));
    }
}

// True when the map is the one the file was made for: once the saved blocks
// are back, its length, header and index are as recorded.
bool SameMap(CFile& undo, CFile& map, const UndoPreamble& pre, const Committed& committed,
             uint8_t* scratch) {
    if (map.GetLength() != pre.mapLength) return false;
    std::vector<uint8_t> header(kDcmHeaderSize), index(pre.index.size());
    if (!ReadExactly(map, 0, header.data(), kDcmHeaderSize) ||
        !ReadExactly(map, pre.indexOffset, index.data(), static_cast<uint32_t>(index.size())))
        return false;
    OverlaySaved(undo, committed.saved, 0, header, scratch);
    OverlaySaved(undo, committed.saved, pre.indexOffset, index, scratch);
    return header == pre.header && index == pre.index;
}

// The first saved block with a unit that holds neither its original bytes
// nor those of any write of this run, or -1. A block that a run or a restore
// left part way, or that a power loss tore, holds, unit by unit, one or the
// other.
int64_t FirstChangedBlock(CFile& undo, CFile& map, const UndoPreamble& pre,
                          const Committed& committed, const std::vector<int64_t>& listed,
                          uint8_t* scratch) {
    CAlignedBuffer current(kTileBlockSize);
    for (const SavedBlock& saved : committed.saved) {
        const CBlockUnits units(pre.units, saved.block, OwnBytes(listed, saved.block));
        UnitFlags checked;
        UnitSums sums;
        units.Checked(checked);
        map.ReadAt(saved.block, current.Data(), kTileBlockSize);
        undo.ReadAt(saved.record, scratch, kTileBlockSize);
        units.Sum(current.Data(), sums);
        const auto written = committed.written.find(saved.block);
        for (uint32_t u = 0; u < pre.units.count; ++u) {
            if (!checked[u] || units.Same(current.Data(), scratch, u)) continue;
            const bool ours = written != committed.written.end() &&
                              std::any_of(written->second.begin(), written->second.end(),
                                          [&](const UnitSums& w) { return w[u] == sums[u]; });
            if (!ours) return saved.block;
        }
    }
    return -1;
}

}  // namespace

RestoreResult RestoreOpenMap(CFile& undo, CFile& map, const RestoreOptions& options) {
    RestoreResult result;
    const std::string& undoName = undo.GetFilePath();
    CAlignedBuffer scratch(kUndoBlockRecordSize);
    UndoPreamble pre;
    Committed committed;
    std::vector<int64_t> listed;
    try {
        uint32_t version = 0;
        const PreambleRead read = ReadUndoPreamble(undo, pre, version);
        result.version = version;
        switch (read) {
            case PreambleRead::kRead:
                break;
            case PreambleRead::kNotBegun:
                result.outcome = RestoreOutcome::kNothingToDo;
                result.detail = SayUndo(UndoText::kNeverWrote, {undoName});
                return result;
            case PreambleRead::kNotUndo:
                result.outcome = RestoreOutcome::kDamaged;
                result.detail = SayUndo(UndoText::kNotUndo, {undoName});
                return result;
            case PreambleRead::kOtherVersion:
                result.outcome = RestoreOutcome::kDamaged;
                result.detail =
                    SayUndo(UndoText::kOtherVersion, {undoName, std::to_string(version)});
                return result;
            case PreambleRead::kDamaged:
                result.outcome = RestoreOutcome::kDamaged;
                result.detail = SayUndo(UndoText::kDamagedHead, {undoName});
                return result;
        }
        listed = ListedBlocks(pre.index.data(), pre.index.size(), pre.mapLength);
        if (auto refusal = ReadCommitted(undo, pre, listed, scratch.Data(), committed, result)) {
            result.outcome = refusal->outcome;
            result.detail = undoName + ": " + refusal->why;
            return result;
        }
    } catch (const CFileException& error) {
        result.outcome = RestoreOutcome::kCannotUse;
        result.detail = error.what();
        return result;
    }
    try {
        if (auto refusal = CheckLostCommit(undo, map, pre, scratch.Data())) {
            result.outcome = refusal->outcome;
            result.detail = undoName + ": " + refusal->why;
            return result;
        }
        if (!SameMap(undo, map, pre, committed, scratch.Data())) {
            result.outcome = RestoreOutcome::kOtherMap;
            result.detail = SayUndo(UndoText::kOtherMap, {undoName, map.GetFilePath()});
            return result;
        }
        if (!options.bForce) {
            result.changed = FirstChangedBlock(undo, map, pre, committed, listed, scratch.Data());
            if (result.changed >= 0) {
                result.outcome = RestoreOutcome::kChangedSince;
                result.detail = SayUndo(UndoText::kChangedSince, {map.GetFilePath(), undoName,
                                                                  std::to_string(result.changed)});
                return result;
            }
        }
        for (auto it = committed.saved.rbegin(); it != committed.saved.rend(); ++it) {
            if (options.stop && options.stop()) {
                result.outcome = RestoreOutcome::kStopped;
                break;
            }
            undo.ReadAt(it->record, scratch.Data(), kTileBlockSize);
            map.WriteAt(it->block, scratch.Data(), kTileBlockSize);
            ++result.blocks;
            if (options.progress) options.progress(result.blocks, result.total);
        }
        map.Sync();
    } catch (const CFileException& error) {
        result.outcome = RestoreOutcome::kFileError;
        result.detail = error.what();
    }
    return result;
}

RestoreResult RestoreMap(const std::string& undoPath, const std::string& mapPath,
                         const RestoreOptions& options) {
    RestoreResult result;
    std::unique_ptr<CFile> undo, map;
    try {
        undo = OpenFile(undoPath, FileAccess::kReadShared);
    } catch (const CFileException& error) {
        result.outcome = RestoreOutcome::kCannotUse;
        result.detail = error.Path() + ": " + error.Reason();
        return result;
    }
    try {
        map = OpenFile(mapPath, FileAccess::kReadWriteExclusive);
    } catch (const CFileException& error) {
        result.outcome = RestoreOutcome::kCannotOpenMap;
        result.detail = error.Path() + ": " + error.Reason();
        return result;
    }
    result = RestoreOpenMap(*undo, *map, options);
    try {
        map->Close();
    } catch (const CFileException& error) {
        if (result.outcome == RestoreOutcome::kRestored) {
            result.outcome = RestoreOutcome::kFileError;
            result.detail = error.what();
        }
    }
    return result;
}
