#pragma once

#include <cstddef>
#include <cstdint>

// Converts the 200 fields of a record line (starting at its first field) to
// whole metres, each as (atoi(field) + 5) / 10. `available` is how many
// bytes may be read from `fields` (at least the 1000 of the fields); bytes
// past the fields may hold anything.
//
// Uses SSSE3, four fields at a time, where the processor has it (nearly
// every x86 processor since 2006), and the table-driven conversion
// otherwise; both give exactly the same results.
void ConvertRecordFields(const char* fields, size_t available, int16_t* out);
