#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class CFile;

// Keeps whole tile blocks (kTileBlockSize bytes) out of memory until they
// are asked for again: the writer's originals of tiles that left its cache
// changed. They go to a temporary file made on the first Put and removed
// with the spill; a block that cannot go there stays in memory instead, so
// a Put never fails. Memory: a few bytes a block, beside that fallback.
class CTileSpill {
  public:
    CTileSpill();
    ~CTileSpill();
    CTileSpill(const CTileSpill&) = delete;
    CTileSpill& operator=(const CTileSpill&) = delete;

    // Keeps bytes as the block's; a block is put once.
    void Put(int64_t block, const uint8_t* bytes);
    // True when the block was put: bytes then hold it. False when it was
    // never put, or when the temporary file cannot give it back.
    bool Get(int64_t block, uint8_t* bytes);

  private:
    bool OpenFile();

    std::unique_ptr<CFile> m_file;
    std::string m_strPath;
    bool m_bFileFailed = false;
    int64_t m_fileEnd = 0;
    std::unordered_map<int64_t, int64_t> m_atInFile;               // block -> position
    std::unordered_map<int64_t, std::vector<uint8_t>> m_inMemory;  // the fallback
};
