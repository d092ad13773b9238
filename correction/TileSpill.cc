#include "correction/TileSpill.h"

#include <algorithm>
#include <random>

#include "correction/AppendPath.h"
#include "framework/Exception.h"
#include "framework/File.h"
#include "framework/FileSystem.h"

CTileSpill::CTileSpill() = default;

CTileSpill::~CTileSpill() {
    if (!m_file) return;
    try {
        m_file->Close();
    } catch (const std::exception&) {
    }
    m_file.reset();
    RemoveFile(m_strPath);
}

bool CTileSpill::OpenFile() {
    if (m_file) return true;
    if (m_bFileFailed) return false;
    const std::string folder = TempFolder();
    // A name of its own, made afresh where another process holds one.
    std::random_device seed;
    for (int attempt = 0; attempt < 8 && !folder.empty(); ++attempt) {
        try {
            m_strPath = folder;
            AppendPath(m_strPath, "zelvorin-spill-" + std::to_string(seed()) + ".tmp");
            m_file = ::OpenFile(m_strPath, FileAccess::kCreateNew);
            return true;
        } catch (const CFileException&) {
        }
    }
    m_bFileFailed = true;
    return false;
}

void CTileSpill::Put(const Key& key, const uint8_t* bytes, uint32_t size) {
    if (m_places.count(key) != 0) return;
    if (OpenFile()) {
        try {
            m_file->WriteAt(m_fileEnd, bytes, size);
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
        return m_file->ReadAt(place->second.at, bytes, place->second.size) == place->second.size;
    } catch (const CFileException&) {
        return false;
    }
}
