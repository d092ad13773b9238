#include "correction/TileWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <random>
#include <set>

#include "elevation/MeshPatch.h"
#include "elevation/TileIndex.h"
#include "framework/Exception.h"
#include "framework/MemoryFile.h"
#include "samples/SampleMap.h"
#include "testsupport/CFileWrapper.h"
#include "testsupport/FaultyFile.h"

namespace {

int16_t Original(size_t tile, int cell) {
    return static_cast<int16_t>((tile * 7919 + cell * 13) % 3000 - 100);
}

// Fifteen tiles of a 5 x 3 block at the sample origin, two of them not
// listed; meshes 5239q v (q 4-7) and 5339 0v cover it and its north edge.
SampleMapLayout Layout() {
    SampleMapLayout layout;
    for (int ty = 0; ty < 3; ++ty)
        for (int tx = 0; tx < 5; ++tx)
            if (!(tx == 2 && ty == 1) && !(tx == 4 && ty == 0)) layout.tiles.push_back({tx, ty});
    return layout;
}

struct Mesh {
    int32_t code;
    std::unique_ptr<MeshGrid> grid;
};

// Meshes in a fixed random order, some of them twice, with values that
// often repeat what the map holds so that "changed" differs from "cells".
std::vector<Mesh> Meshes(unsigned seed, int count) {
    std::mt19937 random(seed);
    std::vector<Mesh> meshes;
    for (int i = 0; i < count; ++i) {
        const int q = 4 + static_cast<int>(random() % 5);
        const int v = static_cast<int>(random() % 8);
        const int32_t code = q < 8 ? 523900 + q * 10 + v : 533900 + v;
        auto grid = std::make_unique<MeshGrid>();
        const int base = static_cast<int>(random() % 3);
        for (int c = 0; c < kMeshCells; ++c)
            grid->cells[c] = static_cast<int16_t>(base == 0 ? -9999 : (c * base) % 40 - 5);
        meshes.push_back({code, std::move(grid)});
    }
    return meshes;
}

struct Map {
    CMemoryFile file;
    DCMHEADER header;
    CTileIndex index;

