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

// Sets the header's mesh code, extent and grid from the texts (not its
// product), checking that the envelope is in JGD2000, JGD2011 or JGD2024
// latitude and longitude and agrees with the mesh code to 1e-6 degree, and
// that the grid starts at 0 0 and is at most kMaxDemSide by kMaxDemSide and
// kMaxDemCells. False with failure saying why otherwise.
bool CheckDemHead(const DemHeaderText& text, DemHeader& header, std::string& failure);

// Checks that the tuples run "+x-y" Linear.
bool CheckDemSequenceRule(const DemHeaderText& text, std::string& failure);

// Sets the header's start point, checking that it lies in the header's grid.
bool CheckDemStartPoint(const DemHeaderText& text, DemHeader& header, std::string& failure);

// All three checks, in that order.
bool CheckDemHeader(const DemHeaderText& text, DemHeader& header, std::string& failure);

// The grid's size from the texts of its first and last cell, checked as
// CheckDemHeader checks it.
bool DemGridSize(const std::string& low, const std::string& high, int32_t& columns, int32_t& rows,
                 std::string& failure);
