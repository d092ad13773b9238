#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "elevation/DcmLayout.h"
#include "report/ReliefPicture.h"

class CTileIndex;

// The bounding box of the map cells that mesh files of these codes (see
// SurveyMeshCodes) would write: each square placed and clipped to the tiles
// the map can take cells in. Empty when no cell would be written.
std::optional<CellBox> WrittenArea(const std::vector<int32_t>& codes, const DCMHEADER& header,
                                   const CTileIndex& index, uint64_t fileLength);
