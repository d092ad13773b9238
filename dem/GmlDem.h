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
};

// The largest grid a file may declare: a side and the whole.
constexpr int32_t kMaxDemSide = 16384;
constexpr int64_t kMaxDemCells = int64_t{1} << 24;

// How a read takes the tuple list: kFast reads plain tuple text straight
// from the bytes and leaves anything unusual (an entity, a comment, CDATA)
// to the XML parser; kParser reads all of it from the parser's text. Both
// give the same result; kParser is there to show that they do.
enum class DemTupleScan { kFast, kParser };

// Reads the header of the file's bytes: everything but the tuples, stopping
// as soon as it has all of that (the tuple text is skipped unread). kDem
// with the header set when the header is complete and checked; otherwise
// the header is unspecified and failure says, in English, what is wrong
// (also for kUnknownType and kNotDem). fileName tells DEM5C from DEM5B.
DemRead ReadDemHeader(const uint8_t* data, size_t size, const std::string& fileName,
                      DemHeader& header, std::string& failure);

// Reads the whole file into grid: its header, and a value for every cell
// (kDemNoData before the start point and after the last tuple). Results as
// ReadDemHeader gives them; the whole document must be well-formed and each
// tuple must read. grid is unspecified unless kDem comes back.
DemRead ReadDemFile(const uint8_t* data, size_t size, const std::string& fileName, DemGrid& grid,
                    std::string& failure, DemTupleScan scan = DemTupleScan::kFast);
