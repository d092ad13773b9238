#include "elevation/TileIndex.h"

#include <algorithm>
#include <new>

#include "elevation/ElevationTexts.h"
#include "framework/File.h"

void CTileIndex::Assign(std::vector<DCMTILEENTRY> entries) {
    m_entries = std::move(entries);
    m_firstByKey.clear();
    m_firstByKey.reserve(m_entries.size());
    for (uint32_t i = 0; i < m_entries.size(); ++i) m_firstByKey.emplace_back(m_entries[i].lKey, i);
    // Sorting the pairs orders equal keys by file position, so the first of
    // each run is the entry a scan from the start would find.
    std::sort(m_firstByKey.begin(), m_firstByKey.end());
    m_firstByKey.erase(std::unique(m_firstByKey.begin(), m_firstByKey.end(),
                                   [](const auto& a, const auto& b) { return a.first == b.first; }),
                       m_firstByKey.end());
    m_extent = TileExtent{};
    for (const auto& [key, entry] : m_firstByKey) {
        const auto tile = TileOfKey(key);
        if (!tile) continue;
        if (m_extent.bEmpty) m_extent = {false, tile->tx, tile->ty, tile->tx + 1, tile->ty + 1};
        m_extent.tx0 = std::min(m_extent.tx0, tile->tx);
        m_extent.ty0 = std::min(m_extent.ty0, tile->ty);
        m_extent.tx1 = std::max(m_extent.tx1, tile->tx + 1);
        m_extent.ty1 = std::max(m_extent.ty1, tile->ty + 1);
    }
}

void CTileIndex::Clear() {
    m_entries.clear();
    m_firstByKey.clear();
    m_extent = TileExtent{};
}

const DCMTILEENTRY* CTileIndex::Find(int32_t key) const {
    auto it = std::lower_bound(m_firstByKey.begin(), m_firstByKey.end(), key,
                               [](const auto& entry, int32_t k) { return entry.first < k; });
    if (it == m_firstByKey.end() || it->first != key) return nullptr;
    return &m_entries[it->second];
}

namespace {

IndexLoad Refuse(std::string* why, ElevationText reason) {
    if (why != nullptr) *why = SayElevation(reason);
    return IndexLoad::kRejected;
}

}  // namespace

IndexLoad LoadTileIndex(CFile& file, DCMHEADER& header, CTileIndex& index, std::string* why) {
    index.Clear();
    uint8_t raw[kDcmHeaderSize];
    if (file.Read(raw, kDcmHeaderSize) < kDcmHeaderSize)
        return Refuse(why, ElevationText::kMapShorterThanHeader);
    header = DecodeDcmHeader(raw);

    // Counts and offsets are checked against the file before anything is
    // allocated, so an absurd header never turns into a huge allocation. An
    // empty index reads nothing, wherever it is said to be.
    if (header.nTileCount < 0) return Refuse(why, ElevationText::kTileCountNegative);
    if (header.lIndexOffset < 0) return Refuse(why, ElevationText::kIndexOffsetNegative);
    const uint64_t indexBytes =
        uint64_t{kDcmTileEntrySize} * static_cast<uint32_t>(header.nTileCount);
    if (indexBytes > 0 &&
        static_cast<uint64_t>(header.lIndexOffset) + indexBytes > file.GetLength())
        return Refuse(why, ElevationText::kIndexPastEnd);

    // A map of another kind is refused as such, never taken for one whose
    // index does not fit in memory.
    if (header.wKind != 0) return Refuse(why, ElevationText::kKindNotZero);
    if (!IsCorrectableHeader(header)) return Refuse(why, ElevationText::kNotCorrectable);
    std::vector<DCMTILEENTRY> entries;
    try {
        entries.reserve(static_cast<size_t>(header.nTileCount));
    } catch (const std::bad_alloc&) {
        return IndexLoad::kNoMemory;
    }
    file.Seek(header.lIndexOffset);

    constexpr uint32_t kBatch = 4096;
    uint8_t batch[kBatch * kDcmTileEntrySize];
    for (uint32_t left = static_cast<uint32_t>(header.nTileCount); left > 0;) {
        const uint32_t n = std::min(left, kBatch);
        if (file.Read(batch, n * kDcmTileEntrySize) < n * kDcmTileEntrySize)
            return Refuse(why, ElevationText::kEndsInsideIndex);
        for (uint32_t i = 0; i < n; ++i)
            entries.push_back(DecodeDcmTileEntry(batch + i * kDcmTileEntrySize));
        left -= n;
    }
    try {
        index.Assign(std::move(entries));
    } catch (const std::bad_alloc&) {
        index.Clear();
        return IndexLoad::kNoMemory;
    }
    return IndexLoad::kLoaded;
}
