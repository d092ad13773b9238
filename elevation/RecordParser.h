#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Converts the 200 fields of a record line (starting at its first field) to
// whole metres, each as (atoi(field) + 5) / 10. `available` is how many
// bytes may be read from `fields` (at least the 1000 of the fields); bytes
// past the fields may hold anything.
//
// Uses the widest of the paths below that the processor has; all give
// exactly the same results.
void ConvertRecordFields(const char* fields, size_t available, int16_t* out);

// The ways of converting fields, widest first: AVX2 eight fields at a time,
// SSSE3 four at a time (nearly every x86 processor since 2006), and the
// table-driven conversion of one field at a time.
enum class FieldConversion { kAvx2, kSsse3, kPortable };

// The paths this processor can take, widest first.
std::vector<FieldConversion> SupportedFieldConversions();

// Makes ConvertRecordFields take path (or the widest the processor has, if
// it lacks that one) from now on, so that tests and fuzzers reach every path
// that the processor would choose on some machine. Not thread-safe.
void UseFieldConversion(FieldConversion path);
