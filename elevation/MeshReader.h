#pragma once

#include <cstdint>
#include <string>

#include "elevation/MeshGrid.h"

class CFile;

// Record lines are 1009 characters: 6 ignored, the 3-digit record number,
// then 200 fields of 5.
constexpr size_t kMeshRecordLength = 9 + 5 * kMeshSide;

// Reads a mesh elevation file into grid and returns the mesh code of its
// first line (the value of its first six characters).
// Returns -1, leaving grid untouched, when the file cannot be opened; returns
// -1 too when it is empty or cannot be read to its end (grid then undefined).
// Rows without a record hold kNoElevation. A record line shorter than 1009
// characters, or whose record number is not 001 to 200, is skipped.
int32_t ReadMemFile(const std::string& path, MeshGrid& grid);

// The same on a file already open, reading through the caller's scratch
// buffer (see CTextModeLines); file errors propagate as CFileException.
// When records is given, it receives the number of record lines stored.
int32_t ReadMeshText(CFile& file, MeshGrid& grid, char* scratch, size_t scratchSize,
                     int* records = nullptr);

// ReadMemFile reading through the caller's scratch buffer.
int32_t ReadMemFile(const std::string& path, MeshGrid& grid, char* scratch, size_t scratchSize,
                    int* records = nullptr);

// The value of a text field as the C library's atoi reads it, limited to the
// n bytes at p: leading white space, an optional sign, then digits.
int MeshFieldValue(const char* p, size_t n);

// Whole metres from tenths: (v + 5) / 10, the division truncating.
inline int16_t TenthsToMetres(int v) { return static_cast<int16_t>((v + 5) / 10); }
