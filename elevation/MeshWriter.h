#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "elevation/MeshGrid.h"

// Writes mesh elevation files in the survey's national layout, for the
// plug-in and the tool to read back (MeshReader.h):
// - every line, the header too, is 1009 characters and CR LF;
// - the header (1-based columns): the mesh code (1-6), the points east-west
//   and north-south "200200" (24-29), the south-west and north-east corners
//   as latitude and longitude DDDMMSS (30-57), no map sheet "0" (58), the
//   records stored "200" (143-145) and a flag "1" for each row (226-425);
//   the years of survey, revision and publication (12-23, see
//   MeshFileText); the scale, sheet names and comment are left blank;
// - then records 001 (northernmost) to 200: the mesh code in the six
//   characters a reader skips, the record number, and 200 fields of five
//   characters, tenths of a metre right-aligned, west to east.

// The fields of one mesh square in tenths of a metre, as the file holds
// them; row 0 southernmost, column 0 westernmost, row-major (as MeshGrid).
struct MeshFields {
    int32_t cells[kMeshCells];

    int32_t& At(int row, int col) { return cells[row * kMeshSide + col]; }
    int32_t At(int row, int col) const { return cells[row * kMeshSide + col]; }
};

// The lowest and highest values a field of five characters holds.
constexpr int32_t kLowestField = -9999;
constexpr int32_t kHighestField = 99999;

// The field that a reader takes back, through (v + 5) / 10 truncated and
// EncodeTileCell, as the map's tile cell value `tile`: -9999 for 0 (no data),
// 10 t - 5 for depths t of -99 to -1, and 10 (tile - 1) for the elevations
// 1 to 10000. Empty for any other value, which no field gives.
std::optional<int32_t> FieldForTileCell(int16_t tile);

// The whole text of the mesh file of meshCode (0 to 999999) holding fields,
// its header giving year (0 to 9999) as the years of survey, revision and
// digitising. Throws std::out_of_range, before anything is built, for a mesh
// code, a field or a year that does not fit its columns.
std::string MeshFileText(int32_t meshCode, const MeshFields& fields, int year);
