#pragma once

#include <string>

#include "dem/DemGrid.h"

// The product a DEM file's <type> text names, as UTF-8 text: false when the
// text names none of them. The 5 m products of landform survey share one
// text; a file whose name holds "DEM5C" is the C product, any other the B.
bool DemProductOfType(const std::string& type, const std::string& fileName, DemProduct& product);

// The <type> text (UTF-8) of a product's files.
const char* DemTypeText(DemProduct product);

// The date a survey file's own name carries, the eight digits after the
// product's name ("FG-GML-5339-46-DEM10B-20161001.xml": "20161001"), the
// case of the letters aside; empty for a name without one.
std::string DemDateOfName(const std::string& fileName, DemProduct product);

// The product's short name, as the survey names its files: "DEM1A" for the
// 1 m product, "DEM5A", "DEM5B", "DEM5C", "DEM10A", "DEM10B".
const char* DemProductName(DemProduct product);
