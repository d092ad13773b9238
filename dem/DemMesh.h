#pragma once

#include <cstdint>
#include <string>

#include "dem/DemGrid.h"

// Milliarcseconds in a degree.
constexpr int64_t kMasPerDegree = 3600000;

// Sets the header's mesh code and extent from a mesh code's text: 6 digits
// for a second-level mesh (5' by 7.5'), 8 for a third-level one (30" by
// 45"). False, the header untouched and failure saying why, when the text
// is no such code (other length or characters, a second-level digit above 7).
bool DemMeshExtent(const std::string& code, DemHeader& header, std::string& failure);
