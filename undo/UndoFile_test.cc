// The undo file as a run writes it and as restore reads it: what a cut, a
// damaged byte, a power loss or a failing disk leaves, and what restore then
// does.
#include "undo/UndoFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>

#include "elevation/MeshGrid.h"
#include "elevation/TileIndex.h"
#include "framework/MemoryFile.h"
#include "testsupport/CFileWrapper.h"
#include "testsupport/FaultyFile.h"
#include "testsupport/UndoTestFixture.h"
#include "undo/UndoFormat.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// The bytes a CPowerCutFile reads and writes, a base of their own so that
// they are built before the wrapper that refers to them.
struct CLiveBytes {
    CMemoryFile m_live{{}, "cut.undo"};
};

// A file whose writes reach the disk only at a sync; what a power loss
// leaves is what was synced, plus any of the writes since.
class CPowerCutFile final : private CLiveBytes, public CFileWrapper {
  public:
    CPowerCutFile() : CFileWrapper(m_live) {}

    void Seek(int64_t position) override {
        m_pos = position;
        CFileWrapper::Seek(position);
    }
    void Write(const void* buffer, uint32_t count) override {
        CFileWrapper::Write(buffer, count);
        const auto* bytes = static_cast<const uint8_t*>(buffer);
        m_pending.push_back({m_pos, std::vector<uint8_t>(bytes, bytes + count)});
        m_pos += count;
        if (m_onWrite) m_onWrite();
    }
    // Positioned calls go through Seek, Read and Write above, so that every
    // write waits for a sync.
    uint32_t ReadAt(int64_t position, void* buffer, uint32_t count) override {
        return CFile::ReadAt(position, buffer, count);  // NOLINT(bugprone-parent-virtual-call)
    }
    void WriteAt(int64_t position, const void* buffer, uint32_t count) override {
        CFile::WriteAt(position, buffer, count);  // NOLINT(bugprone-parent-virtual-call)
    }
    // Makes the writes so far durable; the bytes in memory have nothing to
    // sync.
    void Sync() override {
        for (const auto& write : m_pending) Apply(m_durable, write);
        m_pending.clear();
    }

    // Called after every write, to look at what a power loss would leave.
    void OnWrite(std::function<void()> f) { m_onWrite = std::move(f); }

    // What a power loss leaves: the synced bytes, and of the writes since,
    // none, all, or only the last.
    std::vector<std::vector<uint8_t>> CutImages() const {
        std::vector<std::vector<uint8_t>> images{m_durable};
        if (m_pending.empty()) return images;
        images.push_back(m_durable);
        for (const auto& write : m_pending) Apply(images.back(), write);
        images.push_back(m_durable);
        Apply(images.back(), m_pending.back());
        return images;
    }

  private:
    struct Pending {
        int64_t at;
        std::vector<uint8_t> bytes;
    };
    static void Apply(std::vector<uint8_t>& image, const Pending& write) {
        const auto end = static_cast<size_t>(write.at) + write.bytes.size();
        if (image.size() < end) image.resize(end);
        std::copy(write.bytes.begin(), write.bytes.end(), image.begin() + write.at);
    }

    std::vector<uint8_t> m_durable;
    std::vector<Pending> m_pending;
    int64_t m_pos = 0;
    std::function<void()> m_onWrite;
};

TEST_F(UndoTest, RestoreGivesBackTheMapByteForByteAndTwiceChangesNothing) {
    for (size_t cached : {size_t{1}, size_t{32}}) {
        WriteAll(Map(), m_original);
        fs::remove(Undo());
        CorrectWithUndo(cached);
        ASSERT_NE(ReadAll(Map()), m_original);
        EXPECT_EQ(RestoreMap(Undo().string(), Map().string()).outcome, RestoreOutcome::kRestored);
        EXPECT_TRUE(ReadAll(Map()) == m_original) << "cache of " << cached;
        EXPECT_EQ(RestoreMap(Undo().string(), Map().string()).outcome, RestoreOutcome::kRestored);
        EXPECT_TRUE(ReadAll(Map()) == m_original);
    }
}

TEST_F(UndoTest, OverlappingBlocksComeBackInTheRightOrder) {
    OverlapFirstTwoBlocks();
    CorrectWithUndo();
    ASSERT_EQ(RestoreMap(Undo().string(), Map().string()).outcome, RestoreOutcome::kRestored);
    EXPECT_TRUE(ReadAll(Map()) == m_original);
}

