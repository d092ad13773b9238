#include "tools/UndoFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "correction/CorrectionUi.h"
#include "correction/MeshFileSource.h"
#include "elevation/DcmLayout.h"
#include "elevation/TileIndex.h"
#include "framework/File.h"
#include "samples/SampleMap.h"
#include "samples/SampleMesh.h"
#include "samples/TestFolder.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

class CQuietUi final : public ICorrectionUi {
  public:
    void ShowMessage(const std::string&, MessageKind) override {}
    void ShowError(const CException&) override {}
    void OpenProgress() override {}
    void SetFileName(const std::string&) override {}
    void SetPos(int) override {}
    void Pump() override {}
    bool AbortRequested() const override { return false; }
    void CloseProgress() override {}
};

std::vector<uint8_t> ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}
void WriteAll(const fs::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

// A map of 8 x 4 tiles at the sample origin, and a mesh file over each of
// the 8 x 4 mesh squares there, with values the map does not hold.
class UndoTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SampleMapLayout layout;
        for (int ty = 0; ty < 4; ++ty)
            for (int tx = 0; tx < 8; ++tx) layout.tiles.push_back({tx, ty});
        m_original = BuildSampleMap(layout, [](size_t t, int cell) {
            return static_cast<int16_t>((t * 31 + cell) % 2000);
        });
        WriteAll(Map(), m_original);
        fs::create_directories(m_dir / "mesh");
        for (int q = 4; q < 8; ++q)
            for (int v = 0; v < 8; ++v) {
                const int code = 523900 + q * 10 + v;
                std::ofstream(m_dir / "mesh" / (std::to_string(code) + ".mem"), std::ios::binary)
                    << BuildMeshText(code, AllMeshRecords(),
                                     [=](int r, int j) { return (r * 7 + j * q + v) * 10; });
            }
    }

    fs::path Map() const { return m_dir / "map.dcm"; }
    fs::path Undo() const { return m_dir / "run.undo"; }

    // A correction with an undo file, through the shared run.
    void CorrectWithUndo(size_t cachedTiles = CTileWriter::kDefaultCapacity) {
        auto file = OpenFile(Undo().string(), FileAccess::kCreateNew);
        CUndoJournal journal(*file);
        CorrectionOptions options;
        options.pJournal = &journal;
        options.nCachedTiles = cachedTiles;
        CFolderMeshFiles meshes((m_dir / "mesh").string());
        CQuietUi ui;
        ASSERT_EQ(CorrectMap(Map().string(), meshes, ui, options).outcome,
                  CorrectionOutcome::kCompleted);
        ASSERT_NE(ReadAll(Map()), m_original);
    }

    CTestFolder m_folder;
    const fs::path& m_dir = m_folder.Path();
    std::vector<uint8_t> m_original;
};

TEST_F(UndoTest, RestoreGivesBackTheMapByteForByteAndTwiceChangesNothing) {
    for (size_t cached : {size_t{1}, size_t{32}}) {
        WriteAll(Map(), m_original);
        fs::remove(Undo());
        CorrectWithUndo(cached);
        EXPECT_EQ(RestoreMap(Undo().string(), Map().string()).outcome, RestoreOutcome::kRestored);
        EXPECT_TRUE(ReadAll(Map()) == m_original) << "cache of " << cached;
        EXPECT_EQ(RestoreMap(Undo().string(), Map().string()).outcome, RestoreOutcome::kRestored);
        EXPECT_TRUE(ReadAll(Map()) == m_original);
    }
}

