#pragma once

#include <memory>

#include "elevation/TileIndex.h"
#include "framework/File.h"

class ICorrectionUi;

// The map a run in the host corrects, opened for exclusive reading and
// writing once the host has let it go, with its header and index.
struct OpenedMap {
    std::unique_ptr<CFile> file;
    DCMHEADER header;
    CTileIndex index;
};

// Opens the map and loads its index; where it cannot be opened or used,
// tells the user as a correction does and returns false.
bool OpenMapForRun(const char* dcmPath, OpenedMap& map, ICorrectionUi& ui);
