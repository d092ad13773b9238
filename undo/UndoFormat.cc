#include "undo/UndoFormat.h"

#include <cstring>

#include "framework/File.h"
#include "framework/LittleEndian.h"

namespace {

constexpr char kMagic[8] = {'Z', 'E', 'L', 'V', 'U', 'N', 'D', 'O'};
constexpr char kBlockTag[4] = {'B', 'L', 'C', 'K'};
constexpr char kPagesTag[4] = {'P', 'A', 'G', 'E'};
// Where the fields after the slots start.
constexpr uint32_t kAfterSlots = kUndoHeadSize;

uint32_t Crc(uint32_t crc, const uint8_t* bytes, size_t n) { return UndoCrc32(crc, bytes, n); }

// The preamble's CRC: everything in it but the slots, which commits rewrite.
uint32_t PreambleCrc(const uint8_t* fixed, const uint8_t* index, size_t indexLength) {
    uint32_t sum = Crc(0, fixed, kUndoSlotAt);
    sum = Crc(sum, fixed + kAfterSlots, kUndoFixedSize - kAfterSlots);
    return Crc(sum, index, indexLength);
}

std::optional<UndoCommit> DecodeSlot(const uint8_t* slot) {
    if (Crc(0, slot, 24) != GetLE32(slot + 24)) return std::nullopt;
    return UndoCommit{GetLE64(slot), GetLE64(slot + 8), GetLE64(slot + 16)};
}

}  // namespace

std::vector<uint8_t> EncodeUndoHead() {
    std::vector<uint8_t> out(kMagic, kMagic + sizeof kMagic);
    AppendLE32(out, kUndoVersion);
    uint8_t slot[kUndoSlotSize];
    EncodeUndoSlot({0, 0, 0}, slot);
    out.insert(out.end(), slot, slot + kUndoSlotSize);
    out.insert(out.end(), slot, slot + kUndoSlotSize);
    return out;
}

std::vector<uint8_t> EncodeUndoPreamble(uint64_t mapLength, const uint8_t* header,
                                        int64_t indexOffset, const std::vector<uint8_t>& index) {
    std::vector<uint8_t> out(kMagic, kMagic + sizeof kMagic);
    AppendLE32(out, kUndoVersion);
    out.resize(kAfterSlots);  // the slots, filled below
    AppendLE64(out, mapLength);
    out.insert(out.end(), header, header + kDcmHeaderSize);
    AppendLE64(out, static_cast<uint64_t>(indexOffset));
    AppendLE32(out, static_cast<uint32_t>(index.size()));
    out.insert(out.end(), index.begin(), index.end());
    AppendLE32(out, PreambleCrc(out.data(), index.data(), index.size()));
    uint8_t slot[kUndoSlotSize];
    EncodeUndoSlot({0, 0, out.size()}, slot);
    std::memcpy(out.data() + kUndoSlotAt, slot, kUndoSlotSize);
    std::memcpy(out.data() + kUndoSlotAt + kUndoSlotSize, slot, kUndoSlotSize);
    return out;
}

bool ReadExactly(CFile& file, int64_t at, uint8_t* bytes, uint32_t n) {
    return n == 0 || file.ReadAt(at, bytes, n) == n;
}

void EncodeUndoSlot(const UndoCommit& commit, uint8_t (&slot)[kUndoSlotSize]) {
    PutLE64(slot, commit.blocks);
    PutLE64(slot + 8, commit.records);
    PutLE64(slot + 16, commit.end);
    PutLE32(slot + 24, Crc(0, slot, 24));
}

