#pragma once

#include <string>

#include "dem/DemGrid.h"

// The product a DEM file's <type> text names, as UTF-8 text: false when the
// text names none of them. The 5 m products of landform survey share one
// text; a file whose name holds "DEM5C" is the C product, any other the B.
bool DemProductOfType(const std::string& type, const std::string& fileName, DemProduct& product);

// The <type> text (UTF-8) of a product's files.
const char* DemTypeText(DemProduct product);

// The name with its ASCII letters in capitals: the survey's file names are
// read without regard to case.
std::string InCapitals(std::string name);

// The date a survey file's own name carries, the eight digits after the
// product's name ("FG-GML-5339-46-DEM10B-20161001.xml": "20161001"), the
// case of the letters aside; empty for a name without one.
std::string DemDateOfName(const std::string& fileName, DemProduct product);

// True when the grid's size is the one the survey's files of its product
// have: 225 by 150 cells for the 5 m products (a third-level mesh in 0.2"),
// 1125 by 750 for the 10 m ones (a second-level mesh in 0.4"); the 1 m
// product is taken as it comes. False with why otherwise: a grid one cell
// larger than its extent moves every value of the file.
bool DemGridFitsProduct(const DemHeader& header, std::string& failure);

// The product's short name, as the survey names its files: "DEM1A" for the
// 1 m product, "DEM5A", "DEM5B", "DEM5C", "DEM10A", "DEM10B".
const char* DemProductName(DemProduct product);
