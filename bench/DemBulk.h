#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "dem/SourceList.h"

// A bulk download of the national DEM made up for the benchmark: 10 m files
// of a block of second-level squares and 5 m files of some third-level
// meshes of its south-west square, each file deflated in a zip of its own
// and those zips in one outer zip per product, as the survey delivers them.
// The terrain rises from a sea in the block's south-east corner to some
// 2,000 m in its north-west, with ridges, centimetre noise and scattered
// patches without data.

struct DemBulkArea {
    int32_t southWestSquare = 533910;  // second-level code of the block's south-west square
    int squaresSide = 4;               // squares a side, one 10 m file each
    int fineSide = 5;                  // 5 m meshes a side from the south-west square's corner
};

// The files' tuples in 5 m cells (0.2" a side) counted east and north from
// 100 E on the equator: what a file's cell holds is the tuple of the 5 m cell
// at its south-west corner.
class CBulkTerrain {
  public:
    explicit CBulkTerrain(const DemBulkArea& area);

    enum class Kind { kGround, kSea, kNoData };
    Kind KindAt(int64_t x, int64_t y) const;
    // The height in centimetres; kDemNoData at sea and where there is no data.
    int32_t Centimetres(int64_t x, int64_t y) const;
    // The tuple as the survey writes it (UTF-8): "地表面,123.45",
    // "海水面,-9999." or "データなし,-9999.".
    std::string Tuple(int64_t x, int64_t y) const;

  private:
    int32_t Ground(int64_t x, int64_t y) const;  // the height where the kind is kGround

    int64_t m_x0, m_y0;        // the block's south-west corner
    double m_width, m_height;  // the block's size
};

struct DemBulk {
    std::vector<DemSource> sources;  // the outer zips: 10 m files, then 5 m ones if any
    int files10m = 0;
    int files5m = 0;
    uint64_t textBytes = 0;  // of the GML files, inflated
    uint64_t zipBytes = 0;   // of the outer zips
};

// Writes the bulk download into dir (which must exist): FG-GML-<mesh>-DEM10B
// and -DEM5A zips of one ".xml" each, in the outer zips dem10b.zip and
// dem5a.zip.
DemBulk WriteDemBulk(const std::filesystem::path& dir, const DemBulkArea& area);

// What the floor of a run found: the members of a zip and of the zips in
// it, other than those zips, inflated piece by piece and summed byte by byte.
struct InflatedMembers {
    int members = 0;
    uint64_t bytes = 0;
    uint64_t sum = 0;  // of all their bytes
};

// The floor of a run's walk: every member of the zip at path, and of the
// zips inside it, inflated with libarchive alone into one 64 KiB buffer, an
// inner zip whole (as a walk must hold it to read it). Exits the program when
// a zip cannot be read.
InflatedMembers InflateZipMembers(const std::string& path);
