// The rules an undo file's records and commits keep, each broken here on
// purpose: the slots a commit takes, what a record may say, the map restore
// takes for the one the file was made for, and the file's name on disk.
#include <gtest/gtest.h>

#include <functional>

#include "elevation/TileIndex.h"
#include "framework/Exception.h"
#include "framework/LittleEndian.h"
#include "testsupport/FaultyFile.h"
#include "testsupport/UndoTestFixture.h"
#include "undo/UndoFormat.h"
#include "undo/UndoPages.h"

namespace {

namespace fs = std::filesystem;

class UndoRulesTest : public UndoTest {
  protected:
    // The undo file a journal over map writes in steps, given the journal
    // and the undo file.
    std::vector<uint8_t> Journal(const std::vector<uint8_t>& map,
                                 const std::function<void(CUndoJournal&, CFile&)>& steps) {
        CMemoryFile mapFile(map, "map.dcm"), undo({}, "run.undo");
        DCMHEADER header;
        CTileIndex index;
        EXPECT_EQ(LoadTileIndex(mapFile, header, index), IndexLoad::kLoaded);
        CUndoJournal journal(undo);
        journal.Begin(mapFile, header);
        steps(journal, undo);
        return undo.Bytes();
    }
    const uint8_t* Original(size_t t) const { return m_original.data() + Block(t); }
    // Both slots of undo rewritten to say commit.
    static void SetSlots(std::vector<uint8_t>& undo, const UndoCommit& commit) {
        uint8_t slot[kUndoSlotSize];
        EncodeUndoSlot(commit, slot);
        for (int s = 0; s < 2; ++s)
            std::copy(slot, slot + kUndoSlotSize, undo.begin() + kUndoSlotAt + s * kUndoSlotSize);
    }
    // Restores a copy of the original map, which a refusal leaves as it was.
    RestoreResult Restore(const std::vector<uint8_t>& undo) {
        auto map = m_original;
        const RestoreResult result = RestoreBytes(undo, map);
        if (result.outcome != RestoreOutcome::kRestored) {
            EXPECT_TRUE(map == m_original) << "the map was touched: " << result.detail;
        }
        return result;
    }
    static bool Says(const RestoreResult& result, const std::string& words) {
        return result.detail.find(words) != std::string::npos;
    }
};

// Each commit rewrites the slot the one before did not, so that a cut
// while it is rewritten leaves the last commit but one whole.
TEST_F(UndoRulesTest, CommitsTakeTheSlotsInTurn) {
    Journal(m_original, [&](CUndoJournal& journal, CFile& undo) {
        for (uint64_t blocks = 1; blocks <= 4; ++blocks) {
            journal.Save(Block(blocks), Original(blocks));
            journal.Commit();
            uint8_t slots[2 * kUndoSlotSize];
            undo.ReadAt(kUndoSlotAt, slots, sizeof slots);
            const int last = static_cast<int>((blocks - 1) % 2);
            EXPECT_EQ(GetLE64(slots + last * kUndoSlotSize), blocks);
            EXPECT_EQ(GetLE64(slots + (1 - last) * kUndoSlotSize), blocks - 1);
        }
    });
}

TEST_F(UndoRulesTest, ASlotEndingInsideThePreambleIsRefusedAndOneOfNothingSaysSo) {
    const auto undo = Journal(m_original, [&](CUndoJournal& journal, CFile&) {
        journal.Save(Block(0), Original(0));
        journal.Commit();
    });
    const uint64_t preambleEnd = undo.size() - kUndoBlockRecordSize;
    for (uint64_t end : {uint64_t{1}, uint64_t{kUndoFixedSize}, preambleEnd - 1}) {
        auto inside = undo;
        SetSlots(inside, {0, 0, end});
        EXPECT_EQ(Restore(inside).outcome, RestoreOutcome::kDamaged) << end;
    }
    // Nothing committed past the preamble: a run that wrote nothing.
    auto none = undo;
    SetSlots(none, {0, 0, preambleEnd});
    const RestoreResult nothing = Restore(none);
    EXPECT_EQ(nothing.outcome, RestoreOutcome::kRestored) << nothing.detail;
    EXPECT_EQ(nothing.blocks, 0);
    // Both slots as a new file has them: its run never read the map.
    auto fresh = undo;
    SetSlots(fresh, {0, 0, 0});
    EXPECT_EQ(Restore(fresh).outcome, RestoreOutcome::kNothingToDo);
    fresh[kUndoSlotAt + 3] ^= 1;  // one slot of nothing damaged
    EXPECT_EQ(Restore(fresh).outcome, RestoreOutcome::kDamaged);
}

TEST_F(UndoRulesTest, RecordsThatContradictTheirCommitAreRefused) {
    auto twice = Journal(m_original, [&](CUndoJournal& journal, CFile&) {
        journal.Save(Block(0), Original(0));
        journal.Save(Block(0), Original(0));
        journal.Commit();
    });
    RestoreResult result = Restore(twice);
    EXPECT_EQ(result.outcome, RestoreOutcome::kDamaged);
    EXPECT_TRUE(Says(result, "twice")) << result.detail;

    auto early = Journal(m_original, [&](CUndoJournal& journal, CFile&) {
        journal.Intend(Block(0), Original(1));
        journal.Save(Block(0), Original(0));
        journal.Commit();
    });
    result = Restore(early);
    EXPECT_EQ(result.outcome, RestoreOutcome::kDamaged);
    EXPECT_TRUE(Says(result, "before saving it")) << result.detail;

    const auto good = Journal(m_original, [&](CUndoJournal& journal, CFile&) {
        journal.Save(Block(0), Original(0));
        journal.Intend(Block(0), Original(1));
        journal.Save(Block(1), Original(1));
        journal.Commit();
    });
    ASSERT_EQ(Restore(good).outcome, RestoreOutcome::kRestored);
    const auto end = static_cast<uint64_t>(good.size());
    for (const UndoCommit& wrong : {UndoCommit{2, 4, end}, UndoCommit{2, 2, end},
                                    UndoCommit{1, 3, end}, UndoCommit{3, 3, end}}) {
        auto counted = good;
        SetSlots(counted, wrong);
        result = Restore(counted);
        EXPECT_EQ(result.outcome, RestoreOutcome::kDamaged) << wrong.blocks << " " << wrong.records;
        EXPECT_TRUE(Says(result, "its commit does not match its records")) << result.detail;
    }
}

// Restore says "restored" only once the map's writes are on disk.
TEST_F(UndoRulesTest, RestoreSyncsTheMapBeforeItSaysRestored) {
    CorrectWithUndo();
    const auto undoBytes = ReadAll(Undo());
    CMemoryFile undo(undoBytes, "run.undo"), map(ReadAll(Map()), "map.dcm");
    CFaultyFile failingSync(map, CFileException::Op::kSync, 1);
    EXPECT_EQ(RestoreOpenMap(undo, failingSync).outcome, RestoreOutcome::kFileError);
}

TEST_F(UndoRulesTest, TheSameMapIsKnownByItsHeaderAndItsBlocksInTheOrderRestoreWritesThem) {
    CorrectWithUndo();
    const auto undo = ReadAll(Undo());
    auto other = ReadAll(Map());
    other[30] ^= 1;  // the header's origin, in no block
    EXPECT_EQ(RestoreBytes(undo, other).outcome, RestoreOutcome::kOtherMap);

    // Tiles (0, 0) and (1, 0) listed at 0 and 100, both over the header and
    // the index. The run saves the first, writes it (a byte of the index
    // changes), then saves the second with that byte: restore writes the
    // second back first, so the first's original byte is what stays.
    StoreLE32(m_original.data() + SampleIndexOffset() + 4, 0);
    StoreLE32(m_original.data() + SampleIndexOffset() + kDcmTileEntrySize + 4, 100);
    const size_t byte = SampleIndexOffset() + 3 * kDcmTileEntrySize;
    auto written = m_original;
    written[byte] ^= 0x20;
    const auto overlapping = Journal(m_original, [&](CUndoJournal& journal, CFile&) {
        journal.Save(0, m_original.data());
        journal.Intend(0, written.data());
        journal.Save(100, written.data() + 100);
        journal.Commit();
    });
    const RestoreResult result = RestoreBytes(overlapping, written);
    EXPECT_EQ(result.outcome, RestoreOutcome::kRestored) << result.detail;
    EXPECT_TRUE(written == m_original);
}

TEST(UndoBlocks, EachKeyIsTakenAtItsFirstEntryAndEveryNeighboursCoverCounts) {
    std::vector<uint8_t> index;
    for (const auto& [key, block] :
         {std::pair<int32_t, int32_t>{7, 1000}, {9, 300000}, {7, 600000}, {11, -5}, {12, 900000}}) {
        index.resize(index.size() + kDcmTileEntrySize);
        StoreLE32(index.data() + index.size() - kDcmTileEntrySize, key);
        StoreLE32(index.data() + index.size() - kDcmTileEntrySize + 4, block);
    }
    EXPECT_EQ(ListedBlocks(index.data(), index.size(), 1000000),
              (std::vector<int64_t>{1000, 300000}))
        << "a later entry of key 7, a negative block and one past the end are no blocks";
    // Neighbours on both sides, one of them covering the other's bytes too.
    const std::vector<int64_t> listed = {0, 100, 50000, 204850};
    EXPECT_EQ(OwnBytes(listed, 100), ByteRuns{});
    EXPECT_EQ(OwnBytes(listed, 204850), (ByteRuns{{49950, kTileBlockSize}}));
    EXPECT_EQ(OwnBytes({0, 300000}, 0), (ByteRuns{{0, kTileBlockSize}}));
}

// An undo file is on disk only with its head, which says until its run has
// read the map that there is nothing to restore.
TEST_F(UndoRulesTest, ANewUndoFileTakesItsNameOnlyWithItsHead) {
    const std::string path = Undo().string();
    const auto onlyTheUndoFile = [&] {
        size_t files = 0;
        for (const auto& entry : fs::directory_iterator(m_dir)) files += entry.is_regular_file();
        EXPECT_EQ(files, 2u) << "the map and the undo file, no passing name left";
    };
    CreateUndoFile(path).reset();
    EXPECT_EQ(fs::file_size(path), kUndoHeadSize);
    onlyTheUndoFile();
    RestoreResult result = RestoreMap(path, Map().string());
    EXPECT_EQ(result.outcome, RestoreOutcome::kNothingToDo) << result.detail;
    EXPECT_TRUE(ReadAll(Map()) == m_original);

    // Held by a run still taking its first look, it is that run's.
    {
        const auto held = CreateUndoFile(path);
        EXPECT_THROW(CreateUndoFile(path), CFileException);
    }
    // Left by a run stopped before it read the map, it is taken again.
    auto file = CreateUndoFile(path);
    CUndoJournal journal(*file);
    DCMHEADER header;
    CTileIndex index;
    auto map = OpenFile(Map().string(), FileAccess::kReadShared);
    ASSERT_EQ(LoadTileIndex(*map, header, index), IndexLoad::kLoaded);
    journal.Begin(*map, header);
    file.reset();
    onlyTheUndoFile();
    // Once the run has read the map, it is kept; and so is any other file.
    const auto begun = ReadAll(path);
    for (bool other : {false, true}) {
        if (other) WriteAll(path, {'x'});
        const auto before = ReadAll(path);
        try {
            CreateUndoFile(path);
            ADD_FAILURE() << "an existing file was taken";
        } catch (const CFileException& error) {
            EXPECT_EQ(error.Path(), path);
        }
        EXPECT_TRUE(ReadAll(path) == before);
        onlyTheUndoFile();
    }
    EXPECT_GT(begun.size(), kUndoHeadSize);
}

}  // namespace
