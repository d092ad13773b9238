#include "correction/TileSpill.h"

#include <cstring>
#include <filesystem>
#include <random>

#include "elevation/DcmLayout.h"
#include "framework/Exception.h"
#include "framework/File.h"

CTileSpill::CTileSpill() = default;

CTileSpill::~CTileSpill() {
    if (!m_file) return;
    try {
        m_file->Close();
    } catch (const std::exception&) {
    }
    m_file.reset();
    std::error_code ignored;
    std::filesystem::remove(m_strPath, ignored);
}

bool CTileSpill::OpenFile() {
    if (m_file) return true;
    if (m_bFileFailed) return false;
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(ec);
    // A name of its own, made afresh where another process holds one.
    std::random_device seed;
    for (int attempt = 0; attempt < 8 && !ec; ++attempt) {
        const std::string name = "zelvorin-spill-" + std::to_string(seed()) + ".tmp";
        try {
            m_strPath = (folder / name).string();
            m_file = ::OpenFile(m_strPath, FileAccess::kCreateNew);
            return true;
        } catch (const CFileException&) {
        }
    }
    m_bFileFailed = true;
    return false;
}

void CTileSpill::Put(int64_t block, const uint8_t* bytes) {
    if (m_atInFile.count(block) != 0 || m_inMemory.count(block) != 0) return;
    if (OpenFile()) {
        try {
            m_file->WriteAt(m_fileEnd, bytes, kTileBlockSize);
            m_atInFile[block] = m_fileEnd;
            m_fileEnd += kTileBlockSize;
            return;
        } catch (const CFileException&) {
            // The disk is full, say: memory holds this one.
        }
    }
    m_inMemory[block].assign(bytes, bytes + kTileBlockSize);
}

bool CTileSpill::Get(int64_t block, uint8_t* bytes) {
    const auto memory = m_inMemory.find(block);
    if (memory != m_inMemory.end()) {
        std::memcpy(bytes, memory->second.data(), kTileBlockSize);
        return true;
    }
    const auto at = m_atInFile.find(block);
    if (at == m_atInFile.end()) return false;
    try {
        return m_file->ReadAt(at->second, bytes, kTileBlockSize) == kTileBlockSize;
    } catch (const CFileException&) {
        return false;
    }
}