PreambleRead ReadUndoPreamble(CFile& undo, UndoPreamble& pre, uint32_t& version) {
    const uint64_t length = undo.GetLength();
    uint8_t fixed[kUndoFixedSize];
    const uint32_t got = undo.ReadAt(0, fixed, kUndoFixedSize);
    if (got < 12 || std::memcmp(fixed, kMagic, sizeof kMagic) != 0) return PreambleRead::kNotUndo;
    version = GetLE32(fixed + 8);
    if (version != kUndoVersion && version != kUndoFirstVersion) return PreambleRead::kOtherVersion;
    pre.version = version;
    pre.units = UnitsOfVersion(version);
    if (got < kAfterSlots) return PreambleRead::kDamaged;
    // The later commit of the two; a cut in the middle of rewriting one
    // leaves the other.
    const auto first = DecodeSlot(fixed + kUndoSlotAt);
    const auto second = DecodeSlot(fixed + kUndoSlotAt + kUndoSlotSize);
    if (!first && !second) return PreambleRead::kDamaged;
    pre.committed = !second || (first && first->end >= second->end) ? *first : *second;
    pre.bSlotDamaged = !first || !second;
    // Both slots as the file was made: its run wrote the preamble, if at
    // all, without committing it.
    if (version == kUndoVersion && first && second && first->end == 0 && second->end == 0)
        return PreambleRead::kNotBegun;
    if (got < kUndoFixedSize) return PreambleRead::kDamaged;
    const uint8_t* p = fixed + kAfterSlots;
    pre.mapLength = GetLE64(p);
    pre.header.assign(p + 8, p + 8 + kDcmHeaderSize);
    const uint64_t indexOffset = GetLE64(p + 8 + kDcmHeaderSize);
    const uint32_t indexLength = GetLE32(p + 16 + kDcmHeaderSize);
    if (uint64_t{kUndoFixedSize} + indexLength + 4 > length || indexOffset > INT64_MAX)
        return PreambleRead::kDamaged;
    pre.indexOffset = static_cast<int64_t>(indexOffset);
    pre.index.resize(indexLength);
    uint8_t crc[4];
    if (!ReadExactly(undo, kUndoFixedSize, pre.index.data(), indexLength) ||
        !ReadExactly(undo, kUndoFixedSize + int64_t{indexLength}, crc, 4) ||
        PreambleCrc(fixed, pre.index.data(), indexLength) != GetLE32(crc))
        return PreambleRead::kDamaged;
    pre.end = int64_t{kUndoFixedSize} + indexLength + 4;
    if (pre.committed.end < static_cast<uint64_t>(pre.end)) return PreambleRead::kDamaged;
    return PreambleRead::kRead;
}

bool ReadUndoRecord(CFile& undo, int64_t at, uint64_t length, const CheckUnits& units,
                    UndoRecord& rec, uint8_t* scratch) {
    if (at < 0 || static_cast<uint64_t>(at) + 4 > length || undo.ReadAt(at, scratch, 4) < 4)
        return false;
    if (std::memcmp(scratch, kBlockTag, 4) == 0) {
        rec.kind = UndoRecord::Kind::kBlock;
        rec.size = kUndoBlockRecordSize;
    } else if (std::memcmp(scratch, kPagesTag, 4) == 0) {
        rec.kind = UndoRecord::Kind::kPages;
        rec.size = UndoSumRecordSize(units);
    } else {
        return false;
    }
    if (static_cast<uint64_t>(at) + rec.size > length ||
        undo.ReadAt(at, scratch, rec.size) < rec.size ||
        Crc(0, scratch, rec.size - 4) != GetLE32(scratch + rec.size - 4))
        return false;
    const uint64_t block = GetLE64(scratch + 4);
    rec.block = block > INT64_MAX ? -1 : static_cast<int64_t>(block);
    rec.bytesAt = at + kUndoBlockBytesAt;
    rec.sums.fill(0);
    if (rec.kind == UndoRecord::Kind::kPages)
        for (uint32_t u = 0; u < units.count; ++u)
            rec.sums[u] = GetLE32(scratch + kUndoBlockBytesAt + 4 * u);
    return true;
}

void EncodeBlockRecord(int64_t block, const uint8_t* bytes, uint8_t (&head)[kUndoBlockBytesAt],
                       uint8_t (&tail)[4]) {
    std::memcpy(head, kBlockTag, 4);
    PutLE64(head + 4, static_cast<uint64_t>(block));
    PutLE32(tail, Crc(Crc(0, head, kUndoBlockBytesAt), bytes, kTileBlockSize));
}

std::vector<uint8_t> EncodePageRecord(int64_t block, const UnitSums& sums,
                                      const CheckUnits& units) {
    std::vector<uint8_t> out(kPagesTag, kPagesTag + 4);
    AppendLE64(out, static_cast<uint64_t>(block));
    for (uint32_t u = 0; u < units.count; ++u) AppendLE32(out, sums[u]);
    AppendLE32(out, Crc(0, out.data(), out.size()));
    return out;
}
