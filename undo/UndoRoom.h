#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

class CTileIndex;
struct DCMHEADER;

// The most bytes the undo file of a run over these squares (mesh codes) can
// take: what identifies the map, each block of a tile the squares touch in
// the index saved once, and a record of sums for every write, a tile being
// written at most once for each square that touches it and once at the end.
uint64_t UndoRoomAtMost(const std::vector<int32_t>& codes, const DCMHEADER& header,
                        const CTileIndex& index, uint64_t fileLength);

// The name of a run's undo file beside the map, by the run's local time:
// MAP.YYYYMMDD-HHMMSS.undo for attempt 1, with "-N" before ".undo" for
// attempt N.
std::string UndoFileName(const std::string& mapPath, const std::tm& local, int attempt);

// The map an undo file so named was made for: its path less
// ".YYYYMMDD-HHMMSS[-N].undo" (the extension in any case); empty when the
// name is not one UndoFileName gives.
std::string MapOfUndoFile(const std::string& undoPath);
