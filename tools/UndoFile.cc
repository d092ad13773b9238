#include "tools/UndoFile.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "elevation/DcmLayout.h"
#include "framework/AlignedBuffer.h"
#include "framework/Exception.h"
#include "framework/File.h"

namespace {

constexpr char kMagic[8] = {'Z', 'E', 'L', 'V', 'U', 'N', 'D', 'O'};
constexpr char kBlockTag[4] = {'B', 'L', 'C', 'K'};
constexpr char kSyncTag[4] = {'S', 'Y', 'N', 'C'};
constexpr uint32_t kVersion = 1;
// Tag, position, records committed before this one, the block, CRC.
constexpr uint32_t kRecordHead = 4 + 8 + 8;
constexpr uint32_t kRecordSize = kRecordHead + kTileBlockSize + 4;
// Tag, records committed, CRC.
constexpr uint32_t kTrailerSize = 4 + 8 + 4;

uint32_t Crc(uint32_t crc, const uint8_t* bytes, size_t n) {
    return static_cast<uint32_t>(::crc32(crc, bytes, static_cast<uInt>(n)));
}

void Put64(std::vector<uint8_t>& out, uint64_t v) {
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
uint64_t Get64(const uint8_t* p) {
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = v << 8 | p[i];
    return v;
}
uint32_t Get32(const uint8_t* p) { return static_cast<uint32_t>(Get64(p) & 0xFFFFFFFFu); }

// What an undo file says about its map.
struct Preamble {
    uint64_t mapLength = 0;
    std::vector<uint8_t> header;
    int64_t indexOffset = 0;
    std::vector<uint8_t> index;
    int64_t end = 0;  // where the first record starts
};

// Reads the preamble; false when it is missing, cut short or damaged.
bool ReadPreamble(CFile& undo, Preamble& pre) {
    const uint64_t length = undo.GetLength();
    constexpr uint32_t kFixed = 8 + 4 + 8 + kDcmHeaderSize + 8 + 4;
    if (length < kFixed + 4) return false;
    uint8_t fixed[kFixed];
    if (undo.ReadAt(0, fixed, kFixed) < kFixed) return false;
    if (std::memcmp(fixed, kMagic, sizeof kMagic) != 0 || Get32(fixed + 8) != kVersion)
        return false;
    pre.mapLength = Get64(fixed + 12);
    pre.header.assign(fixed + 20, fixed + 20 + kDcmHeaderSize);
    pre.indexOffset = static_cast<int64_t>(Get64(fixed + 20 + kDcmHeaderSize));
    const uint32_t indexLength = Get32(fixed + 28 + kDcmHeaderSize);
    if (uint64_t{kFixed} + indexLength + 4 > length || pre.indexOffset < 0) return false;
    pre.index.resize(indexLength);
    uint8_t crc[4];
    if (undo.ReadAt(kFixed, pre.index.data(), indexLength) < indexLength ||
        undo.ReadAt(kFixed + indexLength, crc, 4) < 4)
        return false;
    uint32_t sum = Crc(0, fixed, kFixed);
    sum = Crc(sum, pre.index.data(), indexLength);
    pre.end = int64_t{kFixed} + indexLength + 4;
    return sum == Get32(crc);
}

struct SavedBlock {
    int64_t block;   // position in the map
    int64_t record;  // position of the bytes in the undo file
};

// Copies into region (the bytes at regionStart of the map) what the saved
// blocks will write there, in the order the restore writes them.
void OverlaySaved(CFile& undo, const std::vector<SavedBlock>& saved, int64_t regionStart,
                  std::vector<uint8_t>& region, uint8_t* scratch) {
    const int64_t regionEnd = regionStart + static_cast<int64_t>(region.size());
    for (auto it = saved.rbegin(); it != saved.rend(); ++it) {
        const int64_t from = std::max(regionStart, it->block);
        const int64_t to = std::min(regionEnd, it->block + int64_t{kTileBlockSize});
        if (from >= to) continue;
        undo.ReadAt(it->record, scratch, kTileBlockSize);
        std::memcpy(region.data() + (from - regionStart), scratch + (from - it->block),
                    static_cast<size_t>(to - from));
    }
}

}  // namespace

void CUndoJournal::Begin(CFile& map, const DCMHEADER& header) {
    std::vector<uint8_t> out(kMagic, kMagic + sizeof kMagic);
    Put32(out, kVersion);
    Put64(out, map.GetLength());
    uint8_t raw[kDcmHeaderSize];
    if (map.ReadAt(0, raw, kDcmHeaderSize) < kDcmHeaderSize)
        throw CFileException(CFileException::Op::kRead, map.GetFilePath(), "header cut short");
    out.insert(out.end(), raw, raw + kDcmHeaderSize);
    // The loaded index is known to fit in the file and in memory.
    const uint32_t indexLength = static_cast<uint32_t>(header.nTileCount) * kDcmTileEntrySize;
    Put64(out, static_cast<uint64_t>(header.lIndexOffset));
    Put32(out, indexLength);
    const size_t at = out.size();
    out.resize(at + indexLength);
    if (map.ReadAt(header.lIndexOffset, out.data() + at, indexLength) < indexLength)
        throw CFileException(CFileException::Op::kRead, map.GetFilePath(), "index cut short");
    Put32(out, Crc(0, out.data(), out.size()));
    m_file.WriteAt(0, out.data(), static_cast<uint32_t>(out.size()));
    m_file.Sync();
    m_end = static_cast<int64_t>(out.size());
    m_bBegun = true;
}

void CUndoJournal::Save(int64_t block, const uint8_t* bytes) {
    std::vector<uint8_t> head(kBlockTag, kBlockTag + 4);
    Put64(head, static_cast<uint64_t>(block));
    Put64(head, m_committed);
    std::vector<uint8_t> tail;
    Put32(tail, Crc(Crc(0, head.data(), head.size()), bytes, kTileBlockSize));
    m_file.WriteAt(m_end, head.data(), kRecordHead);
    m_file.WriteAt(m_end + kRecordHead, bytes, kTileBlockSize);
    m_file.WriteAt(m_end + kRecordHead + kTileBlockSize, tail.data(), 4);
    m_end += kRecordSize;
    ++m_records;
}

void CUndoJournal::Commit() {
    m_file.Sync();
    // Says which records are on disk, until the next record takes its place
    // and says it in its own head; it reaches the disk with the next sync.
    m_committed = m_records;
    std::vector<uint8_t> trailer(kSyncTag, kSyncTag + 4);
    Put64(trailer, m_committed);
    Put32(trailer, Crc(0, trailer.data(), trailer.size()));
    m_file.WriteAt(m_end, trailer.data(), kTrailerSize);
}

RestoreResult RestoreMap(const std::string& undoPath, const std::string& mapPath) {
    RestoreResult result;
    std::unique_ptr<CFile> undo;
    try {
        undo = OpenFile(undoPath, FileAccess::kReadShared);
    } catch (const CFileException& error) {
        result.outcome = RestoreOutcome::kCannotUse;
        result.detail = error.Path() + ": " + error.Reason();
        return result;
    }
    try {
        Preamble pre;
        if (!ReadPreamble(*undo, pre)) {
            result.outcome = RestoreOutcome::kDamaged;
            result.detail = undoPath + ": not an undo file, or damaged before its first block";
            return result;
        }
        // The records. A record whose block may have been overwritten was on
        // disk before: damage there means the file cannot be trusted. Records
        // written since the last sync protect blocks never overwritten, and
        // a power loss may have left any of them damaged: those are left out.
        const uint64_t length = undo->GetLength();
        std::vector<SavedBlock> saved;
        std::vector<uint64_t> damaged;  // record numbers
        uint64_t committed = 0;         // records known to have been on disk
        CAlignedBuffer record(kRecordSize);
        uint64_t n = 0;
        for (int64_t at = pre.end; static_cast<uint64_t>(at) < length; at += kRecordSize, ++n) {
            const bool whole = undo->ReadAt(at, record.Data(), kRecordSize) == kRecordSize;
            const uint8_t* r = record.Data();
            const auto block = static_cast<int64_t>(Get64(r + 4));
            if (!whole || std::memcmp(r, kBlockTag, 4) != 0 ||
                Crc(0, r, kRecordSize - 4) != Get32(r + kRecordSize - 4) || block < 0 ||
                uint64_t(block) + kTileBlockSize > pre.mapLength) {
                damaged.push_back(n);
                continue;
            }
            committed = std::max(committed, std::min(Get64(r + 12), n));
            saved.push_back({block, at + kRecordHead});
        }
        // The trailer that the last sync left, when no record followed it.
        if (length >= uint64_t(pre.end) + kTrailerSize &&
            (length - pre.end) % kRecordSize == kTrailerSize) {
            uint8_t trailer[kTrailerSize];
            if (undo->ReadAt(static_cast<int64_t>(length - kTrailerSize), trailer, kTrailerSize) ==
                    kTrailerSize &&
                std::memcmp(trailer, kSyncTag, 4) == 0 &&
                Crc(0, trailer, 12) == Get32(trailer + 12)) {
                committed = std::max(committed, std::min(Get64(trailer + 4), n - 1));
                damaged.erase(std::remove(damaged.begin(), damaged.end(), n - 1), damaged.end());
            }
        }
        if (!damaged.empty() && damaged.front() < committed) {
            result.outcome = RestoreOutcome::kDamaged;
            result.detail = undoPath + ": a damaged block record";
            return result;
        }

        std::unique_ptr<CFile> map;
        try {
            map = OpenFile(mapPath, FileAccess::kReadWriteExclusive);
        } catch (const CFileException& error) {
            result.outcome = RestoreOutcome::kCannotOpenMap;
            result.detail = error.Path() + ": " + error.Reason();
            return result;
        }
        // The map is the one the file was made for when, once the saved
        // blocks are back, its length, header and index are as recorded.
        std::vector<uint8_t> header(kDcmHeaderSize), index(pre.index.size());
        bool same = map->GetLength() == pre.mapLength;
        if (same) {
            map->ReadAt(0, header.data(), kDcmHeaderSize);
            map->ReadAt(pre.indexOffset, index.data(), static_cast<uint32_t>(index.size()));
            OverlaySaved(*undo, saved, 0, header, record.Data());
            OverlaySaved(*undo, saved, pre.indexOffset, index, record.Data());
            same = header == pre.header && index == pre.index;
        }
        if (!same) {
            result.outcome = RestoreOutcome::kOtherMap;
            result.detail = undoPath + ": made for another map than " + mapPath;
            return result;
        }
        for (auto it = saved.rbegin(); it != saved.rend(); ++it) {
            undo->ReadAt(it->record, record.Data(), kTileBlockSize);
            map->WriteAt(it->block, record.Data(), kTileBlockSize);
            ++result.blocks;
        }
        map->Sync();
        map->Close();
    } catch (const CFileException& error) {
        result.outcome = RestoreOutcome::kFileError;
        result.detail = error.what();
    }
    return result;
}
