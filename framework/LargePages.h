#pragma once

#include <cstddef>

// The size of a large page on the machines we run on; memory that starts on
// one can be backed by them whole.
constexpr size_t kLargePage = 2 * 1024 * 1024;

// Memory of its own: size bytes aligned to `alignment` (a power of two),
// zeroed, which the system is asked to back with large pages where it can;
// null when there is none. Release takes what Reserve gave.
void* ReserveLargePages(size_t size, size_t alignment, void** base, size_t* reserved);
void ReleaseLargePages(void* base, size_t reserved);
