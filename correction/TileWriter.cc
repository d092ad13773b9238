#include "correction/TileWriter.h"

#include <algorithm>
#include <cstring>

#include "correction/TileSlot.h"
#include "elevation/TileIndex.h"
#include "framework/AlignedBuffer.h"
#include "framework/File.h"

bool IndexHasOverlappingBlocks(const CTileIndex& index, uint64_t fileLength) {
    std::vector<int64_t> blocks;
    for (const DCMTILEENTRY& entry : index.Entries()) {
        // Only the first entry of a key is ever looked up.
        if (index.Find(entry.lKey) != &entry || entry.lBlockOffset < 0) continue;
        if (static_cast<uint64_t>(entry.lBlockOffset) + kTileBlockSize > fileLength) continue;
        blocks.push_back(entry.lBlockOffset);
    }
    std::sort(blocks.begin(), blocks.end());
    for (size_t i = 1; i < blocks.size(); ++i)
        if (blocks[i] - blocks[i - 1] < int64_t{kTileBlockSize}) return true;
    return false;
}

CTileWriter::CTileWriter(CFile& map, const DCMHEADER& header, const CTileIndex& index, Mode mode,
                         size_t capacity, ITileJournal* journal, const TileObservers& observers)
    : m_map(map),
      m_index(index),
      m_header(header),
      m_mode(mode),
      m_capacity(std::max<size_t>(capacity, 1)),
      m_journal(mode == Mode::kWrite ? journal : nullptr),
      m_fileLength(map.GetLength()),
      m_bOverlap(IndexHasOverlappingBlocks(index, m_fileLength)),
      m_arena(kTileBlockSize,
              mode == Mode::kDryRun ? kDefaultCapacity : std::min(m_capacity, kDefaultCapacity)) {
    for (ITileObserver* observer : observers) {
        if (observer == nullptr || !observer->WantsTiles()) continue;
        m_observers.push_back(observer);
        if (observer->FollowsWrites()) m_followers.push_back(observer);
    }
    // Where blocks share bytes, a write changes tiles beside its own.
    m_bWritesShown = !m_followers.empty() && !m_bOverlap;
}

CTileWriter::~CTileWriter() {
    for (ITileObserver* observer : m_observers) observer->OnWriterDone();
}

MeshTally CTileWriter::Apply(int32_t meshCode, const MeshGrid& grid, bool keepMarked) {
    MeshTally tally;
    const auto corner = PlaceMesh(meshCode, m_header);
    if (!corner) return tally;
    tally.bInsideMap = InsideMap(*corner);
    const MeshTiles tiles = TilesUnderMesh(*corner);
    m_patched.clear();
    // While the mesh's tiles stay in the cache until it ends, the map's
    // blocks hold what a first write of a square overwrote. Where a tile may
    // be written in between (blocks that share bytes are written at once; a
    // cache smaller than the mesh's tiles), the overwritten cells are kept.
    m_bPinning = !m_bOverlap && m_capacity >= static_cast<size_t>(tiles.count);
    uint8_t* overwritten = m_overwritten.Data();
    try {
        // Before the mesh changes anything, so that a failure to show them
        // fails the mesh whole.
        if (m_unshown.size() > m_capacity) ShowAsARealRunWrites();
        for (int i = 0; i < tiles.count; ++i) {
            const TileNumber tile = tiles.tiles[i];
            const auto block = WritableBlock(m_index, tile, m_fileLength);
            if (!block) {
                const auto key = TileKey(tile.tx, tile.ty);
                if (key && m_index.Find(*key) != nullptr) tally.bPastEnd = true;
                continue;
            }
            Slot* slot = Acquire(tile, *block);
            if (slot == nullptr) continue;
            if (m_bWritesShown) Unshow(*slot);
            TileRecord& record = m_records[*block];
            const bool again =
                std::any_of(record.squares.begin(), record.squares.end(), [&](const Square& sq) {
                    return SquaresShareCellsIn(sq.corner, *corner, tile.tx, tile.ty);
                });
            PatchSide side;
            side.keepMarked = keepMarked;
            if (again) {
                // Cells written before in the run: count against their
                // originals, and keep what they hold now to put it back.
                if (!GatherOriginals(*block, tile, *corner, slot->Data())) m_bCountExact = false;
                side.original = m_originals.Data();
            }
            if (again || !m_bPinning) side.overwritten = overwritten;
            const PatchCount count = PatchTile(grid, *corner, tile.tx, tile.ty, slot->Data(), side);
            MarkChanged(*slot);
            // Two keys may list one block: it counts once.
            if (std::none_of(m_patched.begin(), m_patched.end(),
                             [&](const Patched& p) { return p.block == *block; }))
                ++tally.tiles;
            const bool first = m_touchedBlocks.insert(*block).second;
            if (first) m_touched.emplace_back(tile, *block);
            // A square that writes no cell before unwritten owns no cell.
            const bool newSquare =
                std::none_of(record.squares.begin(), record.squares.end(), [&](const Square& sq) {
                    return sq.corner.x == corner->x && sq.corner.y == corner->y;
                });
            if (newSquare) {
                const bool keep = m_mayBeWrittenAgain && m_mayBeWrittenAgain(*corner);
                record.squares.push_back({*corner, ++m_clock, keep, false});
            }
            // A first write finds the cells as before the run: every cell it
            // changed now differs.
            const int64_t differing = again ? count.differing : count.changed;
            m_patched.push_back({tile, *block, side.overwritten, differing, first, newSquare});
            if (side.overwritten != nullptr) overwritten += 2 * count.cells;
            m_cellsDiffering += differing;
            m_blockDiffering[*block] += differing;
            tally.cells += count.cells - count.kept;
            tally.changed += count.changed;
            if (m_bOverlap && m_mode == Mode::kWrite) {
                // Blocks share bytes: the next read must see this write.
                WriteBack({slot}, false);
                Release(slot);
            }
        }
    } catch (...) {
        RollBack(*corner);
        throw;
    }
    m_patched.clear();
    return tally;
}

