#pragma once

#include <optional>

#include "elevation/DcmLayout.h"
#include "tools/ReliefPicture.h"

class CTileIndex;
class IMeshFileSource;

// The bounding box of the map cells that the source's mesh files would
// write: each file's mesh code read from its first line as a run reads it,
// its square placed, and clipped to the tiles the map can take cells in.
// Files that cannot be read are left out. Empty when no cell would be
// written. Walks the source once.
std::optional<CellBox> WrittenArea(IMeshFileSource& meshes, const DCMHEADER& header,
                                   const CTileIndex& index, uint64_t fileLength);
