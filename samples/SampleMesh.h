#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Writes mesh elevation files as the survey publishes them: every line 1009
// characters and CR LF, a header line, then one record per stored row.

// Tenths of a metre for record `record` (1 = northernmost) and column j.
using MeshTenths = std::function<int(int record, int j)>;

// The text of a mesh file holding the given records, in the given order.
std::string BuildMeshText(int32_t meshCode, const std::vector<int>& records,
                          const MeshTenths& tenths);

// All records 001 to 200 in ascending order.
std::vector<int> AllMeshRecords();
