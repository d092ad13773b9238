// zelvorin-correct against damaged and hostile files, as a user would run
// it: it must end with a clear message and the right status, never crash,
// and never change a byte of the map outside the cells a mesh covers.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include "elevation/DcmLayout.h"
#include "samples/SampleMap.h"
#include "samples/SampleMesh.h"
#include "testsupport/TestFolder.h"

namespace {

namespace fs = std::filesystem;

struct RunResult {
    int status;
    std::string output;
};

class HostileInputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(m_dir / "mesh");
        SampleMapLayout layout;
        layout.tiles = {{3, 5}, {4, 5}, {3, 6}, {4, 6}};
        m_map = BuildSampleMap(
            layout, [](size_t t, int cell) { return static_cast<int16_t>(t * 1000 + cell % 997); });
    }

    std::string MapPath() const { return (m_dir / "map.dcm").string(); }
    void WriteMap(const std::vector<uint8_t>& bytes) {
        std::ofstream(MapPath(), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    std::vector<uint8_t> ReadMap() const {
        std::ifstream in(MapPath(), std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    }
    std::string Mesh(const std::string& name, const std::string& text) {
        std::ofstream(m_dir / "mesh" / name, std::ios::binary) << text;
        return (m_dir / "mesh" / name).string();
    }
    RunResult Run(const std::string& args) {
        const std::string log = (m_dir / "log").string();
        const std::string command =
            "LC_ALL=C.UTF-8 " ZELVORIN_CORRECT " " + MapPath() + " " + args + " >" + log + " 2>&1";
        const int raw = std::system(command.c_str());
        std::ifstream in(log);
        RunResult result{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1,
                         std::string(std::istreambuf_iterator<char>(in), {})};
        EXPECT_TRUE(WIFEXITED(raw)) << "the tool died: " << command;
        return result;
    }

    // True when the map differs from `before` only inside the block of the
    // tile at `tile` (index position), rows [r0, r1) and columns [c0, c1).
    static bool ChangedOnlyIn(const std::vector<uint8_t>& before, const std::vector<uint8_t>& after,
                              size_t tile, int r0, int r1, int c0, int c1) {
        if (before.size() != after.size()) return false;
        const size_t block = SampleBlockOffset(tile);
        for (size_t i = 0; i < before.size(); ++i) {
            if (before[i] == after[i]) continue;
            if (i < block || i >= block + kTileBlockSize) return false;
            const size_t cell = (i - block) / 2;
            const int row = static_cast<int>(cell / kTileSide),
                      col = static_cast<int>(cell % kTileSide);
            if (row < r0 || row >= r1 || col < c0 || col >= c1) return false;
        }
        return true;
    }

    CTestFolder m_folder;
    const fs::path& m_dir = m_folder.Path();
    std::vector<uint8_t> m_map;
};

const char kRefused[] = "cannot correct the map";

std::string GoodMesh() {
    return BuildMeshText(533945, AllMeshRecords(), [](int r, int j) { return r * 10 + j; });
}

TEST_F(HostileInputTest, MapCutShortInHeaderOrIndexIsRefusedUntouched) {
    const std::string mesh = Mesh("a.mem", GoodMesh());
    const size_t indexEnd = SampleIndexOffset() + 4 * kDcmTileEntrySize;
    for (size_t size :
         {size_t{0}, size_t{3}, size_t{100}, size_t{213}, size_t{214}, size_t{230}, indexEnd - 1}) {
        const std::vector<uint8_t> cut(m_map.begin(),
                                       m_map.begin() + static_cast<std::ptrdiff_t>(size));
        WriteMap(cut);
        const RunResult r = Run(mesh);
        EXPECT_EQ(r.status, 4) << size << ": " << r.output;
        EXPECT_NE(r.output.find(kRefused), std::string::npos) << r.output;
        EXPECT_EQ(ReadMap(), cut) << size;
    }
}

TEST_F(HostileInputTest, MapCutShortInItsBlocksKeepsPartialTilesUntouched) {
    const std::string mesh = Mesh("a.mem", GoodMesh());
    // Cut inside the first block (the mesh's own tile), then inside the last.
    for (size_t size :
         {size_t{SampleBlockOffset(0) + 1000}, size_t{SampleBlockOffset(1)}, m_map.size() - 1}) {
        const std::vector<uint8_t> cut(m_map.begin(),
                                       m_map.begin() + static_cast<std::ptrdiff_t>(size));
        WriteMap(cut);
        const RunResult r = Run(mesh);
        EXPECT_EQ(r.status, 0) << r.output;
        const bool firstWhole = size >= SampleBlockOffset(1);
        EXPECT_TRUE(ChangedOnlyIn(cut, ReadMap(), 0, 0, 200, 40, 240)) << size;
        EXPECT_EQ(ReadMap() != cut, firstWhole)
            << "the mesh's tile is written exactly when it was whole";
    }
}

TEST_F(HostileInputTest, AbsurdCountsAndOffsetsAreRefusedUntouched) {
    const std::string mesh = Mesh("a.mem", GoodMesh());
    const std::pair<size_t, int32_t> patches[] = {
        {6, INT32_MAX}, {6, -5}, {6, 0x10000001}, {10, -1}, {10, INT32_MAX}};
    for (auto [offset, value] : patches) {
        std::vector<uint8_t> bad = m_map;
        StoreLE32(bad.data() + offset, value);
        WriteMap(bad);
        const RunResult r = Run(mesh);
        EXPECT_EQ(r.status, 4) << offset << "=" << value << ": " << r.output;
        EXPECT_EQ(ReadMap(), bad);
    }
}

TEST_F(HostileInputTest, BlockOffsetsOutsideTheFileAreSkipped) {
    const std::string mesh = Mesh("a.mem", GoodMesh());
    for (int32_t offset : {-1, INT32_MIN, static_cast<int32_t>(m_map.size()),
                           static_cast<int32_t>(m_map.size()) - 2}) {
        std::vector<uint8_t> bad = m_map;
        StoreLE32(bad.data() + SampleIndexOffset() + 4, offset);  // the mesh's own tile
        WriteMap(bad);
        const RunResult r = Run(mesh);
        EXPECT_EQ(r.status, 0) << r.output;
        EXPECT_EQ(ReadMap(), bad) << offset;
    }
}

TEST_F(HostileInputTest, BinaryJunkMeshNeverTouchesTheMap) {
    WriteMap(m_map);
    std::mt19937 random(7);
    std::string junk(300000, '\0');
    for (char& c : junk) c = static_cast<char>(random());
    junk[0] = 'x';  // not a number: mesh code 0, far outside the map
    const RunResult r = Run(Mesh("junk.mem", junk));
    // Its first Ctrl-Z ends it in the middle of a line: a file cut short.
    EXPECT_EQ(r.status, 6) << r.output;
    EXPECT_EQ(ReadMap(), m_map);
    // Junk made of whole lines is read, and its mesh code lies far away.
    for (char& c : junk) c = c == '\x1A' ? 'x' : c;
    EXPECT_EQ(Run(Mesh("junk.mem", junk + std::string(1009, 'x'))).status, 0);
    EXPECT_EQ(ReadMap(), m_map);
}

TEST_F(HostileInputTest, OddLinesAreSkippedAndGoodRecordsApplied) {
    WriteMap(m_map);
    std::string text = BuildMeshText(533945, {1, 2, 3, 4, 5}, [](int r, int) { return r * 100; });
    std::string lines;
    size_t start = 0;
    for (int n = 0; n < 6; ++n) {
        const size_t end = text.find('\n', start) + 1;
        std::string line = text.substr(start, end - start);
        if (n == 2) line.erase(500, 400);                       // record 2 cut short
        if (n == 3) line.insert(1009, std::string(3000, '7'));  // record 3 overlong
        if (n == 4) line.replace(6, 3, "000");                  // record 4 numbered 000
        if (n == 5) line.replace(6, 3, "2x1");                  // record 5 numbered 2x1
        lines += line;
        start = end;
    }
    const RunResult r = Run(Mesh("odd.mem", lines));
    EXPECT_EQ(r.status, 0) << r.output;
    const auto after = ReadMap();
    EXPECT_TRUE(ChangedOnlyIn(m_map, after, 0, 0, 200, 40, 240));
    auto cell = [&](int row, int col) { return TileCellAt(after, SampleBlockOffset(0), row, col); };
    EXPECT_EQ(cell(199, 40), 11) << "record 1: 10 m, encoded";
    EXPECT_EQ(cell(197, 40), 31) << "record 3 from its first 2047 characters";
    EXPECT_EQ(cell(198, 40), 0) << "record 2 was cut short: no data";
    EXPECT_EQ(cell(196, 40), 0);
    EXPECT_EQ(cell(195, 40), 0);
}

TEST_F(HostileInputTest, UnusableMeshFilesStopTheRunWithTheirOwnStatus) {
    WriteMap(m_map);
    const RunResult empty = Run(Mesh("empty.mem", ""));
    EXPECT_EQ(empty.status, 6) << empty.output;
    EXPECT_NE(empty.output.find("empty.mem"), std::string::npos);
    fs::create_directory(m_dir / "mesh" / "folder.mem");
    EXPECT_EQ(Run((m_dir / "mesh").string()).status, 6);
    EXPECT_EQ(ReadMap(), m_map);
}

}  // namespace
