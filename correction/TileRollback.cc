// Puts back what a mesh that failed part way had patched, so that the map
// holds it whole or not at all.
#include <algorithm>
#include <exception>
#include <optional>

#include "correction/TileSlot.h"
#include "correction/TileWriter.h"
#include "elevation/MeshPatch.h"
#include "framework/AlignedBuffer.h"
#include "framework/Exception.h"
#include "framework/File.h"

void CTileWriter::RollBack(MeshCorner corner) {
    const bool writeThrough = m_bOverlap && m_mode == Mode::kWrite;
    for (auto it = m_patched.rbegin(); it != m_patched.rend(); ++it) {
        m_cellsDiffering -= it->differing;
        m_blockDiffering[it->block] -= it->differing;
        if (it->bNewSquare) {
            auto& squares = m_records[it->block].squares;
            squares.erase(std::find_if(squares.begin(), squares.end(), [&](const Square& sq) {
                return sq.corner.x == corner.x && sq.corner.y == corner.y;
            }));
        }
        if (it->bFirstTouch) {
            m_touchedBlocks.erase(it->block);
            m_touched.erase(std::find_if(m_touched.begin(), m_touched.end(),
                                         [&](const auto& t) { return t.second == it->block; }));
        }
        const auto held = m_held.find(it->block);
        Slot* slot = held != m_held.end() ? held->second : nullptr;
        if (slot == nullptr || writeThrough) {
            RestoreOnDisk(*it, corner, slot);
            continue;
        }
        // Held: the next write of the tile carries the cells back. Written
        // and shown while the mesh went on (a cache smaller than its tiles):
        // taken back first, as the tile changes.
        if (m_bWritesShown && slot->bShown) {
            try {
                Unshow(*slot);
            } catch (...) {
                m_bWritesShown = false;  // the observer's view of the tile is lost
            }
        }
        if (it->overwritten != nullptr) {
            UndoPatch(corner, it->tile.tx, it->tile.ty, slot->Data(), it->overwritten);
        } else {
            // A first write of the square, and the tile not written since:
            // the map's block holds what it overwrote.
            try {
                if (m_map.ReadAt(it->block, m_scratch.Data(), kTileBlockSize) < kTileBlockSize)
                    throw CFileException(CFileException::Op::kRead, m_map.GetFilePath(),
                                         "the file shrank");
                CopySquareCells(corner, it->tile.tx, it->tile.ty, m_scratch.Data(),
                                m_packed.Data());
                UndoPatch(corner, it->tile.tx, it->tile.ty, slot->Data(), m_packed.Data());
            } catch (const std::exception&) {
                // The tile keeps this part of the mesh beside the whole
                // meshes before it.
                m_bPartial = true;
            }
        }
        MarkChanged(*slot);
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
            if (m_bWritesShown && WrittenBefore(patched.block))
                for (ITileObserver* follower : m_followers)
                    follower->OnReadAgain(patched.tile, patched.block, bytes, false);
        }
        UndoPatch(corner, patched.tile.tx, patched.tile.ty, bytes, patched.overwritten);
        if (slot != nullptr) MarkChanged(*slot);
        JournalWrite(patched.block, bytes);
        WriteBlock(patched.block, patched.tile, bytes);
        m_records[patched.block].written = ++m_clock;
        if (slot != nullptr) {
            slot->bDirty = false;
            Release(slot);
        }
    } catch (const std::exception&) {
        // The map keeps this tile's part of the mesh: the failure that
        // ended the run is reported, and the journal can undo the rest.
        m_bPartial = true;
        m_bWritesShown = false;  // a tile read again may not have been written back
    }
}
