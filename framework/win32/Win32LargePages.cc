#include <windows.h>

#include "framework/LargePages.h"

void* ReserveLargePages(size_t size, size_t, void** base, size_t* reserved) {
    // Large pages need a privilege that users seldom hold: plain pages,
    // committed at once and page-aligned, as VirtualAlloc gives them.
    void* memory = VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    *base = memory;
    *reserved = size;
    return memory;
}

void ReleaseLargePages(void* base, size_t) { VirtualFree(base, 0, MEM_RELEASE); }
