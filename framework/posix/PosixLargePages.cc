#include <sys/mman.h>

#include <algorithm>
#include <cstdint>

#include "framework/LargePages.h"

void* ReserveLargePages(size_t size, size_t alignment, void** base, size_t* reserved) {
    // Large pages where they are at least half used: a last part of half a
    // large page or more takes a whole one too, instead of up to 511 small
    // ones, each a fault; a smaller one stays in small pages, touched as it
    // is used, so that memory filled a block at a time keeps no large page
    // for a few blocks. Room to move the start onto an alignment boundary.
    const size_t tail = size % kLargePage;
    const size_t whole = size - tail + (tail >= kLargePage / 2 ? kLargePage : 0);
    const size_t total = std::max(size, whole) + alignment;
    void* mapped = mmap(nullptr, total, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) return nullptr;
    const auto address = reinterpret_cast<uintptr_t>(mapped);
    void* aligned = reinterpret_cast<void*>((address + alignment - 1) & ~(alignment - 1));
#ifdef MADV_HUGEPAGE
    // A wish, not a need: without large pages the memory is as good.
    if (whole > 0) madvise(aligned, whole, MADV_HUGEPAGE);
#endif
    *base = mapped;
    *reserved = total;
    return aligned;
}

void ReleaseLargePages(void* base, size_t reserved) { munmap(base, reserved); }
