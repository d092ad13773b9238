#pragma once

#include <cstddef>
#include <cstdint>

// Converts the 200 fields of a record line (starting at its first field) to
// whole metres, each as (atoi(field) + 5) / 10. `available` is how many
// bytes may be read from `fields` (at least the 1000 of the fields); bytes
// past the fields may hold anything.
//
// Takes the current vector path (see VectorPath.h): AVX2 eight fields at a
// time, SSSE3 four at a time, or a table-driven conversion of one field at a
// time; all give exactly the same results.
void ConvertRecordFields(const char* fields, size_t available, int16_t* out);
