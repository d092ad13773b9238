#include "undo/UndoPages.h"

#include <libdeflate.h>

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "framework/LittleEndian.h"

namespace {

// Calls f(page, from, to) for each piece of the runs that lies in one page.
template <typename F>
void ForEachPiece(const ByteRuns& own, F f) {
    for (const auto& [first, second] : own) {
        for (uint32_t from = first; from < second;) {
            const uint32_t page = from / kUndoPageSize;
            const uint32_t to = std::min(second, (page + 1) * kUndoPageSize);
            f(page, from, to);
            from = to;
        }
    }
}

}  // namespace

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

void SumPages(const uint8_t* block, const ByteRuns& own, uint32_t (&sums)[kUndoPages]) {
    std::fill(std::begin(sums), std::end(sums), UndoCrc32(0, nullptr, 0));
    ForEachPiece(own, [&](uint32_t page, uint32_t from, uint32_t to) {
        sums[page] = UndoCrc32(sums[page], block + from, to - from);
    });
}

void CheckedPages(const ByteRuns& own, bool (&checked)[kUndoPages]) {
    std::fill(std::begin(checked), std::end(checked), false);
    ForEachPiece(own, [&](uint32_t page, uint32_t, uint32_t) { checked[page] = true; });
}

bool SamePage(const uint8_t* a, const uint8_t* b, const ByteRuns& own, uint32_t page) {
    bool same = true;
    ForEachPiece(own, [&](uint32_t p, uint32_t from, uint32_t to) {
        if (p == page && std::memcmp(a + from, b + from, to - from) != 0) same = false;
    });
    return same;
}

uint32_t UndoCrc32(uint32_t crc, const uint8_t* bytes, size_t n) {
    return libdeflate_crc32(crc, bytes, n);
}
