#include "undo/UndoFile.h"

#include <random>

#include "framework/Exception.h"
#include "framework/File.h"
#include "framework/FileSystem.h"
#include "undo/UndoFormat.h"
#include "undo/UndoPages.h"
#include "undo/UndoTexts.h"

void CUndoJournal::Begin(CFile& map, const DCMHEADER& header) {
    uint8_t raw[kDcmHeaderSize];
    if (map.ReadAt(0, raw, kDcmHeaderSize) < kDcmHeaderSize)
        throw CFileException(CFileException::Op::kRead, map.GetFilePath(),
                             SayUndo(UndoText::kMapHeaderShort));
    // The loaded index is known to fit in the file and in memory.
    std::vector<uint8_t> index(static_cast<size_t>(header.nTileCount) * kDcmTileEntrySize);
    const auto indexLength = static_cast<uint32_t>(index.size());
    if (map.ReadAt(header.lIndexOffset, index.data(), indexLength) < indexLength)
        throw CFileException(CFileException::Op::kRead, map.GetFilePath(),
                             SayUndo(UndoText::kMapIndexShort));
    const uint64_t mapLength = map.GetLength();
    const std::vector<uint8_t> out = EncodeUndoPreamble(mapLength, raw, header.lIndexOffset, index);
    // The preamble, then the slots that commit it: until they are on disk
    // the file says that its run has not read the map.
    m_file.WriteAt(0, out.data(), kUndoSlotAt);
    m_file.WriteAt(kUndoHeadSize, out.data() + kUndoHeadSize,
                   static_cast<uint32_t>(out.size() - kUndoHeadSize));
    m_file.Sync();
    m_file.WriteAt(kUndoSlotAt, out.data() + kUndoSlotAt, 2 * kUndoSlotSize);
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
    UnitSums sums;
    CBlockUnits(kSectorUnits, block, OwnBytes(m_listed, block)).Sum(bytes, sums);
    const std::vector<uint8_t> record = EncodePageRecord(block, sums);
    m_file.WriteAt(m_end, record.data(), static_cast<uint32_t>(record.size()));
    m_end += static_cast<int64_t>(record.size());
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

namespace {

// True when the file at path is an undo file whose run never read its map
// and that no run holds: it protects nothing, and a run may take its name.
// A run still taking its first look holds its file as this one is held, so
// the exclusive open refuses it.
bool NeverBegun(const std::string& path) {
    // Only a regular file is read: a FIFO there would be waited on.
    if (KindOfPath(path) != PathKind::kFile) return false;
    try {
        UndoPreamble pre;
        uint32_t version = 0;
        return ReadUndoPreamble(*OpenFile(path, FileAccess::kReadWriteExclusive), pre, version) ==
               PreambleRead::kNotBegun;
    } catch (const CFileException&) {
        return false;
    }
}

}  // namespace

std::unique_ptr<CFile> CreateUndoFile(const std::string& path) {
    // The head is written under a passing name of its own, then the file
    // takes its name only where nothing has it: a run stopped at any moment
    // leaves either no undo file or one with its head.
    std::random_device random;
    std::string passing;
    std::unique_ptr<CFile> file;
    for (int tries = 0; !file; ++tries) {
        passing = path + "." + std::to_string(random() % 1000000) + ".new";
        try {
            file = OpenFile(passing, FileAccess::kCreateNew);
        } catch (const CFileException& error) {
            // Another file of that name is tried again; anything else fails.
            if (tries == 8 || KindOfPath(passing) == PathKind::kMissing)
                throw CFileException(CFileException::Op::kOpen, path, error.Reason());
        }
    }
    std::string why;
    try {
        const std::vector<uint8_t> head = EncodeUndoHead();
        file->WriteAt(0, head.data(), static_cast<uint32_t>(head.size()));
        file->Sync();
        file->Close();
    } catch (const CFileException& error) {
        why = error.Reason();
    }
    // An undo file left by a run stopped before it read the map is taken.
    if (why.empty() && !NameNewFile(passing, path, why) && NeverBegun(path) &&
        RenameFile(passing, path, why))
        why.clear();
    if (!why.empty()) {
        file.reset();
        RemoveFile(passing);
        throw CFileException(CFileException::Op::kOpen, path, why);
    }
    return OpenFile(path, FileAccess::kReadWriteExclusive);
}