TEST_F(UndoTest, OverlappingBlocksComeBackInTheRightOrder) {
    // Tile (1, 0) listed half way into the block of tile (0, 0).
    StoreLE32(m_original.data() + SampleIndexOffset() + 16 + 4,
              static_cast<int32_t>(SampleBlockOffset(0) + kTileBlockSize / 2));
    WriteAll(Map(), m_original);
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

TEST_F(UndoTest, AnUndoFileCutAnywhereIsRefusedOrRestoresTheBlocksItHoldsWhole) {
    CorrectWithUndo();
    const auto corrected = ReadAll(Map());
    const auto undo = ReadAll(Undo());
    const size_t preamble = 8 + 4 + 8 + kDcmHeaderSize + 8 + 4 + 32 * kDcmTileEntrySize + 4;
    const size_t record = 4 + 8 + 8 + kTileBlockSize + 4;
    ASSERT_EQ((undo.size() - preamble) % record, 16u) << "records and the last sync's trailer";
    const fs::path cut = m_dir / "cut.undo";
    for (size_t size :
         {size_t{0}, size_t{7}, size_t{20}, preamble - 5, preamble - 1, preamble, preamble + 11,
          preamble + record - 1, preamble + record, preamble + 3 * record + 100, undo.size() - 1}) {
        WriteAll(cut, std::vector<uint8_t>(undo.begin(), undo.begin() + size));
        WriteAll(Map(), corrected);
        const RestoreResult result = RestoreMap(cut.string(), Map().string());
        if (size < preamble) {
            EXPECT_EQ(result.outcome, RestoreOutcome::kDamaged) << size;
            EXPECT_TRUE(ReadAll(Map()) == corrected) << "refused, untouched: " << size;
            continue;
        }
        EXPECT_EQ(result.outcome, RestoreOutcome::kRestored) << size;
        EXPECT_EQ(result.blocks, static_cast<int>((size - preamble) / record)) << size;
    }
}

TEST_F(UndoTest, DamageSinceTheLastSyncIsLeftOutAndDamageBeforeItRefused) {
    // Ten blocks saved, a sync after the fifth: what a power loss can tear
    // is records 5 to 9, in any order.
    {
        auto map = OpenFile(Map().string(), FileAccess::kReadShared);
        DCMHEADER header;
        CTileIndex index;
        ASSERT_EQ(LoadTileIndex(*map, header, index), IndexLoad::kLoaded);
        auto file = OpenFile(Undo().string(), FileAccess::kCreateNew);
        CUndoJournal journal(*file);
        journal.Begin(*map, header);
        for (size_t t = 0; t < 10; ++t) {
            journal.Save(SampleBlockOffset(t), m_original.data() + SampleBlockOffset(t));
            if (t == 4) journal.Commit();
        }
    }
    const auto undo = ReadAll(Undo());
    const size_t record = 4 + 8 + 8 + kTileBlockSize + 4;
    const size_t first = undo.size() - 10 * record;
    const struct {
        size_t record;
        RestoreOutcome outcome;
    } cases[] = {{7, RestoreOutcome::kRestored},
                 {5, RestoreOutcome::kRestored},
                 {4, RestoreOutcome::kDamaged},
                 {0, RestoreOutcome::kDamaged}};
    for (const auto& c : cases) {
        auto torn = undo;
        torn[first + c.record * record + 100] ^= 0x5A;
        WriteAll(m_dir / "torn.undo", torn);
        const RestoreResult result = RestoreMap((m_dir / "torn.undo").string(), Map().string());
        EXPECT_EQ(result.outcome, c.outcome) << "record " << c.record;
        if (c.outcome == RestoreOutcome::kRestored) {
            EXPECT_EQ(result.blocks, 9);
        }
        EXPECT_TRUE(ReadAll(Map()) == m_original);
    }
}

TEST_F(UndoTest, AnUndoFileOfAnotherMapOrDamagedInsideIsRefused) {
    CorrectWithUndo();
    const auto corrected = ReadAll(Map());
    auto undo = ReadAll(Undo());

    // Another map: one byte of its index differs.
    auto other = corrected;
    other[SampleIndexOffset() + 8] ^= 1;
    WriteAll(Map(), other);
    EXPECT_EQ(RestoreMap(Undo().string(), Map().string()).outcome, RestoreOutcome::kOtherMap);
    EXPECT_TRUE(ReadAll(Map()) == other);
    // Or a length that differs.
    other = corrected;
    other.push_back(0);
    WriteAll(Map(), other);
    EXPECT_EQ(RestoreMap(Undo().string(), Map().string()).outcome, RestoreOutcome::kOtherMap);

    // A flipped byte in the preamble, then in a record that is not the last.
    WriteAll(Map(), corrected);
    for (size_t at : {size_t{30}, undo.size() - 3 * kTileBlockSize}) {
        auto damaged = undo;
        damaged[at] ^= 0x40;
        WriteAll(m_dir / "bad.undo", damaged);
        EXPECT_EQ(RestoreMap((m_dir / "bad.undo").string(), Map().string()).outcome,
                  RestoreOutcome::kDamaged)
            << at;
        EXPECT_TRUE(ReadAll(Map()) == corrected);
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
            const RestoreResult restored = RestoreMap(Undo().string(), Map().string());
            if (restored.outcome == RestoreOutcome::kDamaged) {
                // Killed before the map was identified: nothing was written.
                EXPECT_TRUE(ReadAll(Map()) == m_original) << delay;
            } else {
                EXPECT_EQ(restored.outcome, RestoreOutcome::kRestored) << restored.detail;
                EXPECT_TRUE(ReadAll(Map()) == m_original) << "killed after " << delay << " us";
            }
        }
        WriteAll(Map(), killed);
        ASSERT_EQ(run(again, -1), 0);
        EXPECT_TRUE(ReadAll(Map()) == uninterrupted) << "killed after " << delay << " us";
    }
}

}  // namespace
