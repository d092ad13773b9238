#pragma once

#include <cstdint>
#include <vector>

// Fixed-size little-endian integers, the one place where the file formats of
// our own put and get them. Each reads or writes exactly its own bytes.

inline uint32_t GetLE32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
inline uint64_t GetLE64(const uint8_t* p) { return GetLE32(p) | uint64_t{GetLE32(p + 4)} << 32; }

inline void PutLE32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void PutLE64(uint8_t* p, uint64_t v) {
    PutLE32(p, static_cast<uint32_t>(v));
    PutLE32(p + 4, static_cast<uint32_t>(v >> 32));
}

// Appends to a buffer being built field by field.
inline void AppendLE32(std::vector<uint8_t>& out, uint32_t v) {
    out.resize(out.size() + 4);
    PutLE32(out.data() + out.size() - 4, v);
}
inline void AppendLE64(std::vector<uint8_t>& out, uint64_t v) {
    out.resize(out.size() + 8);
    PutLE64(out.data() + out.size() - 8, v);
}
