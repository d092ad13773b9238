#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "elevation/DcmLayout.h"

// How an undo file tells this run's bytes in a tile block from anyone
// else's: by the 4 KiB pages of the block, each over its own bytes only,
// those that no other block of the map covers. Where listed blocks overlap,
// the write of one changes bytes of the other, so those shared bytes say
// nothing about whose write a block holds. The journal and the restore both
// take the blocks from the index the undo file keeps, so they agree on every
// block's own bytes.

constexpr uint32_t kUndoPageSize = 4096;
constexpr uint32_t kUndoPages = kTileBlockSize / kUndoPageSize;  // 50
static_assert(kTileBlockSize % kUndoPageSize == 0, "a block is whole pages");

// The distinct positions, ascending, of the blocks a run can write in a map
// of mapLength bytes whose index is the indexLength bytes at index: for each
// key its first entry, when the block lies wholly inside the map.
std::vector<int64_t> ListedBlocks(const uint8_t* index, uint64_t indexLength, uint64_t mapLength);

// Byte ranges [first, second) of a block, counted from its start.
using ByteRuns = std::vector<std::pair<uint32_t, uint32_t>>;

// The bytes of the block at position block that no other block of listed
// (as ListedBlocks gives it) covers, in ascending order.
ByteRuns OwnBytes(const std::vector<int64_t>& listed, int64_t block);

// CRC-32 of each page's own bytes, in the order they lie, for a block of
// kTileBlockSize bytes. A page without own bytes has the CRC of nothing.
void SumPages(const uint8_t* block, const ByteRuns& own, uint32_t (&sums)[kUndoPages]);

// Which pages hold at least one own byte: the others are never compared.
void CheckedPages(const ByteRuns& own, bool (&checked)[kUndoPages]);

// True when page `page` of blocks a and b agree on every own byte.
bool SamePage(const uint8_t* a, const uint8_t* b, const ByteRuns& own, uint32_t page);

// The CRC-32 of every checksum in an undo file (zlib's and PNG's, the same
// values as zlib's crc32), continued from crc over n bytes. Through
// libdeflate, which folds with the processor's carry-less multiply where it
// has one: a run with an undo file checks every block twice.
uint32_t UndoCrc32(uint32_t crc, const uint8_t* bytes, size_t n);