TEST_F(UndoTest, AMapWhoseBlockLiesOverItsOwnHeaderIsRecognisedAndRestored) {
    // Tile (0, 0) listed at offset 0: the run writes cells over the header
    // and the index, and the undo file must still know the map.
    StoreLE32(m_original.data() + SampleIndexOffset() + 4, 0);
    WriteAll(Map(), m_original);
    CorrectWithUndo();
    ASSERT_FALSE(std::equal(m_original.begin(), m_original.begin() + kDcmHeaderSize,
                            ReadAll(Map()).begin()));
    ASSERT_EQ(RestoreMap(Undo().string(), Map().string()).outcome, RestoreOutcome::kRestored);
    EXPECT_TRUE(ReadAll(Map()) == m_original);
}

TEST_F(UndoTest, AnUndoFileMissingCommittedRecordsIsRefusedAndSaysHowManyItHolds) {
    CorrectWithUndo();
    const auto corrected = ReadAll(Map());
    const auto undo = ReadAll(Undo());
    auto whole = corrected;
    const RestoreResult full = RestoreBytes(undo, whole);
    ASSERT_EQ(full.outcome, RestoreOutcome::kRestored);
    const size_t preamble = 12 + 2 * 28 + 8 + kDcmHeaderSize + 8 + 4 + 32 * kDcmTileEntrySize + 4;
    const size_t record = 4 + 8 + kTileBlockSize + 4;
    for (size_t size :
         {size_t{0}, size_t{7}, size_t{20}, preamble - 5, preamble - 1, preamble, preamble + 11,
          preamble + record, undo.size() / 2, undo.size() - 17, undo.size() - 1}) {
        auto map = corrected;
        const RestoreResult result =
            RestoreBytes(std::vector<uint8_t>(undo.begin(), undo.begin() + size), map);
        EXPECT_TRUE(map == corrected) << "refused, untouched: " << size;
        if (size < preamble) {
            EXPECT_EQ(result.outcome, RestoreOutcome::kDamaged) << size;
            continue;
        }
        EXPECT_EQ(result.outcome, RestoreOutcome::kIncomplete) << size;
        EXPECT_EQ(result.total, full.blocks);
        // The first record saves a block; the last ones check pages.
        int64_t held = size < preamble + record ? 0 : size == preamble + record ? 1 : full.blocks;
        if (size == undo.size() / 2) {
            EXPECT_TRUE(result.held > 1 && result.held < full.blocks) << result.held;
            held = result.held;
        }
        EXPECT_EQ(result.held, held) << size;
        EXPECT_NE(result.detail.find("run.undo: holds " + std::to_string(result.held) + " of the " +
                                     std::to_string(full.blocks) + " blocks"),
                  std::string::npos)
            << result.detail;
    }
}

TEST_F(UndoTest, DamageAfterTheLastCommitIsLeftOutAndDamageBeforeItRefused) {
    // Ten blocks saved, a commit after the fifth: what a power loss can tear
    // is records 5 to 9, in any order, and their blocks were never written.
    CMemoryFile map(m_original, "map.dcm"), file({}, "run.undo");
    {
        DCMHEADER header;
        CTileIndex index;
        ASSERT_EQ(LoadTileIndex(map, header, index), IndexLoad::kLoaded);
        CUndoJournal journal(file);
        journal.Begin(map, header);
        for (size_t t = 0; t < 10; ++t) {
            journal.Save(Block(t), m_original.data() + Block(t));
            if (t == 4) journal.Commit();
        }
    }
    const auto& undo = file.Bytes();
    const size_t record = 4 + 8 + kTileBlockSize + 4;
    const size_t first = undo.size() - 10 * record;
    const struct {
        size_t record;
        RestoreOutcome outcome;
    } cases[] = {{7, RestoreOutcome::kRestored},
                 {5, RestoreOutcome::kRestored},
                 {4, RestoreOutcome::kIncomplete},
                 {0, RestoreOutcome::kIncomplete}};
    for (const auto& c : cases) {
        auto torn = undo;
        torn[first + c.record * record + 100] ^= 0x5A;
        auto restored = m_original;
        const RestoreResult result = RestoreBytes(torn, restored);
        EXPECT_EQ(result.outcome, c.outcome) << "record " << c.record;
        EXPECT_EQ(result.blocks, c.outcome == RestoreOutcome::kRestored ? 5 : 0);
        EXPECT_TRUE(restored == m_original);
    }
}

