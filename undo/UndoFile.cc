#include "undo/UndoFile.h"

#include "framework/Exception.h"
#include "framework/File.h"
#include "undo/UndoFormat.h"
#include "undo/UndoPages.h"

void CUndoJournal::Begin(CFile& map, const DCMHEADER& header) {
    uint8_t raw[kDcmHeaderSize];
    if (map.ReadAt(0, raw, kDcmHeaderSize) < kDcmHeaderSize)
        throw CFileException(CFileException::Op::kRead, map.GetFilePath(), "header cut short");
    // The loaded index is known to fit in the file and in memory.
    std::vector<uint8_t> index(static_cast<size_t>(header.nTileCount) * kDcmTileEntrySize);
    const auto indexLength = static_cast<uint32_t>(index.size());
    if (map.ReadAt(header.lIndexOffset, index.data(), indexLength) < indexLength)
        throw CFileException(CFileException::Op::kRead, map.GetFilePath(), "index cut short");
    const uint64_t mapLength = map.GetLength();
    const std::vector<uint8_t> out = EncodeUndoPreamble(mapLength, raw, header.lIndexOffset, index);
    m_file.WriteAt(0, out.data(), static_cast<uint32_t>(out.size()));
    m_file.Sync();
    m_listed = ListedBlocks(index.data(), index.size(), mapLength);
    m_end = static_cast<int64_t>(out.size());
    m_bBegun = true;
}

void CUndoJournal::Save(int64_t block, const uint8_t* bytes) {
    uint8_t head[kUndoBlockBytesAt], tail[4];
    EncodeBlockRecord(block, bytes, head, tail);
    m_file.WriteAt(m_end, head, sizeof head);
    m_file.WriteAt(m_end + kUndoBlockBytesAt, bytes, kTileBlockSize);
    m_file.WriteAt(m_end + kUndoBlockBytesAt + kTileBlockSize, tail, sizeof tail);
    m_end += kUndoBlockRecordSize;
    ++m_blocks;
    ++m_records;
}

void CUndoJournal::Intend(int64_t block, const uint8_t* bytes) {
    uint32_t sums[kUndoPages];
    SumPages(bytes, OwnBytes(m_listed, block), sums);
    const std::vector<uint8_t> record = EncodePageRecord(block, sums);
    m_file.WriteAt(m_end, record.data(), kUndoPageRecordSize);
    m_end += kUndoPageRecordSize;
    ++m_records;
}

void CUndoJournal::Commit() {
    // The records first: a slot on disk must never promise records that
    // are not.
    m_file.Sync();
    uint8_t slot[kUndoSlotSize];
    EncodeUndoSlot({m_blocks, m_records, static_cast<uint64_t>(m_end)}, slot);
    m_file.WriteAt(kUndoSlotAt + m_nextSlot * int64_t{kUndoSlotSize}, slot, kUndoSlotSize);
    m_file.Sync();
    m_nextSlot ^= 1;
}
