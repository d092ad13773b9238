#include <sys/mman.h>

#include <cstdint>

#include "framework/LargePages.h"

void* ReserveLargePages(size_t size, size_t alignment, void** base, size_t* reserved) {
    // Room to move the start onto an alignment boundary.
    const size_t total = size + alignment;
    void* mapped = mmap(nullptr, total, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) return nullptr;
    const auto address = reinterpret_cast<uintptr_t>(mapped);
    void* aligned = reinterpret_cast<void*>((address + alignment - 1) & ~(alignment - 1));
#ifdef MADV_HUGEPAGE
    // A wish, not a need: without large pages the memory is as good.
    madvise(aligned, size, MADV_HUGEPAGE);
#endif
    *base = mapped;
    *reserved = total;
    return aligned;
}

void ReleaseLargePages(void* base, size_t reserved) { munmap(base, reserved); }
