#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "correction/TileSpill.h"
#include "elevation/DcmLayout.h"
#include "elevation/MeshGrid.h"
#include "elevation/MeshPatch.h"
#include "framework/AlignedBuffer.h"
#include "framework/BlockArena.h"
#include "framework/Exception.h"

class CAlignedBuffer;
class CFile;
class CTileIndex;

// What one mesh did to the map.
struct MeshTally {
    int tiles = 0;            // tile blocks that received at least one cell
    int64_t cells = 0;        // cells written
    int64_t changed = 0;      // of those, cells that hold another value now
    bool bInsideMap = false;  // the square overlaps the tiles the map's index spans
    bool bPastEnd = false;    // a tile it covers is listed with a block past the file's end
};

// A failure of the journal's file: the run cannot keep originals, so it
// writes nothing more that they would protect. Path and reason are the
// journal file's.
class CJournalException : public CFileException {
  public:
    explicit CJournalException(const CFileException& failure) : CFileException(failure) {}
};

// Keeps the original bytes of every block before the run first overwrites
// it, and what the run writes over them, so that the run can be undone and
// its writes told apart from anyone else's.
class ITileJournal {
  public:
    virtual ~ITileJournal() = default;
    // The block at this file position as the run first read it; called once
    // per block, before any of its cells changes. Throws CFileException.
    virtual void Save(int64_t block, const uint8_t* bytes) = 0;
    // The bytes about to be written over the block at this file position;
    // called for every write of a block, before the Commit that precedes
    // the write. Throws CFileException.
    virtual void Intend(int64_t block, const uint8_t* bytes) = 0;
    // Makes everything saved and intended so far durable; called before
    // every batch of writes. Throws CFileException.
    virtual void Commit() = 0;
};

// Sees each tile as the run first read it and as the run left it.
//
// Where an event gives a block (its file position, not -1), the map holds
// the bytes given at that block until the writer's next BeforeWrite of a
// block that shares bytes with it: an observer may read them there itself,
// on a thread of its own (see CFile::ReadAt), instead of copying them now.
class ITileObserver {
  public:
    virtual ~ITileObserver() = default;
    // False when the observer has no use for the tiles: the writer then
    // spares it the tiles, and, when no other observer wants them, the reads
    // that showing the final tiles would take.
    virtual bool WantsTiles() const { return true; }
    virtual void OnFirstRead(TileNumber tile, int64_t block, const uint8_t* bytes) = 0;
    // Where held, the bytes stay as they are until OnWriterDone.
    virtual void OnFinal(TileNumber tile, const uint8_t* bytes, bool held) = 0;
    // The writer is about to write the block at this file position.
    virtual void BeforeWrite(int64_t) {}
    // The writer is gone, and the map may close: an observer that reads the
    // blocks that events gave reads them before it returns.
    virtual void OnWriterDone() noexcept {}

    // An observer that follows the writes learns the tiles as left while
    // the run goes, instead of from reads at its end: each write of a tile
    // (OnWritten), and each read of a tile the run had written (OnReadAgain,
    // with the bytes of that tile's last OnWritten, which no longer stand).
    // The tiles as left are then what was written and not read again.
    //
    // A dry run, which writes nothing, shows its tiles as written where a
    // real run would write them (when more than the cache's capacity are
    // changed and not yet shown, the older half) and as read again before it
    // changes one of them again; the tiles it holds are given as held: the
    // bytes stay as they are until that tile's OnReadAgain returns, or until
    // OnWriterDone. Its tiles never shown so far come by OnFinal from
    // ShowFinalTiles.
    //
    // Where the writes cannot tell it (blocks that share bytes, a write that
    // failed), ShowFinalTiles calls OnFinalTilesAgain, which voids what the
    // writes told, and then OnFinal for every tile as left.
    virtual bool FollowsWrites() const { return false; }
    virtual void OnWritten(TileNumber, int64_t /*block*/, const uint8_t*, bool /*held*/) {}
    virtual void OnReadAgain(TileNumber, int64_t /*block*/, const uint8_t*, bool /*held*/) {}
    virtual void OnFinalTilesAgain() {}
};

// The observers a writer feeds, in this order, each with the events it asks
// for. One alone is passed as {&observer}; a null one is passed over.
using TileObservers = std::vector<ITileObserver*>;

