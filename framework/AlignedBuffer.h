#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// A heap buffer whose first byte starts a memory page. Reads into a buffer
// a few bytes past a page boundary, where a plain allocation of more than
// 128 KB lands (the allocator puts its own header first), copy several times
// slower on some processors; every buffer that a file read fills whole is
// one of these, so the speed of a run does not hang on the heap's layout.
class CAlignedBuffer {
  public:
    static constexpr size_t kAlignment = 4096;

    explicit CAlignedBuffer(size_t size)
        : m_storage(new uint8_t[size + kAlignment]),  // not zeroed: only read into
          m_size(size) {
        const auto address = reinterpret_cast<uintptr_t>(m_storage.get());
        m_data = m_storage.get() + (kAlignment - address % kAlignment) % kAlignment;
    }

    uint8_t* Data() { return m_data; }
    const uint8_t* Data() const { return m_data; }
    size_t Size() const { return m_size; }

  private:
    std::unique_ptr<uint8_t[]> m_storage;
    uint8_t* m_data;
    size_t m_size;
};
