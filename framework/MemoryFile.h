#pragma once

#include <cstdint>
#include <vector>

#include "framework/Exception.h"
#include "framework/File.h"

// A CFile over bytes in memory, for tests and fuzzing. Writes past the end
// grow the file as a disk file would.
class CMemoryFile final : public CFile {
  public:
    explicit CMemoryFile(std::vector<uint8_t> bytes, std::string path = "memory")
        : m_bytes(std::move(bytes)), m_strPath(std::move(path)) {}

    uint32_t Read(void* buffer, uint32_t count) override;
    void Seek(int64_t position) override;
    void Write(const void* buffer, uint32_t count) override;
    uint64_t GetLength() override;
    void Sync() override { CheckOpen(CFileException::Op::kSync); }
    void Close() override;
    const std::string& GetFilePath() const override { return m_strPath; }

    const std::vector<uint8_t>& Bytes() const { return m_bytes; }

  private:
    void CheckOpen(CFileException::Op op) const;

    std::vector<uint8_t> m_bytes;
    std::string m_strPath;
    uint64_t m_pos = 0;
    bool m_bClosed = false;
};