// The one place where a run reads, patches and writes the map's tile blocks.
//
// Tiles stay in a small write-back cache while the following meshes patch
// them, and each is written once when it leaves the cache or the run ends,
// so a tile that several meshes touch is read and written once instead of
// once per mesh. The map's bytes come out exactly as if every mesh had read,
// patched and written its tiles one after another: blocks never overlap
// while the cache is on, and for a map whose index lists overlapping blocks
// every tile is written straight after its patch, as the plain path does.
//
// A mesh goes into the map whole or not at all: when a read, a write or the
// journal fails while a mesh is applied, the cells it had patched go back to
// what they held before it, in the cache or, for a tile already written, by
// a write of their own, journaled like any other.
//
// The writer counts the distinct cells that now differ from what they held
// before the run. Squares of different mesh codes share no cell, so the
// first file to write a cell finds its original there, and the count grows
// by the cells it changed, at no cost. Only a square written over again (the
// same code in a later file) needs the originals of its cells: the map
// still has them until the tile is written, and for a square that a later
// file may write over (KeepOriginals), they go to a spill (a temporary
// file) just before.
//
// A dry run writes nothing: it holds every tile it changed in memory (about
// 200 KB each), so that later meshes see earlier ones as a real run would.
class CTileWriter {
  public:
    // Tiles a real run holds at most: about 6.5 MB.
    static constexpr size_t kDefaultCapacity = 32;

    enum class Mode { kWrite, kDryRun };

    // The writer for an open map whose index is loaded. journal may be null;
    // it and the observers must outlive the writer.
    CTileWriter(CFile& map, const DCMHEADER& header, const CTileIndex& index, Mode mode,
                size_t capacity = kDefaultCapacity, ITileJournal* journal = nullptr,
                const TileObservers& observers = {});
    ~CTileWriter();
    CTileWriter(const CTileWriter&) = delete;
    CTileWriter& operator=(const CTileWriter&) = delete;

    // Writes the grid of mesh meshCode into the tiles that hold its cells
    // and that the map lists with a whole block. File errors propagate as
    // CFileException, the journal's as CJournalException; the mesh's cells
    // are then put back (as far as the map lets them be written), and the
    // tiles patched by earlier meshes stay held for Flush. With keepMarked,
    // the grid's cells marked kKeepCell keep what the map holds.
    MeshTally Apply(int32_t meshCode, const MeshGrid& grid, bool keepMarked = false);

    // Writes back every tile changed and not yet written. Call it on every
    // path that ends a run, before the run reports its end. File errors
    // propagate as CFileException, the journal's as CJournalException.
    void Flush();

    // Writes back, on a run's failure path, every changed tile that can
    // still be written, each on its own; never throws. Writes nothing when
    // the journal cannot be committed.
    void FlushAfterFailure();

    // True when a tile that a mesh applied whole had patched could not be
    // written, or a tile of the mesh that failed could not be put back: the
    // map then holds part of a mesh, and only the journal gives it back.
    bool LeftPartOfAMesh() const { return m_bPartial; }

    // Shows every observer every tile it read, as the map now holds it (after
    // Flush; a dry run's own view of it), unless the writes have shown them
    // to it already (see ITileObserver::FollowsWrites; a dry run's tiles not
    // yet shown then). The last call before the writer goes: the tiles it holds
    // stay as they are.
    void ShowFinalTiles();

    // Distinct tile blocks that received cells so far.
    size_t TilesTouched() const { return m_touched.size(); }
    // Of those, the blocks holding a cell that differs from before the run.
    size_t TilesChanged() const;
    // The squares whose originals must outlive a write of their tile: those
    // that a later file of the run may write over again. Unless told, none
    // (a run that does not show the count needs none).
    void KeepOriginals(std::function<bool(MeshCorner)> mayBeWrittenAgain) {
        m_mayBeWrittenAgain = std::move(mayBeWrittenAgain);
    }
    // Distinct cells that hold another value than before the run, after
    // the meshes applied so far.
    int64_t CellsDiffering() const { return m_cellsDiffering; }
    // False when a square was written over again whose originals were not
    // kept (see KeepOriginals): the count of cells may then be off.
    bool CountIsExact() const { return m_bCountExact; }
    // True when the index lists blocks that overlap, so nothing is cached.
    bool WritesThrough() const { return m_bOverlap; }

