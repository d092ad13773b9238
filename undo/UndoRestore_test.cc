// Restore over a map as a run, a stopped restore or someone else left it:
// what it accepts, what it refuses, and what the tool says.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <random>
#include <string>

#include "testsupport/CFileWrapper.h"
#include "testsupport/UndoTestFixture.h"
#include "undo/UndoFormat.h"

namespace {

namespace fs = std::filesystem;

// The bytes of a CLoggedMap, a base of their own so that they are built
// before the wrapper that refers to them.
struct CMapBytes {
    explicit CMapBytes(std::vector<uint8_t> bytes) : m_file(std::move(bytes), "map.dcm") {}
    CMemoryFile m_file;
};

// A map in memory that keeps every write made to it.
class CLoggedMap final : private CMapBytes, public CFileWrapper {
  public:
    struct Logged {
        int64_t at;
        std::vector<uint8_t> bytes;
    };

    explicit CLoggedMap(std::vector<uint8_t> bytes)
        : CMapBytes(std::move(bytes)), CFileWrapper(m_file) {}

    void Seek(int64_t position) override {
        m_pos = position;
        CFileWrapper::Seek(position);
    }
    void Write(const void* buffer, uint32_t count) override {
        CFileWrapper::Write(buffer, count);
        const auto* bytes = static_cast<const uint8_t*>(buffer);
        m_writes.push_back({m_pos, std::vector<uint8_t>(bytes, bytes + count)});
        m_pos += count;
    }
    // Positioned calls go through Seek, Read and Write above, so that every
    // write is kept.
    uint32_t ReadAt(int64_t position, void* buffer, uint32_t count) override {
        return CFile::ReadAt(position, buffer, count);  // NOLINT(bugprone-parent-virtual-call)
    }
    void WriteAt(int64_t position, const void* buffer, uint32_t count) override {
        CFile::WriteAt(position, buffer, count);  // NOLINT(bugprone-parent-virtual-call)
    }

    const std::vector<Logged>& Writes() const { return m_writes; }

  private:
    int64_t m_pos = 0;
    std::vector<Logged> m_writes;
};

class RestoreTest : public UndoTest {
  protected:
    // Runs the correction over the map in memory, keeping its writes.
    void LoggedRun(size_t cachedTiles) {
        CLoggedMap map(m_original);
        CorrectWithUndo(cachedTiles, &map);
        m_writes = map.Writes();
        m_undo = ReadAll(Undo());
    }
    // The map after the first k writes, and the (k+1)-th torn as a disk
    // tears it: of its 512-byte sectors, counted from the file's start, only
    // those that `kept` takes (by default every other one) on disk.
    std::vector<uint8_t> MapAfter(size_t k, bool torn = false,
                                  const std::function<bool(size_t)>& kept = {}) const {
        auto map = m_original;
        for (size_t i = 0; i < k + (torn ? 1 : 0); ++i) {
            const auto& w = m_writes[i];
            for (size_t at = 0; at < w.bytes.size();) {
                const size_t sector = (w.at + at) / kSectorBytes;
                const size_t end = std::min((sector + 1) * kSectorBytes - w.at, w.bytes.size());
                if (i < k || (kept ? kept(sector) : sector % 2 == 0))
                    std::copy(w.bytes.begin() + at, w.bytes.begin() + end, map.begin() + w.at + at);
                at = end;
            }
        }
        return map;
    }
    // Keeps three mesh files, over tile (0, 0), then (1, 0), then both: a
    // small run, quick to restore, whose first tile is written twice
    // through a cache of one tile.
    void KeepThreeMeshes() {
        const fs::path mesh = m_dir / "mesh";
        fs::rename(mesh / "523940.mem", m_dir / "a.mem");
        fs::rename(mesh / "523942.mem", m_dir / "b.mem");
        fs::rename(mesh / "523941.mem", m_dir / "c.mem");
        fs::remove_all(mesh);
        fs::create_directory(mesh);
        for (const char* name : {"a.mem", "b.mem", "c.mem"}) fs::rename(m_dir / name, mesh / name);
    }