void CTileWriter::Unshow(Slot& slot) {
    // A tile that a write showed and that the cache still holds: taken back
    // before it changes, as a read of it from the map would be.
    const bool dry = m_mode == Mode::kDryRun;
    if (slot.bShown)
        for (ITileObserver* follower : m_followers)
            follower->OnReadAgain(slot.tile, dry ? -1 : slot.block, slot.Data(), dry);
    slot.bShown = false;
    if (dry && !slot.bUnshown) {
        m_unshown.push_back(&slot);
        slot.bUnshown = true;
    }
}

void CTileWriter::ShowAsARealRunWrites() {
    std::sort(m_unshown.begin(), m_unshown.end(),
              [](Slot* a, Slot* b) { return a->used < b->used; });
    const auto older = static_cast<ptrdiff_t>((m_unshown.size() + 1) / 2);
    ptrdiff_t shown = 0;
    try {
        for (; shown < older; ++shown) {
            Slot& slot = *m_unshown[shown];
            for (ITileObserver* follower : m_followers)
                follower->OnWritten(slot.tile, -1, slot.Data(), true);
            slot.bShown = true;
            slot.bUnshown = false;
        }
    } catch (...) {
        m_unshown.erase(m_unshown.begin(), m_unshown.begin() + shown);
        throw;
    }
    m_unshown.erase(m_unshown.begin(), m_unshown.begin() + older);
}

bool CTileWriter::GatherOriginals(int64_t block, TileNumber tile, MeshCorner corner,
                                  const uint8_t* now) {
    // Cells no square wrote hold their originals now; each written cell's
    // original is what its first square found, so the squares are laid on
    // newest first and the oldest wins. A square written since the tile was
    // last written found the map's block as it still is.
    std::memcpy(m_originals.Data(), now, kTileBlockSize);
    const TileRecord& record = m_records[block];
    bool exact = true;
    bool mapRead = false;
    for (auto sq = record.squares.rbegin(); sq != record.squares.rend(); ++sq) {
        if (!SquaresShareCellsIn(sq->corner, corner, tile.tx, tile.ty)) continue;
        uint8_t* packed = m_packed.Data();
        if (sq->applied > record.written || m_mode == Mode::kDryRun) {
            if (!mapRead) {
                m_map.ReadAt(block, m_scratch.Data(), kTileBlockSize);
                mapRead = true;
            }
            CopySquareCells(sq->corner, tile.tx, tile.ty, m_scratch.Data(), packed);
        } else if (!sq->bSpilled || !m_spill.Get({block, sq->corner.x, sq->corner.y}, packed)) {
            exact = false;
            continue;
        }
        UndoPatch(sq->corner, tile.tx, tile.ty, m_originals.Data(), packed);
    }
    return exact;
}

size_t CTileWriter::TilesChanged() const {
    return static_cast<size_t>(
        std::count_if(m_blockDiffering.begin(), m_blockDiffering.end(),
                      [](const std::pair<const int64_t, int64_t>& b) { return b.second != 0; }));
}

bool CTileWriter::InsideMap(MeshCorner corner) const {
    const TileExtent& extent = m_index.Extent();
    if (extent.bEmpty) return false;
    const int64_t x = corner.x, y = corner.y;
    return x + kMeshSide > extent.tx0 * kTileSide && x < extent.tx1 * kTileSide &&
           y + kMeshSide > extent.ty0 * kTileSide && y < extent.ty1 * kTileSide;
}

