#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "elevation/DcmLayout.h"

class CFile;

// The tiles a map covers: the smallest rectangle of tile numbers holding
// every tile its index lists under a key that TileKey gives. The header
// carries no size of its own, so the index is what says where the map is.
struct TileExtent {
    bool bEmpty = true;        // no entry has such a key
    int64_t tx0 = 0, ty0 = 0;  // first column and row
    int64_t tx1 = 0, ty1 = 0;  // one past the last column and row
};

// The tile index of a map: its entries in file order, and a lookup by key
// that finds the first entry of a key in file order, as a scan from the start
// would, in logarithmic time.
class CTileIndex {
  public:
    void Assign(std::vector<DCMTILEENTRY> entries);
    void Clear();

    const std::vector<DCMTILEENTRY>& Entries() const { return m_entries; }
    // The first entry in file order whose key is key, or null.
    const DCMTILEENTRY* Find(int32_t key) const;
    // The tiles the entries' keys span.
    const TileExtent& Extent() const { return m_extent; }

  private:
    std::vector<DCMTILEENTRY> m_entries;
    std::vector<std::pair<int32_t, uint32_t>> m_firstByKey;  // (key, entry), sorted by key
    TileExtent m_extent;
};

enum class IndexLoad {
    kLoaded,    // header accepted, index holds nTileCount entries
    kRejected,  // header refused, or the file too short for its header or index
    kNoMemory,  // the index could not be allocated
};

// Reads the header from the start of a just-opened map and loads its tile
// index. A header is refused when it is not correctable, when nTileCount or
// lIndexOffset is negative, or when the file cannot hold the header or the
// whole index; then header may be partly filled, index is empty and, when
// why is given, it says in the user's language what is wrong with the map.
// File errors propagate as CFileException.
IndexLoad LoadTileIndex(CFile& file, DCMHEADER& header, CTileIndex& index,
                        std::string* why = nullptr);