    static constexpr size_t kSectorBytes = 512;
    std::vector<CLoggedMap::Logged> m_writes;
    std::vector<uint8_t> m_undo;
};

// Every moment of a run leaves each saved block holding, page by page, its
// original or one of the run's writes of it: a block written several times
// (a cache of one tile, or blocks that overlap and are written through),
// saved and never written, or torn by a power loss.
TEST_F(RestoreTest, WhatARunLeftAtAnyMomentIsAccepted) {
    for (bool overlap : {false, true}) {
        if (overlap) OverlapFirstTwoBlocks();
        fs::remove(Undo());
        LoggedRun(1);
        std::map<int64_t, int> writesOf;
        for (const auto& w : m_writes) ++writesOf[w.at];
        ASSERT_GT(std::max_element(writesOf.begin(), writesOf.end(),
                                   [](auto& a, auto& b) { return a.second < b.second; })
                      ->second,
                  1)
            << "some block written more than once";
        const size_t n = m_writes.size();
        for (size_t k : {size_t{0}, size_t{1}, n / 3, n / 2, n - 1, n}) {
            for (bool torn : {false, true}) {
                if (torn && k == n) continue;
                auto map = MapAfter(k, torn);
                const RestoreResult result = RestoreBytes(m_undo, map);
                EXPECT_EQ(result.outcome, RestoreOutcome::kRestored)
                    << "overlap " << overlap << ", after " << k << " writes, torn " << torn << ": "
                    << result.detail;
                EXPECT_TRUE(map == m_original) << "overlap " << overlap << ", after " << k;
            }
        }
    }
}

// A power loss tears a write at the disk's sectors, counted from the start
// of the file, wherever its block lies: cut at every sector boundary, or
// holding any mix of sectors, a block written over an earlier write of the
// run restores; a byte that is neither still refuses.
TEST_F(RestoreTest, ABlockTornAtTheDisksSectorsRestoresAndAChangedByteStillRefuses) {
    KeepThreeMeshes();
    LoggedRun(1);
    // The first write of a block that an earlier write of the run changed.
    size_t k = 0;
    while (k < m_writes.size() &&
           std::none_of(m_writes.begin(), m_writes.begin() + static_cast<long>(k),
                        [&](const CLoggedMap::Logged& w) { return w.at == m_writes[k].at; }))
        ++k;
    ASSERT_LT(k, m_writes.size()) << "a block written twice";
    const auto& w = m_writes[k];
    ASSERT_NE(w.at % kSectorBytes, 0) << "the block lies off the sectors";
    const size_t first = w.at / kSectorBytes, last = (w.at + w.bytes.size() - 1) / kSectorBytes;
    std::vector<std::function<bool(size_t)>> tears;
    for (size_t cut = first + 1; cut <= last; ++cut) {
        tears.push_back([=](size_t sector) { return sector < cut; });
        tears.push_back([=](size_t sector) { return sector >= cut; });
    }
    for (unsigned seed = 1; seed <= 8; ++seed)
        tears.push_back([seed](size_t sector) { return std::minstd_rand(seed + sector)() % 2; });
    tears.push_back([](size_t sector) { return sector / 8 % 2 == 1; });  // 4 KiB from the start
    for (size_t t = 0; t < tears.size(); ++t) {
        auto map = MapAfter(k, true, tears[t]);
        const RestoreResult result = RestoreBytes(m_undo, map);
        ASSERT_EQ(result.outcome, RestoreOutcome::kRestored)
            << "tear " << t << ": " << result.detail;
        ASSERT_TRUE(map == m_original) << "tear " << t;
    }
    auto changed = MapAfter(k, true);
    changed[w.at + w.bytes.size() / 2] ^= 0x08;
    EXPECT_EQ(RestoreBytes(m_undo, changed).outcome, RestoreOutcome::kChangedSince);
}

TEST_F(RestoreTest, AMapChangedSinceTheRunIsRefusedUnlessForced) {
    for (bool overlap : {false, true}) {
        if (overlap) OverlapFirstTwoBlocks();
        fs::remove(Undo());
        LoggedRun(32);
        const auto corrected = MapAfter(m_writes.size());
        // A byte of a saved block: of the first block's own bytes, and of
        // one in the middle of the map.
        for (size_t block : {Block(0), Block(9)}) {
            const size_t at = block + 2001;
            auto changed = corrected;
            changed[at] ^= 0x11;
            auto map = changed;
            const RestoreResult refused = RestoreBytes(m_undo, map);
            EXPECT_EQ(refused.outcome, RestoreOutcome::kChangedSince) << at;
            EXPECT_TRUE(map == changed) << "untouched";
            EXPECT_EQ(static_cast<size_t>(refused.changed), block);
            EXPECT_NE(refused.detail.find("map.dcm was changed after the run that made run.undo"),
                      std::string::npos)
                << refused.detail;
            RestoreOptions force;
            force.bForce = true;
            EXPECT_EQ(RestoreBytes(m_undo, map, force).outcome, RestoreOutcome::kRestored);
            EXPECT_TRUE(map == m_original);
        }
    }
}

TEST_F(RestoreTest, AStoppedRestoreIsCompletedByTheNextOne) {
    for (bool overlap : {false, true}) {
        if (overlap) OverlapFirstTwoBlocks();
        fs::remove(Undo());
        LoggedRun(32);
        for (int64_t k : {0, 1, 5}) {
            auto map = MapAfter(m_writes.size());
            int64_t asked = 0;
            RestoreOptions options;
            options.stop = [&] { return asked++ == k; };
            const RestoreResult stopped = RestoreBytes(m_undo, map, options);
            EXPECT_EQ(stopped.outcome, RestoreOutcome::kStopped);
            EXPECT_EQ(stopped.blocks, k);
            EXPECT_GT(stopped.total, k);
            const RestoreResult again = RestoreBytes(m_undo, map);
            EXPECT_EQ(again.outcome, RestoreOutcome::kRestored) << again.detail;
            EXPECT_TRUE(map == m_original) << "overlap " << overlap << ", stopped after " << k;
        }
    }
}

// The tool's statuses and words for each refusal.
TEST_F(RestoreTest, ADamagedCommitIsNotTakenForAnOlderOne) {
    // A byte of either commit damaged: the other one is read. Where that
    // is the older one, the map shows that the lost commit was made (its
    // blocks were written), and the file is refused as damaged instead of
    // restoring less than the run wrote.
    CorrectWithUndo(4);
    const auto corrected = ReadAll(Map());
    const auto undo = ReadAll(Undo());
    int refused = 0;
    for (uint32_t at = 0; at < 2 * kUndoSlotSize; ++at) {
        auto damaged = undo;
        damaged[kUndoSlotAt + at] ^= 0x55;
        WriteAll(m_dir / "damaged.undo", damaged);
        WriteAll(Map(), corrected);
        const RestoreResult result = RestoreMap((m_dir / "damaged.undo").string(), Map().string());
        if (result.outcome == RestoreOutcome::kRestored) {
            EXPECT_TRUE(ReadAll(Map()) == m_original) << "byte " << at;
        } else {
            EXPECT_EQ(result.outcome, RestoreOutcome::kDamaged) << "byte " << at;
            EXPECT_TRUE(ReadAll(Map()) == corrected) << "byte " << at;
            ++refused;
        }
    }
    EXPECT_GT(refused, 0);
}

TEST_F(RestoreTest, TheToolSaysWhyItRefusesAndLeavesTheMap) {
    CorrectWithUndo();
    const auto corrected = ReadAll(Map());
    const auto undo = ReadAll(Undo());
    const auto run = [&](const std::string& args, int status, const std::string& words) {
        const std::string command = ZELVORIN_CORRECT " " + args + " >" + (m_dir / "out").string() +
                                    " 2>" + (m_dir / "err").string();
        const int raw = std::system(command.c_str());
        ASSERT_TRUE(WIFEXITED(raw));
        EXPECT_EQ(WEXITSTATUS(raw), status) << args;
        const auto out = ReadAll(m_dir / "out"), err = ReadAll(m_dir / "err");
        const std::string text(err.begin(), err.end()),
            said = text + std::string(out.begin(), out.end());
        EXPECT_NE(said.find(words), std::string::npos) << args << ": " << said;
    };
    const std::string restore = "--restore " + Undo().string() + " ";

    run(restore + (m_dir / "missing.dcm").string(), 3, "cannot open the map");
    run(restore + m_dir.string(), 3, "cannot open the map");

    WriteAll(m_dir / "cut.undo", std::vector<uint8_t>(undo.begin(), undo.end() - 17));
    run("--restore " + (m_dir / "cut.undo").string() + " " + Map().string(), 8,
        "refused, map untouched: " + (m_dir / "cut.undo").string() + ": holds ");
    EXPECT_TRUE(ReadAll(Map()) == corrected);

    auto changed = corrected;
    changed[Block(2) + 7] ^= 1;
    WriteAll(Map(), changed);
    run(restore + Map().string(), 8, "undo the later runs first, newest first");
    EXPECT_TRUE(ReadAll(Map()) == changed);
    run("--force " + restore + Map().string(), 0, "blocks restored into");
    EXPECT_TRUE(ReadAll(Map()) == m_original);
}

}  // namespace
