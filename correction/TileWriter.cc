#include "correction/TileWriter.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "elevation/TileIndex.h"
#include "framework/AlignedBuffer.h"
#include "framework/File.h"

struct CTileWriter::Slot {
    int64_t block = -1;  // -1: free
    TileNumber tile{};
    bool bDirty = false;
    uint64_t used = 0;     // clock of the last patch or lookup
    uint64_t written = 0;  // clock of the last patch
    CAlignedBuffer buffer{kTileBlockSize};
    CAlignedBuffer original{kTileBlockSize};  // the tile as before the run

    uint8_t* Data() { return buffer.Data(); }
    uint8_t* Original() { return original.Data(); }
};

namespace {

// Runs a call of the journal, telling its failure apart from the map's.
template <class Call>
void OnJournal(Call call) {
    try {
        call();
    } catch (const CJournalException&) {
        throw;
    } catch (const CFileException& failure) {
        throw CJournalException(failure);
    }
}

}  // namespace

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
                         size_t capacity, ITileJournal* journal, ITileObserver* observer)
    : m_map(map),
      m_index(index),
      m_header(header),
      m_mode(mode),
      m_capacity(std::max<size_t>(capacity, 1)),
      m_journal(mode == Mode::kWrite ? journal : nullptr),
      m_observer(observer),
      m_fileLength(map.GetLength()),
      m_bOverlap(IndexHasOverlappingBlocks(index, m_fileLength)) {}

CTileWriter::~CTileWriter() = default;

MeshTally CTileWriter::Apply(int32_t meshCode, const MeshGrid& grid) {
    MeshTally tally;
    const auto corner = PlaceMesh(meshCode, m_header);
    if (!corner) return tally;
    tally.bInsideMap = InsideMap(*corner);
    const MeshTiles tiles = TilesUnderMesh(*corner);
    m_patched.clear();
    uint8_t* overwritten = m_overwritten.Data();
    try {
        for (int i = 0; i < tiles.count; ++i) {
            const TileNumber tile = tiles.tiles[i];
            const auto block = WritableBlock(m_index, tile, m_fileLength);
            if (!block) continue;
            Slot* slot = Acquire(tile, *block);
            if (slot == nullptr) continue;
            const PatchCount count = PatchTile(grid, *corner, tile.tx, tile.ty, slot->Data(),
                                               {slot->Original(), overwritten});
            MarkChanged(*slot);
            // Two keys may list one block: it counts once.
            if (std::none_of(m_patched.begin(), m_patched.end(),
                             [&](const Patched& p) { return p.block == *block; }))
                ++tally.tiles;
            const bool first = m_touchedBlocks.insert(*block).second;
            if (first) m_touched.emplace_back(tile, *block);
            m_patched.push_back({tile, *block, overwritten, count.differing, first});
            overwritten += 2 * count.cells;
            m_differing[*block] += count.differing;
            m_cellsDiffering += count.differing;
            tally.cells += count.cells;
            tally.changed += count.changed;
            if (m_bOverlap && m_mode == Mode::kWrite) {
                // Blocks share bytes: the next read must see this write.
                WriteBack({slot});
                Release(slot);
            }
        }
    } catch (...) {
        RollBack(*corner);
        throw;
    }
    return tally;
}

bool CTileWriter::InsideMap(MeshCorner corner) const {
    const TileExtent& extent = m_index.Extent();
    if (extent.bEmpty) return false;
    const int64_t x = corner.x, y = corner.y;
    return x + kMeshSide > extent.tx0 * kTileSide && x < extent.tx1 * kTileSide &&
           y + kMeshSide > extent.ty0 * kTileSide && y < extent.ty1 * kTileSide;
}

void CTileWriter::RollBack(MeshCorner corner) {
    const bool writeThrough = m_bOverlap && m_mode == Mode::kWrite;
    for (auto it = m_patched.rbegin(); it != m_patched.rend(); ++it) {
        m_differing[it->block] -= it->differing;
        m_cellsDiffering -= it->differing;
        if (it->bFirstTouch) {
            m_touchedBlocks.erase(it->block);
            m_touched.erase(std::find_if(m_touched.begin(), m_touched.end(),
                                         [&](const auto& t) { return t.second == it->block; }));
        }
        const auto held = m_held.find(it->block);
        Slot* slot = held != m_held.end() ? held->second : nullptr;
        if (slot != nullptr && !writeThrough) {
            // Held: the next write of the tile carries the cells back.
            UndoPatch(corner, it->tile.tx, it->tile.ty, slot->Data(), it->overwritten);
            MarkChanged(*slot);
        } else {
            RestoreOnDisk(*it, corner, slot);
        }
    }
    m_patched.clear();
}

