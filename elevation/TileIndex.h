#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "elevation/DcmLayout.h"

class CFile;

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

  private:
    std::vector<DCMTILEENTRY> m_entries;
    std::vector<std::pair<int32_t, uint32_t>> m_firstByKey;  // (key, entry), sorted by key
};

enum class IndexLoad {
    kLoaded,    // header accepted, index holds nTileCount entries
    kRejected,  // header refused, or the file too short for its header or index
    kNoMemory,  // the index could not be allocated
};

// Reads the header from the start of a just-opened map and loads its tile
// index. A header is refused when it is not correctable, when nTileCount or
// lIndexOffset is negative, or when the file cannot hold the header or the
// whole index; then header may be partly filled and index is empty.
// File errors propagate as CFileException.
IndexLoad LoadTileIndex(CFile& file, DCMHEADER& header, CTileIndex& index);