    explicit Map(const std::vector<uint8_t>& bytes) : file(bytes) {
        EXPECT_EQ(LoadTileIndex(file, header, index), IndexLoad::kLoaded);
    }
};

// The plain path: each mesh reads, patches and writes its tiles in turn;
// the tallies come from comparing the whole map before and after each mesh.
struct PlainRun {
    std::vector<uint8_t> bytes;
    std::vector<int64_t> changed;
};
PlainRun RunPlain(const std::vector<uint8_t>& original, const std::vector<Mesh>& meshes) {
    Map map(original);
    PlainRun run;
    auto tile = std::make_unique<uint8_t[]>(kTileBlockSize);
    for (const Mesh& mesh : meshes) {
        const std::vector<uint8_t> before = map.file.Bytes();
        PatchGridIntoMap(map.file, map.header, map.index, mesh.code, *mesh.grid, tile.get());
        int64_t changed = 0;
        for (size_t i = 0; i < before.size(); i += 2)
            changed += before[i] != map.file.Bytes()[i] || before[i + 1] != map.file.Bytes()[i + 1];
        run.changed.push_back(changed);
    }
    run.bytes = map.file.Bytes();
    return run;
}

std::vector<MeshTally> RunCached(CFile& file, const Map& map, const std::vector<Mesh>& meshes,
                                 CTileWriter::Mode mode, size_t capacity,
                                 const TileObservers& observers = {}) {
    CTileWriter writer(file, map.header, map.index, mode, capacity, nullptr, observers);
    std::vector<MeshTally> tallies;
    for (const Mesh& mesh : meshes) tallies.push_back(writer.Apply(mesh.code, *mesh.grid));
    writer.Flush();
    writer.ShowFinalTiles();
    return tallies;
}

TEST(TileWriterTest, CachedRunsWriteTheBytesOfThePlainPathAndCountItsChanges) {
    const auto original = BuildSampleMap(Layout(), Original);
    const auto meshes = Meshes(7, 60);
    const PlainRun plain = RunPlain(original, meshes);
    for (size_t capacity : {size_t{1}, size_t{3}, size_t{32}}) {
        Map map(original);
        const auto tallies = RunCached(map.file, map, meshes, CTileWriter::Mode::kWrite, capacity);
        EXPECT_TRUE(map.file.Bytes() == plain.bytes) << "capacity " << capacity;
        for (size_t i = 0; i < meshes.size(); ++i)
            ASSERT_EQ(tallies[i].changed, plain.changed[i]) << "mesh " << i;
    }
}

TEST(TileWriterTest, DryRunWritesNothingAndCountsAsTheRealRun) {
    const auto original = BuildSampleMap(Layout(), Original);
    const auto meshes = Meshes(11, 40);
    Map real(original);
    const auto want = RunCached(real.file, real, meshes, CTileWriter::Mode::kWrite, 2);
    Map dry(original);
    const auto got = RunCached(dry.file, dry, meshes, CTileWriter::Mode::kDryRun, 2);
    EXPECT_TRUE(dry.file.Bytes() == original);
    for (size_t i = 0; i < meshes.size(); ++i) {
        EXPECT_EQ(got[i].tiles, want[i].tiles);
        EXPECT_EQ(got[i].cells, want[i].cells);
        EXPECT_EQ(got[i].changed, want[i].changed) << "mesh " << i;
    }
}

TEST(TileWriterTest, CountsWhatAMeshWrote) {
    const auto original = BuildSampleMap(Layout(), [](size_t, int) { return int16_t{0}; });
    Map map(original);
    CTileWriter writer(map.file, map.header, map.index, CTileWriter::Mode::kWrite);
    auto grid = std::make_unique<MeshGrid>();
    std::fill(std::begin(grid->cells), std::end(grid->cells), int16_t{-9999});
    // 523976: corner (1200, 600), over tiles (3, 1), (4, 1), (3, 2), (4, 2).
    MeshTally tally = writer.Apply(523976, *grid);
    EXPECT_EQ(tally.tiles, 4);
    EXPECT_EQ(tally.cells, 40000);
    EXPECT_EQ(tally.changed, 0) << "no data stored over no data";
    grid->cells[0] = 12;
    tally = writer.Apply(523976, *grid);
    EXPECT_EQ(tally.changed, 1);
    // 523964: corner (800, 400), all but 40 columns in unlisted tile (2, 1).
    tally = writer.Apply(523964, *grid);
    EXPECT_EQ(tally.tiles, 1);
    EXPECT_EQ(tally.cells, 200 * 40);
    EXPECT_TRUE(tally.bInsideMap);
    // Far west of the origin: no tile there can have a key.
    tally = writer.Apply(513800, *grid);
    EXPECT_EQ(tally.tiles, 0);
    EXPECT_FALSE(tally.bInsideMap);
    // North and east of the map's tiles, in tiles that could have keys.
    EXPECT_FALSE(writer.Apply(533947, *grid).bInsideMap) << "north";
    EXPECT_FALSE(writer.Apply(524040, *grid).bInsideMap) << "east";
    EXPECT_EQ(writer.TilesTouched(), 4u);
}

// Follows the writes: the tiles as left are the bytes written and not read
// again, or, after OnFinalTilesAgain, those that OnFinal gives. Where an event
// gives a block, the bytes are read there again as late as the writer lets
// an observer read them (its next BeforeWrite that reaches them, or the end),
// and must be the event's; so must held bytes, read again when the tile is
// read again or the writer is done.
class CTilesAsLeft final : public ITileObserver {
  public:
    // Without followsWrites, the tiles as left are those OnFinal gives.
    explicit CTilesAsLeft(CFile& map, bool followsWrites = true)
        : m_map(map), m_bFollowsWrites(followsWrites) {}

