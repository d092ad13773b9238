// Fuzzes restore with arbitrary undo-file bytes over a small map that a
// real run corrected, and judges it by a reader of the format of its own:
// restore either makes the map exactly what a valid file promises (its
// committed blocks written back, the last saved first) or refuses, for the
// reason the reader finds, and leaves the map untouched. It never writes
// anywhere else.
//
// Input: one byte of flags, then the undo file. Flags: bit 0, the blocks of
// the map overlap; bits 1-2, the map as the run left it, as it was before,
// with one byte changed since, or with the run's first block written back;
// bit 3, --force; bit 4, stop after (bits 5-7) blocks and restore again.
// The map's blocks lie off the disk's sectors.
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <vector>

#include "framework/MemoryFile.h"
#include "fuzz/UndoRun.h"
#include "undo/UndoFile.h"

namespace {

constexpr size_t kBlock = 204800;

uint64_t Le(const uint8_t* p, int n) {
    uint64_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = v << 8 | p[i];
    return v;
}
uint32_t Crc(const uint8_t* p, size_t n, uint32_t crc = 0) {
    return static_cast<uint32_t>(::crc32(crc, p, static_cast<uInt>(n)));
}

enum class Verdict { kValid, kNotBegun, kBadFile, kOtherMap, kChanged };

// What the reference reader makes of an undo file over a map.
struct Reading {
    Verdict verdict = Verdict::kBadFile;
    std::vector<uint8_t> expected;  // kValid: the map once restored
};

Reading Read(const std::vector<uint8_t>& u, const std::vector<uint8_t>& map, bool force) {
    Reading r;
    const size_t fixed = 12 + 2 * 28 + 8 + 214 + 8 + 4;
    if (u.size() < 68 || std::memcmp(u.data(), "ZELVUNDO", 8) != 0) return r;
    const uint64_t version = Le(&u[8], 4);
    if (version != 2 && version != 3) return r;
    // Format 3 checks 512-byte sectors counted from the file's start, 401
    // sums a write; format 2 4 KiB pages counted from the block's start, 50.
    const uint64_t unit = version == 3 ? 512 : 4096, units = version == 3 ? 401 : 50;
    const auto unitOf = [&](uint64_t block, uint64_t i) {
        return version == 3 ? i / unit - block / unit : (i - block) / unit;
    };
    const auto intact = [&](const uint8_t* s) { return Crc(s, 24) == Le(s + 24, 4); };
    if (version == 3 && intact(&u[12]) && intact(&u[40]) && Le(&u[28], 8) == 0 &&
        Le(&u[56], 8) == 0) {
        r.verdict = Verdict::kNotBegun;
        return r;
    }
    if (u.size() < fixed) return r;
    const uint64_t mapLength = Le(&u[68], 8);
    const uint64_t indexAt = Le(&u[290], 8), indexLength = Le(&u[298], 4);
    if (u.size() < fixed + indexLength + 4 || indexAt > INT64_MAX) return r;
    uint32_t crc = Crc(u.data(), 12);
    crc = Crc(&u[68], fixed + indexLength - 68, crc);
    if (crc != Le(&u[fixed + indexLength], 4)) return r;
    const uint64_t start = fixed + indexLength + 4;
    // The slot with the later end; the first on a tie.
    const uint8_t* slot = nullptr;
    for (const uint8_t* s : {&u[12], &u[40]})
        if (Crc(s, 24) == Le(s + 24, 4) && (!slot || Le(s + 16, 8) > Le(slot + 16, 8))) slot = s;
    if (!slot || Le(slot + 16, 8) < start) return r;
    const uint64_t blocks = Le(slot, 8), records = Le(slot + 8, 8), end = Le(slot + 16, 8);

    // Which map bytes each block of the index covers, by byte.
    const uint8_t* index = &u[fixed];
    std::set<uint64_t> keys, listed;
    for (uint64_t e = 0; e + 16 <= indexLength; e += 16) {
        if (!keys.insert(Le(index + e, 4)).second) continue;
        const auto at = static_cast<int32_t>(Le(index + e + 4, 4));
        if (at >= 0 && uint64_t(at) + kBlock <= mapLength) listed.insert(uint64_t(at));
    }

    std::vector<std::pair<uint64_t, uint64_t>> saved;  // block, where its bytes lie
    std::map<uint64_t, std::vector<std::vector<uint32_t>>> sums;
    uint64_t at = start, n = 0;
    for (; at < end; ++n) {
        if (at + 4 > u.size()) return r;
        const bool block = std::memcmp(&u[at], "BLCK", 4) == 0;
        if (!block && std::memcmp(&u[at], "PAGE", 4) != 0) return r;
        const uint64_t size = block ? 4 + 8 + kBlock + 4 : 4 + 8 + 4 * units + 4;
        if (at + size > u.size() || Crc(&u[at], size - 4) != Le(&u[at + size - 4], 4)) return r;
        const uint64_t b = Le(&u[at + 4], 8);
        if (block) {
            if (!listed.count(b) || sums.count(b)) return r;
            saved.push_back({b, at + 12});
            sums[b];
        } else {
            if (!sums.count(b)) return r;
            std::vector<uint32_t> sum(units);
            for (size_t p = 0; p < units; ++p)
                sum[p] = static_cast<uint32_t>(Le(&u[at + 12 + 4 * p], 4));
            sums[b].push_back(sum);
        }
        at += size;
    }
    if (at != end || saved.size() != blocks || n != records) return r;

    r.verdict = Verdict::kOtherMap;
    if (map.size() != mapLength) return r;
    r.expected = map;
    for (auto it = saved.rbegin(); it != saved.rend(); ++it)
        std::copy(&u[it->second], &u[it->second] + kBlock, r.expected.begin() + it->first);
    if (std::memcmp(r.expected.data(), &u[76], 214) != 0 || indexAt + indexLength > mapLength ||
        std::memcmp(r.expected.data() + indexAt, index, indexLength) != 0)
        return r;

    r.verdict = Verdict::kChanged;
    if (!force) {
        std::vector<uint8_t> cover(map.size() + 1);
        for (uint64_t b : listed)
            for (uint64_t i = b; i < b + kBlock; ++i) cover[i] = uint8_t(std::min(cover[i] + 1, 2));
        for (const auto& [b, bytes] : saved) {
            // Each unit's own bytes (those of no other block), now and saved.
            std::vector<std::vector<uint8_t>> now(units), was(units);
            for (uint64_t i = b; i < b + kBlock; ++i)
                if (cover[i] == 1) {
                    now[unitOf(b, i)].push_back(map[i]);
                    was[unitOf(b, i)].push_back(u[bytes + (i - b)]);
                }
            for (size_t p = 0; p < units; ++p) {
                if (now[p].empty() || now[p] == was[p]) continue;
                const uint32_t sum = Crc(now[p].data(), now[p].size());
                bool ours = false;
                for (const auto& w : sums[b]) ours |= w[p] == sum;
                if (!ours) return r;
            }
        }
    }
    r.verdict = Verdict::kValid;
    return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    static const UndoRun kRuns[2] = {MakeUndoRun(false), MakeUndoRun(true)};
    const UndoRun& run = kRuns[data[0] & 1];
    std::vector<uint8_t> map = run.corrected;
    switch (data[0] >> 1 & 3) {
        case 1:
            map = run.original;
            break;
        case 2:
            map[100000] ^= 0x24;  // in the first block
            break;
        case 3:
            std::copy(run.original.begin() + run.firstBlock,
                      run.original.begin() + run.firstBlock + kBlock, map.begin() + run.firstBlock);
            break;
    }
    const bool force = data[0] & 8;
    const std::vector<uint8_t> undo(data + 1, data + size);
    const Reading reading = Read(undo, map, force);

    CMemoryFile undoFile(undo, "run.undo"), mapFile(map, "map.dcm");
    RestoreOptions options;
    options.bForce = force;
    int left = data[0] >> 5;
    if (data[0] & 16) options.stop = [&] { return left-- == 0; };
    RestoreResult result = RestoreOpenMap(undoFile, mapFile, options);
    if (result.outcome == RestoreOutcome::kStopped) {
        if (reading.verdict != Verdict::kValid) std::abort();
        options.stop = nullptr;
        result = RestoreOpenMap(undoFile, mapFile, options);
    }
    const bool restored = result.outcome == RestoreOutcome::kRestored;
    switch (reading.verdict) {
        case Verdict::kValid:
            if (!restored || mapFile.Bytes() != reading.expected) std::abort();
            return 0;
        case Verdict::kNotBegun:
            if (result.outcome != RestoreOutcome::kNothingToDo) std::abort();
            break;
        case Verdict::kBadFile:
            if (result.outcome != RestoreOutcome::kDamaged &&
                result.outcome != RestoreOutcome::kIncomplete)
                std::abort();
            break;
        case Verdict::kOtherMap:
            if (result.outcome != RestoreOutcome::kOtherMap) std::abort();
            break;
        case Verdict::kChanged:
            if (result.outcome != RestoreOutcome::kChangedSince) std::abort();
            break;
    }
    if (mapFile.Bytes() != map) std::abort();
    return 0;
}
