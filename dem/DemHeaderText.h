#pragma once

#include <cstdint>
#include <string>

#include "dem/DemGrid.h"

// The texts of a DEM file's header as its elements hold them, white space
// around them trimmed.
struct DemHeaderText {
    std::string mesh;
    std::string srsName;                   // the envelope's
    std::string lowerCorner, upperCorner;  // "latitude longitude" in degrees
    std::string low, high;                 // the grid's first and last cell: "column row"
    std::string sequenceOrder;             // the sequence rule's order attribute
    std::string sequenceRule;
    std::string startPoint;  // "column row"
};

// Sets the header's mesh code, extent, grid and start point from the texts
// (not its product), checking that the envelope is in JGD2000, JGD2011 or
// JGD2024 latitude and longitude and agrees with the mesh code to 1e-6
// degree, that the grid starts at 0 0 and is at most kMaxDemSide by
// kMaxDemSide and kMaxDemCells, that the tuples run "+x-y" Linear, and that
// the start point lies in the grid. False with failure saying why otherwise.
bool CheckDemHeader(const DemHeaderText& text, DemHeader& header, std::string& failure);

// The grid's size from the texts of its first and last cell, checked as
// CheckDemHeader checks it.
bool DemGridSize(const std::string& low, const std::string& high, int32_t& columns, int32_t& rows,
                 std::string& failure);
