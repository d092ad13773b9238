#include "correction/TileSpill.h"

#include <algorithm>

#include "correction/TempFile.h"
#include "framework/Exception.h"

CTileSpill::CTileSpill() = default;

CTileSpill::~CTileSpill() = default;

bool CTileSpill::OpenFile() {
    if (m_file) return true;
    if (m_bFileFailed) return false;
    try {
        m_file = std::make_unique<CTempFile>("zelvorin-spill-");
        return true;
    } catch (const CFileException&) {
        m_bFileFailed = true;
        return false;
    }
}

void CTileSpill::Put(const Key& key, const uint8_t* bytes, uint32_t size) {
    if (m_places.count(key) != 0) return;
    if (OpenFile()) {
        try {
            m_file->File().WriteAt(m_fileEnd, bytes, size);
            m_places[key] = {m_fileEnd, size};
            m_fileEnd += size;
            return;
        } catch (const CFileException&) {
            // The disk is full, say: memory holds this one.
        }
    }
    m_places[key] = {-1, size};
    m_inMemory[key].assign(bytes, bytes + size);
}

bool CTileSpill::Get(const Key& key, uint8_t* bytes) {
    const auto place = m_places.find(key);
    if (place == m_places.end()) return false;
    if (place->second.at < 0) {
        const std::vector<uint8_t>& kept = m_inMemory[key];
        std::copy(kept.begin(), kept.end(), bytes);
        return true;
    }
    try {
        return m_file->File().ReadAt(place->second.at, bytes, place->second.size) ==
               place->second.size;
    } catch (const CFileException&) {
        return false;
    }
}