void CTileWriter::Flush() {
    std::vector<Slot*> all;
    for (auto& slot : m_slots) all.push_back(slot.get());
    WriteBack(std::move(all), true);
}

void CTileWriter::FlushAfterFailure() {
    if (m_mode == Mode::kDryRun) return;
    std::vector<Slot*> dirty;
    for (auto& slot : m_slots)
        if (slot->bDirty) dirty.push_back(slot.get());
    try {
        JournalWrites(dirty);
    } catch (const std::exception&) {
        // The journal is not on disk: no block may be overwritten.
        if (!dirty.empty()) {
            m_bPartial = true;
            m_bWritesShown = false;  // tiles changed in the cache were never written
        }
        return;
    }
    // Each tile on its own: one that cannot be written keeps none of the
    // others from the disk.
    for (Slot* slot : dirty) {
        try {
            WriteBlock(slot->block, slot->tile, slot->Data());
            slot->bDirty = false;
            slot->bShown = m_bWritesShown;
            m_records[slot->block].written = ++m_clock;
        } catch (const std::exception&) {
            m_bPartial = true;
        }
    }
}

void CTileWriter::ShowFinalTiles() {
    // The observers that follow the writes and learned the tiles from them
    // need only a dry run's tiles not shown so far; the others, every tile.
    std::vector<ITileObserver*> readers;
    if (m_bWritesShown) {
        for (Slot* slot : m_unshown)
            for (ITileObserver* follower : m_followers)
                follower->OnFinal(slot->tile, slot->Data(), true);
        m_unshown.clear();
        for (ITileObserver* observer : m_observers)
            if (!observer->FollowsWrites()) readers.push_back(observer);
    } else {
        readers = m_observers;
    }
    if (readers.empty()) return;
    for (ITileObserver* observer : readers)
        if (observer->FollowsWrites()) observer->OnFinalTilesAgain();
    // Every tile read, as the observer has each as it was: one that only a
    // failed mesh patched is left as it was too.
    CAlignedBuffer scratch(kTileBlockSize);
    for (const auto& [tile, block] : m_read) {
        // A real run's tiles are what the map holds: a tile still changed in
        // the cache is one that could not be written.
        const auto held = m_held.find(block);
        if (held != m_held.end() && !m_bOverlap &&
            (m_mode == Mode::kDryRun || !held->second->bDirty)) {
            for (ITileObserver* observer : readers)
                observer->OnFinal(tile, held->second->Data(), true);
        } else {
            if (m_mode == Mode::kDryRun)
                ReadCurrent(block, scratch.Data());
            else
                m_map.ReadAt(block, scratch.Data(), kTileBlockSize);
            for (ITileObserver* observer : readers) observer->OnFinal(tile, scratch.Data(), false);
        }
    }
}

CTileWriter::Slot* CTileWriter::Acquire(TileNumber tile, int64_t block) {
    const auto held = m_held.find(block);
    if (held != m_held.end() && !m_bOverlap) {
        held->second->used = ++m_clock;
        return held->second;
    }
    const bool again = held != m_held.end();  // a dry run's slot for blocks sharing bytes
    Slot* slot = again ? held->second : FreeSlot();
    if (m_mode == Mode::kDryRun && m_bOverlap) {
        // What a real run would read here: the file as the earlier patches
        // of blocks sharing bytes with this one left it.
        CAlignedBuffer current(kTileBlockSize);
        ReadCurrent(block, current.Data());
        std::memcpy(slot->Data(), current.Data(), kTileBlockSize);
    } else if (m_map.ReadAt(block, slot->Data(), kTileBlockSize) < kTileBlockSize) {
        return nullptr;  // the file shrank under the run: the slot stays free
    } else if (m_bWritesShown && WrittenBefore(block)) {
        for (ITileObserver* follower : m_followers)
            follower->OnReadAgain(tile, block, slot->Data(), false);
    }
    if (m_seen.count(block) == 0) {
        JournalFirstRead(block, slot->Data());
        // A dry run's view of blocks that share bytes is not the map's.
        const bool onDisk = m_mode == Mode::kWrite || !m_bOverlap;
        for (ITileObserver* observer : m_observers)
            observer->OnFirstRead(tile, onDisk ? block : -1, slot->Data());
        m_seen.insert(block);
        m_read.emplace_back(tile, block);
    }
    slot->block = block;
    slot->tile = tile;
    slot->used = ++m_clock;
    m_held[block] = slot;
    return slot;
}