void CTileWriter::RestoreOnDisk(const Patched& patched, MeshCorner corner, Slot* slot) {
    try {
        // Newest first, each read as the later restorations left it, so that
        // where blocks share bytes every byte ends as before the mesh.
        std::optional<CAlignedBuffer> scratch;
        uint8_t* bytes = slot != nullptr ? slot->Data() : nullptr;
        if (bytes == nullptr) {
            scratch.emplace(kTileBlockSize);
            bytes = scratch->Data();
            if (m_map.ReadAt(patched.block, bytes, kTileBlockSize) < kTileBlockSize) return;
        }
        UndoPatch(corner, patched.tile.tx, patched.tile.ty, bytes, patched.overwritten);
        if (slot != nullptr) MarkChanged(*slot);
        JournalWrite(patched.block, bytes);
        m_map.WriteAt(patched.block, bytes, kTileBlockSize);
        if (slot != nullptr) {
            slot->bDirty = false;
            Release(slot);
        }
    } catch (const std::exception&) {
        // The map keeps this tile's part of the mesh: the failure that
        // ended the run is reported, and the journal can undo the rest.
        m_bPartial = true;
    }
}

void CTileWriter::Flush() {
    std::vector<Slot*> all;
    for (auto& slot : m_slots) all.push_back(slot.get());
    WriteBack(std::move(all));
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
        if (!dirty.empty()) m_bPartial = true;
        return;
    }
    // Each tile on its own: one that cannot be written keeps none of the
    // others from the disk.
    for (Slot* slot : dirty) {
        try {
            m_map.WriteAt(slot->block, slot->Data(), kTileBlockSize);
            slot->bDirty = false;
        } catch (const std::exception&) {
            m_bPartial = true;
        }
    }
}

void CTileWriter::ShowFinalTiles() {
    if (m_observer == nullptr) return;
    CAlignedBuffer scratch(kTileBlockSize);
    for (const auto& [tile, block] : m_touched) {
        const auto held = m_held.find(block);
        if (held != m_held.end() && !m_bOverlap) {
            m_observer->OnFinal(tile, held->second->Data());
        } else {
            ReadCurrent(block, scratch.Data());
            m_observer->OnFinal(tile, scratch.Data());
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
    }
    if (m_seen.count(block) == 0) {
        if (m_journal != nullptr) OnJournal([&] { m_journal->Save(block, slot->Data()); });
        if (m_observer != nullptr) m_observer->OnFirstRead(tile, slot->Data());
        m_seen.insert(block);
        std::memcpy(slot->Original(), slot->Data(), kTileBlockSize);
    } else if (!again && !m_spill.Get(block, slot->Original())) {
        // It left the cache as it was before the run.
        std::memcpy(slot->Original(), slot->Data(), kTileBlockSize);
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
        m_slots.push_back(std::make_unique<Slot>());
        return m_slots.back().get();
    }
    // Full: when every tile is changed, the older half goes to disk in one
    // batch (one commit of the journal for all of them); then the tile used
    // longest ago makes room.
    std::vector<Slot*> byAge;
    for (auto& slot : m_slots) byAge.push_back(slot.get());
    std::sort(byAge.begin(), byAge.end(), [](Slot* a, Slot* b) { return a->used < b->used; });
    const bool anyClean =
        std::any_of(byAge.begin(), byAge.end(), [](Slot* s) { return !s->bDirty; });
    if (!anyClean) WriteBack({byAge.begin(), byAge.begin() + (byAge.size() + 1) / 2});
    Slot* victim = *std::find_if(byAge.begin(), byAge.end(), [](Slot* s) { return !s->bDirty; });
    Release(victim);
    return victim;
}

void CTileWriter::Release(Slot* slot) {
    if (m_differing[slot->block] != 0) m_spill.Put(slot->block, slot->Original());
    m_held.erase(slot->block);
    slot->block = -1;
}

void CTileWriter::WriteBack(std::vector<Slot*> slots) {
    slots.erase(std::remove_if(slots.begin(), slots.end(), [](Slot* s) { return !s->bDirty; }),
                slots.end());
    if (slots.empty() || m_mode == Mode::kDryRun) return;
    JournalWrites(slots);
    // In file order: the disk sees one pass instead of a scatter.
    std::sort(slots.begin(), slots.end(), [](Slot* a, Slot* b) { return a->block < b->block; });
    for (Slot* slot : slots) {
        m_map.WriteAt(slot->block, slot->Data(), kTileBlockSize);
        slot->bDirty = false;
    }
}

void CTileWriter::JournalWrites(const std::vector<Slot*>& slots) {
    if (m_journal == nullptr || slots.empty()) return;
    OnJournal([&] {
        for (Slot* slot : slots) m_journal->Intend(slot->block, slot->Data());
        m_journal->Commit();
    });
}

void CTileWriter::JournalWrite(int64_t block, const uint8_t* bytes) {
    if (m_journal == nullptr) return;
    OnJournal([&] {
        m_journal->Intend(block, bytes);
        m_journal->Commit();
    });
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

void CTileWriter::MarkChanged(Slot& slot) {
    slot.bDirty = true;
    slot.written = slot.used = ++m_clock;
}
