#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

class CTempFile;

// Keeps runs of bytes out of memory until they are asked for again: the
// writer's originals of mesh squares whose tile is written while a later
// file may still write over them. They go to a temporary file made on the
// first Put and removed with the spill; bytes that cannot go there stay in
// memory instead, so a Put never fails. Memory: a few bytes a run, beside
// that fallback.
class CTileSpill {
  public:
    // What the bytes are: a tile block, and the corner of a square in it.
    using Key = std::tuple<int64_t, int32_t, int32_t>;

    CTileSpill();
    ~CTileSpill();
    CTileSpill(const CTileSpill&) = delete;
    CTileSpill& operator=(const CTileSpill&) = delete;

    // Keeps size bytes as key's; a key is put once.
    void Put(const Key& key, const uint8_t* bytes, uint32_t size);
    // True when key was put: bytes then hold its bytes. False when it was
    // never put, or when the temporary file cannot give them back.
    bool Get(const Key& key, uint8_t* bytes);

  private:
    bool OpenFile();

    struct Place {
        int64_t at;  // in the file; -1: in memory
        uint32_t size;
    };

    std::unique_ptr<CTempFile> m_file;
    bool m_bFileFailed = false;
    int64_t m_fileEnd = 0;
    std::map<Key, Place> m_places;
    std::map<Key, std::vector<uint8_t>> m_inMemory;  // the fallback
};