CTileWriter::Slot* CTileWriter::FreeSlot() {
    for (auto& slot : m_slots)
        if (slot->block < 0) return slot.get();
    if (m_mode == Mode::kDryRun || m_slots.size() < m_capacity) {
        m_slots.push_back(std::make_unique<Slot>(m_arena.Allocate()));
        return m_slots.back().get();
    }
    // Full: when every tile is changed, the older half goes to disk in one
    // batch (one commit of the journal for all of them); then the tile used
    // longest ago makes room. The current mesh's tiles stay.
    std::vector<Slot*> byAge;
    for (auto& slot : m_slots)
        if (!Pinned(slot.get())) byAge.push_back(slot.get());
    std::sort(byAge.begin(), byAge.end(), [](Slot* a, Slot* b) { return a->used < b->used; });
    const bool anyClean =
        std::any_of(byAge.begin(), byAge.end(), [](Slot* s) { return !s->bDirty; });
    if (!anyClean) WriteBack({byAge.begin(), byAge.begin() + (byAge.size() + 1) / 2}, false);
    Slot* victim = *std::find_if(byAge.begin(), byAge.end(), [](Slot* s) { return !s->bDirty; });
    Release(victim);
    return victim;
}

bool CTileWriter::Pinned(const Slot* slot) const {
    return m_bPinning && std::any_of(m_patched.begin(), m_patched.end(),
                                     [&](const Patched& p) { return p.block == slot->block; });
}

void CTileWriter::Release(Slot* slot) {
    m_held.erase(slot->block);
    slot->block = -1;
    slot->bShown = false;
}

void CTileWriter::WriteBack(std::vector<Slot*> slots, bool final) {
    slots.erase(std::remove_if(slots.begin(), slots.end(), [](Slot* s) { return !s->bDirty; }),
                slots.end());
    if (slots.empty() || m_mode == Mode::kDryRun) return;
    if (!final)
        for (Slot* slot : slots) SpillKeptSquares(slot->block, slot->tile);
    JournalWrites(slots);
    // In file order: the disk sees one pass instead of a scatter.
    std::sort(slots.begin(), slots.end(), [](Slot* a, Slot* b) { return a->block < b->block; });
    for (Slot* slot : slots) {
        WriteBlock(slot->block, slot->tile, slot->Data());
        slot->bDirty = false;
        slot->bShown = m_bWritesShown;
        m_records[slot->block].written = ++m_clock;
    }
}

void CTileWriter::SpillKeptSquares(int64_t block, TileNumber tile) {
    // The squares written since the tile's last write found the map's block
    // as it still is: what they overwrote is read there, the last time.
    TileRecord& record = m_records[block];
    bool read = false;
    for (Square& sq : record.squares) {
        if (!sq.bKeep || sq.bSpilled || sq.applied < record.written) continue;
        if (!read) {
            m_map.ReadAt(block, m_scratch.Data(), kTileBlockSize);
            read = true;
        }
        const int64_t cells =
            CopySquareCells(sq.corner, tile.tx, tile.ty, m_scratch.Data(), m_packed.Data());
        m_spill.Put({block, sq.corner.x, sq.corner.y}, m_packed.Data(),
                    static_cast<uint32_t>(2 * cells));
        sq.bSpilled = true;
    }
}

void CTileWriter::ReadCurrent(int64_t block, uint8_t* bytes) {
    m_map.ReadAt(block, bytes, kTileBlockSize);
    // Changes not on disk, oldest first, so that where blocks share bytes
    // the latest patch wins as it would on disk.
    std::vector<Slot*> pending;
    for (auto& slot : m_slots)
        if (slot->block >= 0 && slot->bDirty && slot->block < block + int64_t{kTileBlockSize} &&
            block < slot->block + int64_t{kTileBlockSize})
            pending.push_back(slot.get());
    std::sort(pending.begin(), pending.end(),
              [](Slot* a, Slot* b) { return a->written < b->written; });
    for (Slot* slot : pending) {
        const int64_t from = std::max(block, slot->block);
        const int64_t to = std::min(block, slot->block) + int64_t{kTileBlockSize};
        std::memcpy(bytes + (from - block), slot->Data() + (from - slot->block),
                    static_cast<size_t>(to - from));
    }
}

bool CTileWriter::WrittenBefore(int64_t block) const {
    const auto record = m_records.find(block);
    return record != m_records.end() && record->second.written != 0;
}

void CTileWriter::WriteBlock(int64_t block, TileNumber tile, const uint8_t* bytes) {
    for (ITileObserver* observer : m_observers) observer->BeforeWrite(block);
    try {
        m_map.WriteAt(block, bytes, kTileBlockSize);
    } catch (...) {
        m_bWritesShown = false;  // the block may hold anything now
        throw;
    }
    if (m_bWritesShown)
        for (ITileObserver* follower : m_followers) follower->OnWritten(tile, block, bytes, false);
}

void CTileWriter::MarkChanged(Slot& slot) {
    slot.bDirty = true;
    slot.written = slot.used = ++m_clock;
}