    bool FollowsWrites() const override { return m_bFollowsWrites; }
    void OnFirstRead(TileNumber tile, int64_t block, const uint8_t* bytes) override {
        m_read.insert({tile.tx, tile.ty});
        ReadLater(block, bytes);
    }
    void OnWritten(TileNumber tile, int64_t block, const uint8_t* bytes, bool held) override {
        Add(tile, bytes);
        ReadLater(block, bytes);
        if (held) m_held.push_back({bytes, Bytes(bytes)});
    }
    void OnReadAgain(TileNumber tile, int64_t block, const uint8_t* bytes, bool held) override {
        auto& written = m_left[{tile.tx, tile.ty}];
        const auto it = std::find(written.begin(), written.end(), Bytes(bytes));
        if (it == written.end())
            ++strays;
        else
            written.erase(it);
        ReadLater(block, bytes);
        if (held) ReadHeldNow([&](const uint8_t* at) { return at == bytes; });
    }
    void OnWriterDone() noexcept override {
        ReadHeldNow([](const uint8_t*) { return true; });
    }
    void BeforeWrite(int64_t block) override {
        ReadNow([&](int64_t at) {
            return at < block + int64_t{kTileBlockSize} && block < at + int64_t{kTileBlockSize};
        });
    }
    void OnFinalTilesAgain() override { m_left.clear(); }
    void OnFinal(TileNumber tile, const uint8_t* bytes, bool) override { Add(tile, bytes); }

    // The tiles that differ from what map holds, or that were left twice or
    // never though read, and the bytes read late that were not the event's.
    int Mismatches(const Map& map, CFile& file) {
        int wrong = strays + LateReadsWrong();
        for (const auto& tile : m_read) wrong += m_left.count(tile) == 0;
        for (const auto& [tile, left] : m_left) {
            const auto block =
                WritableBlock(map.index, {tile.first, tile.second}, file.GetLength());
            std::vector<uint8_t> now(kTileBlockSize);
            if (block) file.ReadAt(*block, now.data(), kTileBlockSize);
            wrong += left.size() != 1 || !block || left[0] != now;
        }
        return wrong;
    }
    // The blocks and held bytes that no longer held an event's bytes when
    // read late.
    int LateReadsWrong() {
        ReadNow([](int64_t) { return true; });
        return m_nLateReadsWrong;
    }
    size_t Tiles() const { return m_left.size(); }
    int strays = 0;  // reads again of bytes never written

  private:
    static std::vector<uint8_t> Bytes(const uint8_t* bytes) {
        return {bytes, bytes + kTileBlockSize};
    }
    void Add(TileNumber tile, const uint8_t* bytes) {
        m_left[{tile.tx, tile.ty}].push_back(Bytes(bytes));
    }
    void ReadLater(int64_t block, const uint8_t* bytes) {
        if (block >= 0) m_later.push_back({block, Bytes(bytes)});
    }
    template <class Reaches>
    void ReadNow(Reaches reaches) {
        std::vector<uint8_t> now(kTileBlockSize);
        for (auto it = m_later.begin(); it != m_later.end();) {
            if (!reaches(it->first)) {
                ++it;
                continue;
            }
            m_map.ReadAt(it->first, now.data(), kTileBlockSize);
            m_nLateReadsWrong += now != it->second;
            it = m_later.erase(it);
        }
    }

    template <class Reaches>
    void ReadHeldNow(Reaches reaches) {
        for (auto it = m_held.begin(); it != m_held.end();) {
            if (!reaches(it->first)) {
                ++it;
                continue;
            }
            m_nLateReadsWrong += Bytes(it->first) != it->second;
            it = m_held.erase(it);
        }
    }

