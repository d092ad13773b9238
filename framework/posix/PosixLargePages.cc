#include <sys/mman.h>

#include <cstdint>

#include "framework/LargePages.h"

void* ReserveLargePages(size_t size, size_t alignment, void** base, size_t* reserved) {
    // Whole large pages, so that the last one is backed by one too instead
    // of by up to 511 small ones, and room to move the start onto an
    // alignment boundary.
    const size_t whole = (size + kLargePage - 1) / kLargePage * kLargePage;
    const size_t total = whole + alignment;
    void* mapped = mmap(nullptr, total, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) return nullptr;
    const auto address = reinterpret_cast<uintptr_t>(mapped);
    void* aligned = reinterpret_cast<void*>((address + alignment - 1) & ~(alignment - 1));
#ifdef MADV_HUGEPAGE
    // A wish, not a need: without large pages the memory is as good.
    madvise(aligned, whole, MADV_HUGEPAGE);
#endif
    *base = mapped;
    *reserved = total;
    return aligned;
}

void ReleaseLargePages(void* base, size_t reserved) { munmap(base, reserved); }
