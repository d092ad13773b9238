#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "elevation/DcmLayout.h"
#include "undo/UndoPages.h"

class CFile;

// The fields of an undo file (see UndoFile.h for the layout), encoded and
// decoded one by one with their bounds checked; shared by the journal that
// writes the file and the restore that reads it.

constexpr uint32_t kUndoVersion = 3;
// The format of the files 1.0.0 made, which restore still reads.
constexpr uint32_t kUndoFirstVersion = 2;
// The two commit slots lie at fixed places: after the magic and version.
constexpr int64_t kUndoSlotAt = 12;
constexpr uint32_t kUndoSlotSize = 8 + 8 + 8 + 4;
// Magic, version and both slots: what a new file holds before its run has
// read the map, written whole before the file takes its name.
constexpr uint32_t kUndoHeadSize = kUndoSlotAt + 2 * kUndoSlotSize;
// Magic and version, both slots, map length, header, index position and
// index length: what precedes the index bytes.
constexpr uint32_t kUndoFixedSize = 12 + 2 * kUndoSlotSize + 8 + kDcmHeaderSize + 8 + 4;
// Tag, block position, the block, CRC.
constexpr uint32_t kUndoBlockRecordSize = 4 + 8 + kTileBlockSize + 4;
constexpr uint32_t kUndoBlockBytesAt = 4 + 8;
// The units a version checks blocks in (see UndoPages.h).
inline const CheckUnits& UnitsOfVersion(uint32_t version) {
    return version == kUndoFirstVersion ? kBlockPageUnits : kSectorUnits;
}
// Tag, block position, a CRC-32 a unit, CRC.
constexpr uint32_t UndoSumRecordSize(const CheckUnits& units) {
    return 4 + 8 + 4 * units.count + 4;
}

// What a commit made durable: the records before byte `end` of the file,
// `records` of them, `blocks` of which save a block.
struct UndoCommit {
    uint64_t blocks = 0;
    uint64_t records = 0;
    uint64_t end = 0;
};

// What an undo file says about its map.
struct UndoPreamble {
    uint32_t version = kUndoVersion;
    CheckUnits units = kSectorUnits;
    uint64_t mapLength = 0;
    std::vector<uint8_t> header;
    int64_t indexOffset = 0;
    std::vector<uint8_t> index;
    int64_t end = 0;  // where the first record starts
    UndoCommit committed;
    bool bSlotDamaged = false;  // one of the two commits could not be read
};

// The head of a new undo file, whose both slots say that its run has not
// read the map yet (the end of nothing, 0).
std::vector<uint8_t> EncodeUndoHead();

// The preamble of a new undo file, with both slots saying that nothing but
// the preamble is committed.
std::vector<uint8_t> EncodeUndoPreamble(uint64_t mapLength, const uint8_t* header,
                                        int64_t indexOffset, const std::vector<uint8_t>& index);

// Reads n bytes at position at; true when all of them were there. Reads
// nothing for none, so that an empty buffer is never handed to the file.
bool ReadExactly(CFile& file, int64_t at, uint8_t* bytes, uint32_t n);

// One commit slot's bytes.
void EncodeUndoSlot(const UndoCommit& commit, uint8_t (&slot)[kUndoSlotSize]);

enum class PreambleRead {
    kRead,
    kNotUndo,       // no magic, or cut before the version
    kOtherVersion,  // another layout: `version` says which
    kNotBegun,      // only the head: the run never read the map, let alone wrote it
    kDamaged,       // cut short, a CRC that differs, no slot intact, or a slot
                    // whose records end inside the preamble
};

// Reads the preamble and the later of the intact commit slots.
PreambleRead ReadUndoPreamble(CFile& undo, UndoPreamble& pre, uint32_t& version);

// One record, decoded.
struct UndoRecord {
    enum class Kind { kBlock, kPages } kind = Kind::kBlock;
    int64_t block = 0;    // the block's position in the map
    int64_t bytesAt = 0;  // kBlock: where its saved bytes lie in the undo file
    UnitSums sums{};      // kPages: a CRC-32 of each unit's own bytes
    uint32_t size = 0;    // bytes the record takes
};

// Reads the record at `at` of an undo file of `length` bytes checked in
// units into rec, with scratch (kUndoBlockRecordSize bytes) for its bytes;
// false when it is cut short, has no known tag or its CRC differs.
bool ReadUndoRecord(CFile& undo, int64_t at, uint64_t length, const CheckUnits& units,
                    UndoRecord& rec, uint8_t* scratch);

// The head and tail of a block record around the block's bytes.
void EncodeBlockRecord(int64_t block, const uint8_t* bytes, uint8_t (&head)[kUndoBlockBytesAt],
                       uint8_t (&tail)[4]);
// A whole record of unit sums.
std::vector<uint8_t> EncodePageRecord(int64_t block, const UnitSums& sums,
                                      const CheckUnits& units = kSectorUnits);