    CFile& m_map;
    bool m_bFollowsWrites;
    int m_nLateReadsWrong = 0;
    std::vector<std::pair<const uint8_t*, std::vector<uint8_t>>> m_held;
    std::map<std::pair<int64_t, int64_t>, std::vector<std::vector<uint8_t>>> m_left;
    std::set<std::pair<int64_t, int64_t>> m_read;
    std::vector<std::pair<int64_t, std::vector<uint8_t>>> m_later;
};

// A map whose index lists blocks that share bytes: tile (1, 0) starts half
// way into the block of tile (0, 0).
std::vector<uint8_t> OverlappingMap() {
    SampleMapLayout layout;
    layout.tiles = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    auto bytes = BuildSampleMap(layout, Original);
    StoreLE32(bytes.data() + SampleIndexOffset() + 16 + 4,
              static_cast<int32_t>(SampleBlockOffset(0) + kTileBlockSize / 2));
    return bytes;
}

TEST(TileWriterTest, OverlappingBlocksAreWrittenAsThePlainPathWritesThem) {
    const auto original = OverlappingMap();
    const auto meshes = Meshes(3, 30);
    const PlainRun plain = RunPlain(original, meshes);
    Map map(original);
    EXPECT_TRUE(IndexHasOverlappingBlocks(map.index, original.size()));
    CTilesAsLeft observer(map.file);
    const auto tallies =
        RunCached(map.file, map, meshes, CTileWriter::Mode::kWrite, 32, {&observer});
    EXPECT_TRUE(map.file.Bytes() == plain.bytes);
    // A write changes the tiles whose blocks share its bytes.
    EXPECT_EQ(observer.Mismatches(map, map.file), 0);
    Map dry(original);
    CTilesAsLeft dryObserver(dry.file);
    const auto dryTallies =
        RunCached(dry.file, dry, meshes, CTileWriter::Mode::kDryRun, 32, {&dryObserver});
    EXPECT_TRUE(dry.file.Bytes() == original);
    EXPECT_EQ(dryObserver.LateReadsWrong(), 0) << "a dry run's view is not the map's";
    for (size_t i = 0; i < meshes.size(); ++i)
        ASSERT_EQ(dryTallies[i].changed, tallies[i].changed) << "mesh " << i;
}

TEST(TileWriterTest, TheTilesShownAsLeftAreTheMapAsTheRunLeftIt) {
    const auto original = BuildSampleMap(Layout(), Original);
    const auto meshes = Meshes(17, 40);
    const PlainRun plain = RunPlain(original, meshes);
    // Through small caches tiles are written, kept and patched again, or
    // written, dropped and read again, many times; through 32, a dry run
    // shows none before the end.
    for (size_t capacity : {size_t{2}, size_t{4}, size_t{8}, size_t{32}}) {
        for (auto mode : {CTileWriter::Mode::kWrite, CTileWriter::Mode::kDryRun}) {
            Map map(original);
            CTilesAsLeft observer(map.file);
            RunCached(map.file, map, meshes, mode, capacity, {&observer});
            Map left(plain.bytes);
            EXPECT_EQ(observer.Mismatches(left, left.file), 0)
                << "capacity " << capacity << (mode == CTileWriter::Mode::kDryRun ? ", dry" : "");
            EXPECT_EQ(observer.Tiles(), 13u);
        }
    }
}

TEST(TileWriterTest, EveryObserverOfTheListIsShownTheTilesAsLeft) {
    const auto original = BuildSampleMap(Layout(), Original);
    const auto meshes = Meshes(17, 40);
    const PlainRun plain = RunPlain(original, meshes);
    for (size_t capacity : {size_t{2}, size_t{32}}) {
        for (auto mode : {CTileWriter::Mode::kWrite, CTileWriter::Mode::kDryRun}) {
            Map map(original);
            // One learns the tiles as left from the writes, the other from
            // the reads at the end.
            CTilesAsLeft reader(map.file, false);
            CTilesAsLeft follower(map.file);
            RunCached(map.file, map, meshes, mode, capacity, {&reader, &follower});
            Map left(plain.bytes);
            const std::string run = "capacity " + std::to_string(capacity) +
                                    (mode == CTileWriter::Mode::kDryRun ? ", dry" : "");
            EXPECT_EQ(reader.Mismatches(left, left.file), 0) << run;
            EXPECT_EQ(follower.Mismatches(left, left.file), 0) << run;
            EXPECT_EQ(reader.Tiles(), 13u) << run;
            EXPECT_EQ(follower.Tiles(), 13u) << run;
        }
    }
}

TEST(TileWriterTest, ABlockThatCannotBeWrittenKeepsNoOtherTileFromTheDisk) {
    const auto original = BuildSampleMap(Layout(), Original);
    const auto meshes = Meshes(13, 30);
    const PlainRun plain = RunPlain(original, meshes);
    const int64_t bad = SampleBlockOffset(0);  // the first the flush writes
    Map map(original);
    CBadBlockFile file(map.file, bad, CFileException::Op::kWrite);
    CTilesAsLeft observer(map.file);
    CTileWriter writer(file, map.header, map.index, CTileWriter::Mode::kWrite, 32, nullptr,
                       {&observer});
    for (const Mesh& mesh : meshes) writer.Apply(mesh.code, *mesh.grid);
    EXPECT_THROW(writer.Flush(), CFileException);
    writer.FlushAfterFailure();
    std::vector<uint8_t> want = plain.bytes;
    std::copy(original.begin() + bad, original.begin() + bad + kTileBlockSize, want.begin() + bad);
    EXPECT_TRUE(map.file.Bytes() == want);
    // The tile never written is shown as the map still holds it.
    writer.ShowFinalTiles();
    EXPECT_EQ(observer.Mismatches(map, map.file), 0);
    EXPECT_EQ(observer.Tiles(), writer.TilesTouched());
}

// Records the order of saves, commits and writes.
class CJournalLog final : public ITileJournal {
  public:
    void Save(int64_t block, const uint8_t*) override { events.push_back({'S', block}); }
    void Intend(int64_t block, const uint8_t*) override { events.push_back({'I', block}); }
    void Commit() override {
        events.push_back({'C', 0});
        if (bFailCommit) throw CFileException(CFileException::Op::kSync, "undo", "no space left");
    }
    std::vector<std::pair<char, int64_t>> events;
    bool bFailCommit = false;
};

class CWriteLog final : public CFileWrapper {
  public:
    CWriteLog(CFile& inner, CJournalLog& log) : CFileWrapper(inner), m_log(log) {}
    void WriteAt(int64_t p, const void* b, uint32_t n) override {
        m_log.events.push_back({'W', p});
        CFileWrapper::WriteAt(p, b, n);
    }

