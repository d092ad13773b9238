#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "elevation/MeshGrid.h"

class CFile;

// Record lines are 1009 characters: 6 ignored, the 3-digit record number,
// then 200 fields of 5.
constexpr size_t kMeshRecordLength = 9 + 5 * kMeshSide;

// What the caller of a mesh read may ask and learn beyond the grid: a stop
// request, asked before every read from the file (empty: never stop), and
// why a read gave -1.
struct MeshReadControl {
    std::function<bool()> stopRequested;
    bool stopped = false;  // the stop request ended the read
    std::string failure;   // why the file cannot be used, when not stopped (user's language)
    int records = 0;       // record lines stored, when the read gave a code
};

// Reads a mesh elevation file into grid and returns the mesh code of its
// first line (the value of its first six characters).
// Returns -1, leaving grid untouched, when the file cannot be opened; returns
// -1 too when it is empty, cut short (its last line has no line end and is
// shorter than a record line) or cannot be read to its end (grid then
// undefined).
// Rows without a record hold kNoElevation. A record line shorter than 1009
// characters, or whose record number is not 001 to 200, is skipped.
int32_t ReadMemFile(const std::string& path, MeshGrid& grid);

// The same on a file already open, reading through the caller's scratch
// buffer (see CTextModeLines); file errors propagate as CFileException.
// With a control: returns -1 and sets its stopped flag when its stop request
// ended the read, and notes in its failure why an empty or cut file gave -1.
int32_t ReadMeshText(CFile& file, MeshGrid& grid, char* scratch, size_t scratchSize,
                     MeshReadControl* control = nullptr);

// ReadMemFile reading through the caller's scratch buffer. With a control:
// returns -1 and sets its stopped flag when its stop request ended the read,
// and otherwise notes in its failure the reason of a -1 (a file that is
// missing, not a regular file, unreadable, empty or cut short).
int32_t ReadMemFile(const std::string& path, MeshGrid& grid, char* scratch, size_t scratchSize,
                    MeshReadControl* control = nullptr);

// The value of a text field as the C library's atoi reads it, limited to the
// n bytes at p: leading white space, an optional sign, then digits.
int MeshFieldValue(const char* p, size_t n);

// Whole metres from tenths: (v + 5) / 10, the division truncating.
inline int16_t TenthsToMetres(int v) { return static_cast<int16_t>((v + 5) / 10); }
