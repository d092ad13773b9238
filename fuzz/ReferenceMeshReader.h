#pragma once

#include <cstdint>
#include <string>

#include "elevation/MeshGrid.h"

// The mesh reader written straight from the file's definition, for checking
// the fast reader against (fuzzing) and for measuring it against
// (benchmarks): the stream is first translated as text mode does it, split
// into pieces as 2048-byte line reads split it, and every field is copied
// into a buffer of its own and converted with the C library's atoi.
int32_t ReferenceReadMesh(const std::string& bytes, MeshGrid& grid);

// The same reading a file from disk with the C library's stdio.
int32_t ReferenceReadMeshFile(const std::string& path, MeshGrid& grid);