  private:
    CJournalLog& m_log;
};

TEST(TileWriterTest, EveryBlockIsSavedAndCommittedBeforeItIsOverwritten) {
    const auto original = BuildSampleMap(Layout(), Original);
    const auto meshes = Meshes(9, 60);
    Map map(original);
    CJournalLog journal;
    CWriteLog file(map.file, journal);
    CTileWriter writer(file, map.header, map.index, CTileWriter::Mode::kWrite, 8, &journal);
    for (const Mesh& mesh : meshes) writer.Apply(mesh.code, *mesh.grid);
    writer.Flush();
    std::map<int64_t, int> saves;
    std::map<int64_t, bool> committed;
    int writes = 0, commits = 0;
    for (const auto& [kind, block] : journal.events) {
        if (kind == 'S') {
            ++saves[block];
            committed[block] = false;
        } else if (kind == 'C') {
            ++commits;
            for (auto& entry : committed) entry.second = true;
        } else if (kind == 'W') {
            ++writes;
            ASSERT_TRUE(committed[block]) << "block " << block << " written before its save";
        }
    }
    for (const auto& [block, n] : saves) EXPECT_EQ(n, 1) << "block " << block << " saved twice";
    EXPECT_LT(commits * 2, writes) << "commits come in batches";
}

TEST(TileWriterTest, AFailedFlushCommitsBeforeItWritesAndAFailedCommitWritesNothing) {
    const auto original = BuildSampleMap(Layout(), Original);
    const auto meshes = Meshes(9, 20);
    for (bool commitFails : {false, true}) {
        Map map(original);
        CJournalLog journal;
        CWriteLog logged(map.file, journal);
        CBadBlockFile file(logged, SampleBlockOffset(0), CFileException::Op::kWrite);
        CTileWriter writer(file, map.header, map.index, CTileWriter::Mode::kWrite, 32, &journal);
        for (const Mesh& mesh : meshes) writer.Apply(mesh.code, *mesh.grid);
        EXPECT_THROW(writer.Flush(), CFileException);
        journal.events.clear();
        journal.bFailCommit = commitFails;
        writer.FlushAfterFailure();
        bool committed = false;
        int writes = 0;
        for (const auto& [kind, block] : journal.events) {
            if (kind == 'C') committed = !commitFails;
            if (kind == 'W') {
                ++writes;
                EXPECT_TRUE(committed) << "block " << block << " written before a commit";
            }
        }
        EXPECT_EQ(writes > 0, !commitFails);
    }
}

TEST(TileWriterTest, EachTileIsSeenAsFirstReadOnceThoughItLeavesTheCache) {
    const auto original = BuildSampleMap(Layout(), Original);
    const auto meshes = Meshes(21, 40);
    Map map(original);
    CJournalLog journal;
    class CFirstReads final : public ITileObserver {
      public:
        void OnFirstRead(TileNumber tile, int64_t, const uint8_t*) override {
            ++reads[{tile.tx, tile.ty}];
        }
        void OnFinal(TileNumber, const uint8_t*, bool) override {}
        std::map<std::pair<int64_t, int64_t>, int> reads;
    } observer;
    CTileWriter writer(map.file, map.header, map.index, CTileWriter::Mode::kWrite, 1, &journal,
                       {&observer});
    for (const Mesh& mesh : meshes) writer.Apply(mesh.code, *mesh.grid);
    writer.Flush();
    std::map<int64_t, int> saves;
    for (const auto& [kind, block] : journal.events)
        if (kind == 'S') ++saves[block];
    EXPECT_EQ(saves.size(), writer.TilesTouched());
    for (const auto& [block, n] : saves) EXPECT_EQ(n, 1) << "block " << block;
    EXPECT_EQ(observer.reads.size(), writer.TilesTouched());
    for (const auto& [tile, n] : observer.reads)
        EXPECT_EQ(n, 1) << tile.first << "," << tile.second;
}

// The distinct cells that differ between two maps.
int64_t CellsDiffering(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    int64_t n = 0;
    for (size_t i = 0; i + 1 < a.size(); i += 2) n += a[i] != b[i] || a[i + 1] != b[i + 1];
    return n;
}

TEST(ChangedCellsTest, EachCellCountsOnceAgainstTheMapBeforeTheRun) {
    const auto original = BuildSampleMap(Layout(), Original);
    // Meshes over the same squares again and again, so that cells change,
    // change again and change back, also after their tile left the cache.
    auto meshes = Meshes(17, 50);
    for (int i = 0; i < 6; ++i) {
        auto grid = std::make_unique<MeshGrid>();
        for (int c = 0; c < kMeshCells; ++c) grid->cells[c] = static_cast<int16_t>(c % 7);
        meshes.insert(meshes.begin() + 8 * i, Mesh{523976, std::move(grid)});
    }
    const PlainRun plain = RunPlain(original, meshes);
    const int64_t want = CellsDiffering(original, plain.bytes);
    for (auto mode : {CTileWriter::Mode::kWrite, CTileWriter::Mode::kDryRun})
        for (size_t capacity : {size_t{1}, size_t{3}, size_t{32}}) {
            for (bool keep : {true, false}) {
                Map map(original);
                CTileWriter writer(map.file, map.header, map.index, mode, capacity);
                if (keep) writer.KeepOriginals([](MeshCorner) { return true; });
                for (const Mesh& mesh : meshes) writer.Apply(mesh.code, *mesh.grid);
                writer.Flush();
                const std::string what = "capacity " + std::to_string(capacity) +
                                         (mode == CTileWriter::Mode::kDryRun ? ", dry" : "") +
                                         (keep ? "" : ", no originals kept");
                // Squares written over within the cache, or in a dry run,
                // find their originals in the map; after a write of their
                // tile only where they were kept. A count that may be off
                // says so.
                if (writer.CountIsExact()) {
                    EXPECT_EQ(writer.CellsDiffering(), want) << what;
                }
                if (keep || mode == CTileWriter::Mode::kDryRun || capacity == 32) {
                    EXPECT_TRUE(writer.CountIsExact()) << what;
                }
                EXPECT_TRUE(map.file.Bytes() == plain.bytes || mode == CTileWriter::Mode::kDryRun)
                    << what;
            }
        }
}

// A journal that fails at the n-th call of one kind ('S', 'I' or 'C') as a
// full disk would: once, or, when sticky, at every call from then on.
class CFailingJournal final : public ITileJournal {
  public:
    CFailingJournal(char kind, int nth, bool sticky = false)
        : m_kind(kind), m_nth(nth), m_bSticky(sticky) {}
    void Save(int64_t, const uint8_t*) override { Count('S'); }
    void Intend(int64_t, const uint8_t*) override { Count('I'); }
    void Commit() override { Count('C'); }

