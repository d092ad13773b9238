#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "elevation/MeshPatch.h"

class IMeshFileSource;
struct DCMHEADER;

// The mesh codes of a source's files, read from each file's first line as a
// run reads it, in the order the run applies them. A file that cannot be
// read, or whose code is negative, is left out: the run stops there or
// writes nothing for it. Walks the source once.
std::vector<int32_t> SurveyMeshCodes(IMeshFileSource& meshes);

// Whether the square placed at a corner may be written again later in a run
// that applies the surveyed codes: true for a square that shares a cell
// with the square of another surveyed file (the same code twice, or squares
// that rounding made meet).
std::function<bool(MeshCorner)> SquaresWrittenAgain(const std::vector<int32_t>& codes,
                                                    const DCMHEADER& header);
