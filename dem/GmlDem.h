#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "dem/DemGrid.h"

// Reads the national DEM's GML files (UTF-8 XML, one mesh each): a
// <Dataset> holding one <DEM> with its <type>, <mesh>, the envelope, the
// grid's limits, the tuple list and its sequence rule and start point.

// What a read found.
enum class DemRead {
    kDem,          // a DEM, read and checked
    kUnknownType,  // a DEM of a type not among DemProduct: the caller skips it
    kNotDem,       // a well-formed document without a DEM (another base-map layer)
    kUnusable,     // broken, or against what the reader can place on the map
    kNeedMore,     // a head read's bytes end before the DEM's tuple list
};

// A head read's start point when the file gives it after the tuple list.
constexpr int32_t kDemStartUnknown = -1;

// The largest grid a file may declare: a side and the whole.
constexpr int32_t kMaxDemSide = 16384;
constexpr int64_t kMaxDemCells = int64_t{1} << 24;

// How a read takes the tuple list: kFast reads plain tuple text straight
// from the bytes and leaves anything unusual (an entity, a comment, CDATA)
// to the XML parser; kParser reads all of it from the parser's text. Both
// give the same result; kParser is there to show that they do.
enum class DemTupleScan { kFast, kParser };

// Reads the head of a file, its first bytes up to the DEM's tuple list: the
// document, the DEM, its <type>, <mesh>, envelope and grid, and its sequence
// rule and start point when they come before the list (the survey's files
// have them after it). kDem with the header set when the head is complete
// and checked; its start point is kDemStartUnknown unless the head holds
// it. kNeedMore when the bytes end before the tuple list and are not all of
// the file (bWhole false). Otherwise the header is unspecified and failure
// says, in the user's language, what is wrong (also for kUnknownType and kNotDem).
// Where ReadDemFile gives kDem, so does a head read of any first bytes of
// the file that reach its tuple list, with the same header but for an
// unknown start point. fileName tells DEM5C from DEM5B.
DemRead ReadDemHead(const uint8_t* data, size_t size, bool bWhole, const std::string& fileName,
                    DemHeader& header, std::string& failure);

// Reads the whole file into grid: its header, and a value for every cell
// (kDemNoData before the start point and after the last tuple). Results as
// ReadDemHead gives them, never kNeedMore; the whole document must be
// well-formed, the header complete and each tuple must read. grid is
// unspecified unless kDem comes back.
DemRead ReadDemFile(const uint8_t* data, size_t size, const std::string& fileName, DemGrid& grid,
                    std::string& failure, DemTupleScan scan = DemTupleScan::kFast);