TEST_F(UndoTest, AnUndoFileOfAnotherMapOrDamagedInsideIsRefused) {
    CorrectWithUndo();
    const auto corrected = ReadAll(Map());
    auto undo = ReadAll(Undo());

    // Another map: one byte of its index differs, or its length.
    auto other = corrected;
    other[SampleIndexOffset() + 8] ^= 1;
    EXPECT_EQ(RestoreBytes(undo, other).outcome, RestoreOutcome::kOtherMap);
    EXPECT_TRUE(other != corrected) << "untouched";
    other = corrected;
    other.push_back(0);
    EXPECT_EQ(RestoreBytes(undo, other).outcome, RestoreOutcome::kOtherMap);

    // A flipped byte in the preamble (its header), in both commit slots, or
    // in a committed record.
    for (std::vector<size_t> at : {std::vector<size_t>{80}, {12, 40}, {undo.size() / 3}}) {
        auto damaged = undo;
        for (size_t a : at) damaged[a] ^= 0x40;
        auto map = corrected;
        const RestoreResult result = RestoreBytes(damaged, map);
        EXPECT_NE(result.outcome, RestoreOutcome::kRestored) << at[0];
        EXPECT_TRUE(map == corrected) << at[0];
    }
}

// A record whose CRC holds but whose block the map cannot have: past its
// end, or at a place its index does not list.
TEST_F(UndoTest, ASavedBlockOutsideTheMapsListedBlocksIsRefused) {
    const struct {
        int64_t block;
        const char* words;
    } cases[] = {{static_cast<int64_t>(m_original.size()) - 100, "past the map's end"},
                 {static_cast<int64_t>(m_original.size()), "past the map's end"},
                 {Block(3) + 8, "not a block of the map's index"}};
    for (const auto& c : cases) {
        CMemoryFile map(m_original, "map.dcm"), undo({}, "run.undo");
        DCMHEADER header;
        CTileIndex index;
        ASSERT_EQ(LoadTileIndex(map, header, index), IndexLoad::kLoaded);
        CUndoJournal journal(undo);
        journal.Begin(map, header);
        journal.Save(Block(0), m_original.data() + Block(0));
        journal.Save(c.block, m_original.data() + 1000);
        journal.Commit();
        const RestoreResult result = RestoreOpenMap(undo, map);
        EXPECT_EQ(result.outcome, RestoreOutcome::kDamaged) << c.block;
        EXPECT_NE(result.detail.find(c.words), std::string::npos) << result.detail;
        EXPECT_TRUE(map.Bytes() == m_original) << c.block;
    }
}

// A power loss at any moment of a journal's life: the file never promises
// a record that is not on disk, and what a commit made durable before it
// returned stays.
TEST_F(UndoTest, ACommitIsOnDiskBeforeItReturnsAndNeverAheadOfItsRecords) {
    CMemoryFile map(m_original, "map.dcm");
    DCMHEADER header;
    CTileIndex index;
    ASSERT_EQ(LoadTileIndex(map, header, index), IndexLoad::kLoaded);
    // The file as it takes its name: its head alone, on disk.
    CPowerCutFile file;
    const std::vector<uint8_t> head = EncodeUndoHead();
    file.WriteAt(0, head.data(), static_cast<uint32_t>(head.size()));
    file.Sync();
    CUndoJournal journal(file);
    int64_t committed = 0, saved = 0;
    const auto block = [&](size_t t) { return m_original.data() + Block(t); };
    const std::vector<std::function<void()>> steps = {
        [&] { journal.Begin(map, header); },
        [&] { journal.Save(Block(0), block(0)), ++saved; },
        [&] { journal.Intend(Block(0), block(5)); },
        [&] { journal.Commit(), committed = saved; },
        [&] { journal.Save(Block(1), block(1)), ++saved; },
        [&] { journal.Save(Block(2), block(2)), ++saved; },
        [&] { journal.Intend(Block(2), block(6)); },
        [&] { journal.Commit(), committed = saved; },
        [&] { journal.Intend(Block(1), block(7)); },
        [&] { journal.Commit(), committed = saved; },
    };
    size_t step = 0;
    // Before the preamble is committed, a cut leaves a file that says its
    // run never read the map.
    const auto expectCutsRestore = [&] {
        for (const auto& image : file.CutImages()) {
            auto restored = m_original;
            const RestoreResult result = RestoreBytes(image, restored);
            if (step == 0 && result.outcome == RestoreOutcome::kNothingToDo) continue;
            EXPECT_EQ(result.outcome, RestoreOutcome::kRestored) << step << ": " << result.detail;
            EXPECT_GE(result.blocks, committed) << "during or after step " << step;
        }
    };
    file.OnWrite(expectCutsRestore);
    for (; step < steps.size(); ++step) {
        steps[step]();
        expectCutsRestore();
    }
}