  private:
    struct Slot;
    // A mesh square written into a tile, in the order written.
    struct Square {
        MeshCorner corner;
        uint64_t applied;  // the clock when it was written
        bool bKeep;        // its originals are spilled before its tile is written
        bool bSpilled;
    };
    struct TileRecord {
        std::vector<Square> squares;
        uint64_t written = 0;  // the clock of the tile's last write to the map
    };
    // One tile the current mesh patched, and what it overwrote there when
    // the map cannot give that back.
    struct Patched {
        TileNumber tile;
        int64_t block;
        const uint8_t* overwritten;  // null: the map's block holds it
        int64_t differing;
        bool bFirstTouch;
        bool bNewSquare;
    };

    Slot* Acquire(TileNumber tile, int64_t block);
    Slot* FreeSlot();
    bool Pinned(const Slot* slot) const;
    void Release(Slot* slot);
    // Writes slots back; before a write that later meshes may follow
    // (final false), spills the originals of the squares to keep.
    void WriteBack(std::vector<Slot*> slots, bool final);
    void SpillKeptSquares(int64_t block, TileNumber tile);
    // Fills m_originals with the cells before the run where square corner
    // meets the tile's earlier squares; false when some were not kept.
    bool GatherOriginals(int64_t block, TileNumber tile, MeshCorner corner, const uint8_t* now);
    // Gives the journal a block as first read, before any of its cells changes.
    void JournalFirstRead(int64_t block, const uint8_t* bytes);
    // Tells the journal what slots are about to write and makes it durable.
    void JournalWrites(const std::vector<Slot*>& slots);
    void JournalWrite(int64_t block, const uint8_t* bytes);
    void ReadCurrent(int64_t block, uint8_t* bytes);
    // Writes bytes over the block of tile and tells the observers that
    // follow the writes; a write that fails ends what they can tell.
    void WriteBlock(int64_t block, TileNumber tile, const uint8_t* bytes);
    bool WrittenBefore(int64_t block) const;
    void MarkChanged(Slot& slot);
    // A tile about to be patched: no longer shown as written.
    void Unshow(Slot& slot);
    // Shows a dry run's older half of the changed tiles not yet shown as
    // written, once more of them are held than a real run's cache would.
    void ShowAsARealRunWrites();
    // Puts back what the current mesh overwrote, newest tile first; never
    // throws.
    void RollBack(MeshCorner corner);
    void RestoreOnDisk(const Patched& patched, MeshCorner corner, Slot* slot);
    bool InsideMap(MeshCorner corner) const;

    CFile& m_map;
    const CTileIndex& m_index;
    const DCMHEADER& m_header;
    const Mode m_mode;
    const size_t m_capacity;
    ITileJournal* const m_journal;
    std::vector<ITileObserver*> m_observers;  // those that want the tiles
    std::vector<ITileObserver*> m_followers;  // of those, the ones that follow the writes
    bool m_bWritesShown;  // the followers learn the tiles as left from the writes
    uint64_t m_fileLength;
    bool m_bOverlap;
    bool m_bPartial = false;
    uint64_t m_clock = 0;

    CBlockArena m_arena;  // the slots' tiles
    std::vector<std::unique_ptr<Slot>> m_slots;
    std::unordered_map<int64_t, Slot*> m_held;              // block -> slot
    std::unordered_set<int64_t> m_seen;                     // blocks read at least once
    std::vector<std::pair<TileNumber, int64_t>> m_read;     // their tiles, in first-read order
    std::vector<std::pair<TileNumber, int64_t>> m_touched;  // in first-patch order
    std::unordered_set<int64_t> m_touchedBlocks;
    std::vector<Slot*> m_unshown;  // a dry run's changed tiles not shown as written

    std::vector<Patched> m_patched;                // by the current mesh
    CAlignedBuffer m_overwritten{2 * kMeshCells};  // their cells before it, where kept
    bool m_bPinning = false;  // the current mesh's tiles stay in the cache until it ends
    std::unordered_map<int64_t, TileRecord> m_records;  // by block
    std::function<bool(MeshCorner)> m_mayBeWrittenAgain;
    CAlignedBuffer m_originals{kTileBlockSize};  // a tile's cells before the run, in part
    CAlignedBuffer m_scratch{kTileBlockSize};
    CAlignedBuffer m_packed{2 * kMeshCells};  // one square's cells in a tile
    int64_t m_cellsDiffering = 0;
    std::map<int64_t, int64_t> m_blockDiffering;  // the cells differing in each block
    bool m_bCountExact = true;
    CTileSpill m_spill;
};

// True when two of the blocks that lookups can reach share a byte. A block
// that does not lie wholly inside the file is never read, so it is left out.
bool IndexHasOverlappingBlocks(const CTileIndex& index, uint64_t fileLength);