  private:
    void Count(char kind) {
        const bool failing = m_bSticky && m_bFailed;
        if (failing || (kind == m_kind && --m_nth == 0)) {
            m_bFailed = true;
            throw CFileException(CFileException::Op::kWrite, "undo", "no space left");
        }
    }
    char m_kind;
    int m_nth;
    bool m_bSticky;
    bool m_bFailed = false;
};

struct Ending {
    std::vector<uint8_t> bytes;
    size_t applied = 0;
    bool bFailed = false;
    bool bJournal = false;
    bool bPartial = false;  // the writer says the map holds part of a mesh
    int leftWrong = 0;      // tiles the observer was shown otherwise than as left
};

// A run as CorrectOpenMap makes it: meshes until one fails, then the flush
// of a failed run.
Ending RunWithFault(const std::vector<uint8_t>& original, const std::vector<Mesh>& meshes,
                    size_t capacity, CFileException::Op op, char journalKind, int nth,
                    bool sticky = false) {
    Map map(original);
    const bool onMap = journalKind == 0;
    CFaultyFile file(map.file, op, onMap ? nth : 0);
    CFailingJournal journal(journalKind, onMap ? 0 : nth, sticky);
    CTilesAsLeft observer(map.file);
    CTileWriter writer(file, map.header, map.index, CTileWriter::Mode::kWrite, capacity, &journal,
                       {&observer});
    Ending ending;
    try {
        for (const Mesh& mesh : meshes) {
            writer.Apply(mesh.code, *mesh.grid);
            ++ending.applied;
        }
        writer.Flush();
    } catch (const CJournalException&) {
        ending.bFailed = ending.bJournal = true;
        writer.FlushAfterFailure();
    } catch (const CFileException&) {
        ending.bFailed = true;
        writer.FlushAfterFailure();
    }
    ending.bytes = map.file.Bytes();
    ending.bPartial = writer.LeftPartOfAMesh();
    try {
        writer.ShowFinalTiles();
    } catch (const CFileException&) {
        return ending;  // the failure fell on a read of the tiles as left
    }
    ending.leftWrong = observer.Mismatches(map, map.file);
    return ending;
}

TEST(FailureTest, AFailureAtAnyCallLeavesExactlyTheMeshesApplied) {
    const auto meshes = Meshes(23, 10);
    struct Case {
        const char* name;
        std::vector<uint8_t> map;
        size_t capacity;
    };
    // Through a cache of three, a tile a mesh patched can be written while
    // the mesh goes on, and stay held when it fails.
    const Case cases[] = {{"cache of 1", BuildSampleMap(Layout(), Original), 1},
                          {"cache of 3", BuildSampleMap(Layout(), Original), 3},
                          {"cache of 32", BuildSampleMap(Layout(), Original), 32},
                          {"overlapping blocks", OverlappingMap(), 32}};
    struct Fault {
        CFileException::Op op;
        char journal;
    };
    const Fault faults[] = {{CFileException::Op::kRead, 0},
                            {CFileException::Op::kWrite, 0},
                            {CFileException::Op::kOpen, 'S'},
                            {CFileException::Op::kOpen, 'I'},
                            {CFileException::Op::kOpen, 'C'}};
    for (const Case& c : cases) {
        std::vector<std::vector<uint8_t>> plain;  // after 0, 1, ... meshes
        for (size_t n = 0; n <= meshes.size(); ++n) {
            std::vector<Mesh> first;
            for (size_t i = 0; i < n; ++i) first.push_back({meshes[i].code, nullptr});
            auto copy = [&](size_t i) { return std::make_unique<MeshGrid>(*meshes[i].grid); };
            for (size_t i = 0; i < n; ++i) first[i].grid = copy(i);
            plain.push_back(RunPlain(c.map, first).bytes);
        }
        for (const Fault& fault : faults) {
            for (int nth = 1;; ++nth) {
                const Ending ending =
                    RunWithFault(c.map, meshes, c.capacity, fault.op, fault.journal, nth);
                ASSERT_TRUE(ending.bytes == plain[ending.applied])
                    << c.name << ", fault " << static_cast<int>(fault.op) << fault.journal
                    << " at call " << nth << ": the map is not the first " << ending.applied
                    << " meshes";
                EXPECT_EQ(ending.bJournal, ending.bFailed && fault.journal != 0);
                EXPECT_FALSE(ending.bPartial) << "a failure met once leaves no part of a mesh";
                EXPECT_EQ(ending.leftWrong, 0) << c.name << ": tiles shown otherwise than left";
                if (!ending.bFailed) break;
            }
        }
    }
}

TEST(FailureTest, AJournalThatKeepsFailingIsToldToLeavePartOfAMesh) {
    // Nothing more can be written once the journal fails for good: where the
    // map then holds part of a mesh, the writer says so.
    const auto meshes = Meshes(23, 10);
    const auto original = BuildSampleMap(Layout(), Original);
    std::vector<std::vector<uint8_t>> plain;
    for (size_t n = 0; n <= meshes.size(); ++n) {
        std::vector<Mesh> first;
        for (size_t i = 0; i < n; ++i)
            first.push_back({meshes[i].code, std::make_unique<MeshGrid>(*meshes[i].grid)});
        plain.push_back(RunPlain(original, first).bytes);
    }
    int partial = 0;
    for (size_t capacity : {size_t{1}, size_t{4}, size_t{32}})
        for (char kind : {'S', 'I', 'C'})
            for (int nth = 1;; ++nth) {
                const Ending ending = RunWithFault(original, meshes, capacity,
                                                   CFileException::Op::kOpen, kind, nth, true);
                if (!ending.bFailed) break;
                EXPECT_EQ(ending.leftWrong, 0)
                    << capacity << kind << nth << ": tiles shown otherwise than left";
                if (ending.bytes != plain[ending.applied]) {
                    EXPECT_TRUE(ending.bPartial) << capacity << kind << nth;
                    ++partial;
                }
            }
    EXPECT_GT(partial, 0) << "no case left part of a mesh: the test tries nothing";
}

TEST(TileWriterTest, ABlockListedUnderTwoKeysCountsOnceForAMesh) {
    // Tile (4, 1) lists the block of tile (3, 1); 523976 covers both.
    SampleMapLayout layout;
    layout.tiles = {{3, 1}, {4, 1}};
    auto bytes = BuildSampleMap(layout, Original);
    StoreLE32(bytes.data() + SampleIndexOffset() + 16 + 4,
              static_cast<int32_t>(SampleBlockOffset(0)));
    Map map(bytes);
    CTileWriter writer(map.file, map.header, map.index, CTileWriter::Mode::kWrite);
    auto grid = std::make_unique<MeshGrid>();
    std::fill(std::begin(grid->cells), std::end(grid->cells), int16_t{5});
    EXPECT_EQ(writer.Apply(523976, *grid).tiles, 1);
    EXPECT_EQ(writer.TilesTouched(), 1u);
}

TEST(OverlapTest, ABlockEndingAtTheEndOfTheFileCountsAndOnePastItDoesNot) {
    SampleMapLayout layout;
    layout.tiles = {{0, 0}, {1, 0}};
    auto bytes = BuildSampleMap(layout, Original);
    // The second block starts half way into the first and ends the file.
    const uint32_t second = SampleBlockOffset(0) + kTileBlockSize / 2;
    StoreLE32(bytes.data() + SampleIndexOffset() + 16 + 4, static_cast<int32_t>(second));
    bytes.resize(second + kTileBlockSize);
    Map ending(bytes);
    EXPECT_TRUE(IndexHasOverlappingBlocks(ending.index, bytes.size()));
    // One byte short: the second block is never read, so nothing overlaps.
    EXPECT_FALSE(IndexHasOverlappingBlocks(ending.index, bytes.size() - 1));
}

}  // namespace
