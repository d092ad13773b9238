#include "framework/BlockArena.h"

#include <new>

#include "framework/LargePages.h"

CBlockArena::CBlockArena(size_t blockSize, size_t regionBlocks)
    : m_blockSize(blockSize), m_regionBlocks(regionBlocks < 1 ? 1 : regionBlocks) {}

CBlockArena::~CBlockArena() {
    for (const Region& region : m_regions) ReleaseLargePages(region.base, region.size);
}

uint8_t* CBlockArena::Allocate() {
    if (m_left == 0) {
        Region region{};
        void* data =
            ReserveLargePages(m_blockSize * m_regionBlocks, kLargePage, &region.base, &region.size);
        if (data == nullptr) throw std::bad_alloc();
        m_regions.push_back(region);
        m_next = static_cast<uint8_t*>(data);
        m_left = m_regionBlocks;
    }
    uint8_t* block = m_next;
    m_next += m_blockSize;
    --m_left;
    return block;
}
