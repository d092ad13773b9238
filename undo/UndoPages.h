#pragma once

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "elevation/DcmLayout.h"

// How an undo file tells this run's bytes in a tile block from anyone
// else's: by units of the block's bytes, each summed over its own bytes only,
// those that no other block of the map covers. Where listed blocks overlap,
// the write of one changes bytes of the other, so those shared bytes say
// nothing about whose write a block holds. The journal and the restore both
// take the blocks from the index the undo file keeps, so they agree on every
// block's own bytes.
//
// A power loss tears a write where the disk does: at its sectors, counted
// from the start of the file, 512 bytes on most disks and 4 KiB on others.
// Every such piece of a block holds either what it held or what the run
// wrote, so the units are the 512-byte sectors of the map file, which fit
// into both. The first files (format 2) took 4 KiB pages counted from each
// block's start instead, which a tear at the disk's sectors cuts through.

// The units a format checks a block in.
struct CheckUnits {
    uint32_t size;       // bytes a unit
    bool fromFileStart;  // counted from the start of the map file, else of the block
    uint32_t count;      // the sums a record holds: the most units a block meets
};
constexpr CheckUnits kSectorUnits{512, true, kTileBlockSize / 512 + 1};
constexpr CheckUnits kBlockPageUnits{4096, false, kTileBlockSize / 4096};
static_assert(kTileBlockSize % 4096 == 0, "a block is whole pages");

constexpr uint32_t kMaxCheckUnits = kSectorUnits.count;
using UnitSums = std::array<uint32_t, kMaxCheckUnits>;
using UnitFlags = std::array<bool, kMaxCheckUnits>;

// The distinct positions, ascending, of the blocks a run can write in a map
// of mapLength bytes whose index is the indexLength bytes at index: for each
// key its first entry, when the block lies wholly inside the map.
std::vector<int64_t> ListedBlocks(const uint8_t* index, uint64_t indexLength, uint64_t mapLength);

// Byte ranges [first, second) of a block, counted from its start.
using ByteRuns = std::vector<std::pair<uint32_t, uint32_t>>;

// The bytes of the block at position block that no other block of listed
// (as ListedBlocks gives it) covers, in ascending order.
ByteRuns OwnBytes(const std::vector<int64_t>& listed, int64_t block);

// The own bytes of the block at position block (kTileBlockSize bytes) as
// the units of a format cut them.
class CBlockUnits {
  public:
    CBlockUnits(const CheckUnits& units, int64_t block, ByteRuns own);

    // CRC-32 of each unit's own bytes, in the order they lie; a unit
    // without own bytes, and those past the format's count, have the CRC of
    // nothing.
    void Sum(const uint8_t* bytes, UnitSums& sums) const;
    // Which units hold at least one own byte: the others are never compared.
    void Checked(UnitFlags& checked) const;
    // True when unit `unit` of blocks a and b agree on every own byte.
    bool Same(const uint8_t* a, const uint8_t* b, uint32_t unit) const;

  private:
    // Calls f(unit, from, to) for each piece of the own bytes in one unit.
    template <typename F>
    void ForEachPiece(F f) const;

    uint32_t m_size;
    uint32_t m_shift;  // where the block starts in its first unit
    ByteRuns m_own;
};

// The CRC-32 of every checksum in an undo file (zlib's and PNG's, the same
// values as zlib's crc32), continued from crc over n bytes. Through
// libdeflate, which folds with the processor's carry-less multiply where it
// has one: a run with an undo file checks every block twice.
uint32_t UndoCrc32(uint32_t crc, const uint8_t* bytes, size_t n);
