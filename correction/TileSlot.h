#pragma once

#include <cstdint>

#include "correction/TileWriter.h"

// One tile of the writer's cache: the writer's files share it.
struct CTileWriter::Slot {
    int64_t block = -1;  // -1: free
    TileNumber tile{};
    bool bDirty = false;
    bool bShown = false;    // shown to the observer as written, as it stands
    bool bUnshown = false;  // a dry run's tile in m_unshown
    uint64_t used = 0;      // clock of the last patch or lookup
    uint64_t written = 0;   // clock of the last patch
    uint8_t* data;          // kTileBlockSize bytes of the writer's arena

    explicit Slot(uint8_t* bytes) : data(bytes) {}
    uint8_t* Data() { return data; }
};