// The writer's order: commit, then write. A commit whose sync fails throws,
// and the block it was to protect stays as it was.
TEST_F(UndoTest, ACommitThatCannotSyncThrowsAndTheBlockIsNotWritten) {
    auto grid = std::make_unique<MeshGrid>();
    std::fill(std::begin(grid->cells), std::end(grid->cells), int16_t{4321});
    for (int failing : {3, 4}) {  // after the two of Begin, the commit's first, then its second
        CMemoryFile map(m_original, "map.dcm"), undo({}, "run.undo");
        CFaultyFile faulty(undo, CFileException::Op::kSync, failing);
        DCMHEADER header;
        CTileIndex index;
        ASSERT_EQ(LoadTileIndex(map, header, index), IndexLoad::kLoaded);
        CUndoJournal journal(faulty);
        journal.Begin(map, header);
        CTileWriter writer(map, header, index, CTileWriter::Mode::kWrite, 4, &journal);
        ASSERT_GT(writer.Apply(523940, *grid).changed, 0);
        EXPECT_THROW(writer.Flush(), CFileException) << failing;
        EXPECT_TRUE(map.Bytes() == m_original) << "sync " << failing;
    }
}

// The tool itself, killed with SIGKILL at moments spread over a run that
// lists the mesh files many times over: the undo file always restores the
// original map, and running the same correction again always gives the map
// of an uninterrupted run.
TEST_F(UndoTest, ARunKilledAtAnyMomentCanBeUndoneOrRunAgain) {
    std::vector<std::string> args = {ZELVORIN_CORRECT, "--undo", Undo().string(), Map().string()};
    for (int round = 0; round < 12; ++round)
        for (const auto& entry : fs::directory_iterator(m_dir / "mesh"))
            args.push_back(entry.path().string());
    auto run = [&](const std::vector<std::string>& argv, int killAfterMicroseconds) {
        std::vector<char*> raw;
        for (const auto& a : argv) raw.push_back(const_cast<char*>(a.c_str()));
        raw.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        pid_t pid = 0;
        EXPECT_EQ(posix_spawn(&pid, raw[0], &actions, nullptr, raw.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        if (killAfterMicroseconds >= 0) {
            usleep(static_cast<useconds_t>(killAfterMicroseconds));
            kill(pid, SIGKILL);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        return status;
    };

    ASSERT_EQ(run(args, -1), 0);
    const auto uninterrupted = ReadAll(Map());
    std::vector<std::string> again(args);
    again.erase(again.begin() + 1, again.begin() + 3);  // without --undo
    for (int delay : {0, 2000, 10000, 30000, 80000, 200000}) {
        WriteAll(Map(), m_original);
        fs::remove(Undo());
        run(args, delay);
        const auto killed = ReadAll(Map());
        if (fs::exists(Undo())) {
            // Killed before the map was read, the file holds its head and
            // says so; never is it empty or damaged.
            const RestoreResult restored = RestoreMap(Undo().string(), Map().string());
            EXPECT_TRUE(restored.outcome == RestoreOutcome::kRestored ||
                        restored.outcome == RestoreOutcome::kNothingToDo)
                << "killed after " << delay << " us: " << restored.detail;
            EXPECT_TRUE(ReadAll(Map()) == m_original) << "killed after " << delay << " us";
        }
        WriteAll(Map(), killed);
        ASSERT_EQ(run(again, -1), 0);
        EXPECT_TRUE(ReadAll(Map()) == uninterrupted) << "killed after " << delay << " us";
    }
}

}  // namespace
