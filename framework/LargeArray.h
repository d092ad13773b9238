#pragma once

#include <cstddef>
#include <new>
#include <type_traits>
#include <utility>

#include "framework/LargePages.h"

// A fixed number of plain values, zeroed, in memory of their own that the
// system may back with large pages: megabytes cost a few page faults instead
// of one for every 4 KiB, and no pass to zero them, as the system's new
// pages come zeroed.
template <class T>
class CLargeArray {
    static_assert(std::is_trivially_copyable<T>::value && std::is_trivially_destructible<T>::value,
                  "plain values only: none is constructed or destroyed");

  public:
    CLargeArray() = default;
    // Throws std::bad_alloc when the system gives no memory.
    explicit CLargeArray(size_t count) : m_count(count) {
        if (count == 0) return;
        void* data = ReserveLargePages(count * sizeof(T), kLargePage, &m_base, &m_reserved);
        if (data == nullptr) throw std::bad_alloc();
        m_data = static_cast<T*>(data);
    }
    ~CLargeArray() {
        if (m_base != nullptr) ReleaseLargePages(m_base, m_reserved);
    }
    CLargeArray(CLargeArray&& other) noexcept { Swap(other); }
    CLargeArray& operator=(CLargeArray&& other) noexcept {
        CLargeArray gone(std::move(other));
        Swap(gone);
        return *this;
    }
    CLargeArray(const CLargeArray&) = delete;
    CLargeArray& operator=(const CLargeArray&) = delete;

    // Writes to every page, so that the system gives each its own memory
    // now: a page read before it is ever written maps the system's page of
    // zeros, and the write that follows copies it (with, where threads run
    // on several processors, a flush of each one's address cache).
    void PrepareForWriting() {
        auto* bytes = reinterpret_cast<volatile unsigned char*>(m_data);
        for (size_t at = 0; at < m_count * sizeof(T); at += 4096) bytes[at] = 0;
    }

    T* data() { return m_data; }
    const T* data() const { return m_data; }
    size_t size() const { return m_count; }
    T& operator[](size_t i) { return m_data[i]; }
    const T& operator[](size_t i) const { return m_data[i]; }
    T* begin() { return m_data; }
    T* end() { return m_data + m_count; }
    const T* begin() const { return m_data; }
    const T* end() const { return m_data + m_count; }

  private:
    void Swap(CLargeArray& other) noexcept {
        std::swap(m_data, other.m_data);
        std::swap(m_count, other.m_count);
        std::swap(m_base, other.m_base);
        std::swap(m_reserved, other.m_reserved);
    }

    T* m_data = nullptr;
    size_t m_count = 0;
    void* m_base = nullptr;
    size_t m_reserved = 0;
};
