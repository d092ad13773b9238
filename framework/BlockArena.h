#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Page-aligned blocks of one size, carved from large regions of memory that
// the system may back with large pages. A cache that grows by hundreds of
// tile blocks (a dry run holds every tile it changed) then takes a few page
// faults instead of one for every 4 KiB, and its blocks are as well aligned
// for reads into them as a CAlignedBuffer.
class CBlockArena {
  public:
    // Blocks of blockSize bytes (a multiple of 4096), regionBlocks to a region.
    CBlockArena(size_t blockSize, size_t regionBlocks);
    ~CBlockArena();
    CBlockArena(const CBlockArena&) = delete;
    CBlockArena& operator=(const CBlockArena&) = delete;

    // A block of its own, not zeroed, until the arena goes; throws
    // std::bad_alloc when the system gives no more memory.
    uint8_t* Allocate();

  private:
    struct Region {
        void* base;
        size_t size;
    };
    const size_t m_blockSize;
    const size_t m_regionBlocks;
    std::vector<Region> m_regions;
    uint8_t* m_next = nullptr;  // in the newest region
    size_t m_left = 0;          // blocks left there
};
