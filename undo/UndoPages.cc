#include "undo/UndoPages.h"

#include <libdeflate.h>

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "framework/LittleEndian.h"

std::vector<int64_t> ListedBlocks(const uint8_t* index, uint64_t indexLength, uint64_t mapLength) {
    std::vector<int64_t> blocks;
    std::unordered_set<uint32_t> keys;
    for (uint64_t at = 0; at + kDcmTileEntrySize <= indexLength; at += kDcmTileEntrySize) {
        // Only the first entry of a key is ever looked up.
        if (!keys.insert(GetLE32(index + at)).second) continue;
        const auto block = static_cast<int32_t>(GetLE32(index + at + 4));
        if (block < 0 || static_cast<uint64_t>(block) + kTileBlockSize > mapLength) continue;
        blocks.push_back(block);
    }
    std::sort(blocks.begin(), blocks.end());
    blocks.erase(std::unique(blocks.begin(), blocks.end()), blocks.end());
    return blocks;
}

ByteRuns OwnBytes(const std::vector<int64_t>& listed, int64_t block) {
    constexpr int64_t kSize = kTileBlockSize;
    ByteRuns own;
    int64_t from = 0;  // the first byte not yet known to be covered or own
    // Sorted positions: the others that share a byte with this block come
    // in order of their first shared byte.
    for (auto it = std::upper_bound(listed.begin(), listed.end(), block - kSize);
         it != listed.end() && *it < block + kSize; ++it) {
        if (*it == block) continue;
        const int64_t start = std::max<int64_t>(*it - block, 0);
        const int64_t end = std::min<int64_t>(*it - block + kSize, kSize);
        if (start > from)
            own.emplace_back(static_cast<uint32_t>(from), static_cast<uint32_t>(start));
        from = std::max(from, end);
    }
    if (from < kSize) own.emplace_back(static_cast<uint32_t>(from), kTileBlockSize);
    return own;
}

CBlockUnits::CBlockUnits(const CheckUnits& units, int64_t block, ByteRuns own)
    : m_size(units.size),
      m_shift(units.fromFileStart ? static_cast<uint32_t>(block % units.size) : 0),
      m_own(std::move(own)) {}

template <typename F>
void CBlockUnits::ForEachPiece(F f) const {
    for (const auto& [first, second] : m_own) {
        for (uint32_t from = first; from < second;) {
            const uint32_t unit = (from + m_shift) / m_size;
            const uint32_t to = std::min(second, (unit + 1) * m_size - m_shift);
            f(unit, from, to);
            from = to;
        }
    }
}

void CBlockUnits::Sum(const uint8_t* bytes, UnitSums& sums) const {
    sums.fill(UndoCrc32(0, nullptr, 0));
    ForEachPiece([&](uint32_t unit, uint32_t from, uint32_t to) {
        sums[unit] = UndoCrc32(sums[unit], bytes + from, to - from);
    });
}

void CBlockUnits::Checked(UnitFlags& checked) const {
    checked.fill(false);
    ForEachPiece([&](uint32_t unit, uint32_t, uint32_t) { checked[unit] = true; });
}

bool CBlockUnits::Same(const uint8_t* a, const uint8_t* b, uint32_t unit) const {
    const int64_t lo = int64_t{unit} * m_size - m_shift;
    const int64_t hi = lo + m_size;
    for (const auto& [first, second] : m_own) {
        const int64_t from = std::max<int64_t>(lo, first);
        const int64_t to = std::min<int64_t>(hi, second);
        if (from < to && std::memcmp(a + from, b + from, static_cast<size_t>(to - from)) != 0)
            return false;
    }
    return true;
}

uint32_t UndoCrc32(uint32_t crc, const uint8_t* bytes, size_t n) {
    return libdeflate_crc32(crc, bytes, n);
}
