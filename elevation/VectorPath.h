#pragma once

#include <vector>

// The vector instructions the hot loops of a run may use, widest first: AVX2,
// SSSE3 (nearly every x86 processor since 2006), and plain code. Each loop
// takes the widest path it has that the processor can run; all paths give
// exactly the same results.
enum class VectorPath { kAvx2, kSsse3, kPortable };

// The paths this processor can take, widest first.
std::vector<VectorPath> SupportedVectorPaths();

// The path the loops take now: the widest the processor has, unless
// UseVectorPath chose a narrower one.
VectorPath CurrentVectorPath();

// Makes the loops take path (or the widest the processor has, if it lacks
// that one) from now on, so that tests and fuzzers reach every path that the
// processor would choose on some machine. Not thread-safe.
void UseVectorPath(VectorPath path);
