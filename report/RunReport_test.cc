#include "report/RunReport.h"

#include <gtest/gtest.h>

#include <fstream>

#include "correction/MeshFileSource.h"
#include "framework/File.h"
#include "samples/SampleMap.h"
#include "samples/SampleMesh.h"
#include "testsupport/PngPixels.h"
#include "testsupport/QuietUi.h"
#include "testsupport/TestFolder.h"

namespace {

namespace fs = std::filesystem;

// Four tiles of varied land, and a square corrected, its neighbour, then the
// first square again: through a cache of one tile, the run writes the first
// square's tiles and reads them back before it is done with them.
class RunPictureTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(m_dir / "mesh");
        m_layout.tiles = {{3, 5}, {4, 5}, {3, 6}, {4, 6}};
        m_original = BuildSampleMap(
            m_layout, [](size_t t, int cell) { return static_cast<int16_t>(t * 50 + cell % 997); });
        AddMesh("a.mem", 533945, [](int r, int j) { return 300 + r * 7 + j; });
        AddMesh("b.mem", 533946, [](int r, int j) { return 900 - r - j; });
        AddMesh("c.mem", 533945, [](int r, int j) { return r % 40 == 0 ? -9999 : 500 + j; });
    }

    void AddMesh(const std::string& name, int32_t code, int (*value)(int, int)) {
        std::ofstream(m_dir / "mesh" / name, std::ios::binary)
            << BuildMeshText(code, AllMeshRecords(), value);
    }

    // The pixels of the picture a run draws with options; the map as left.
    std::vector<uint8_t> Drawn(CorrectionOptions options, std::vector<uint8_t>& left) {
        const std::string map = (m_dir / "map.dcm").string();
        std::ofstream(map, std::ios::binary)
            .write(reinterpret_cast<const char*>(m_original.data()),
                   static_cast<std::streamsize>(m_original.size()));
        CRunReport report(stderr);
        report.DrawPicture([](const DCMHEADER&, const CTileIndex&) {
            return CellBox{3 * kTileSide, 5 * kTileSide, 5 * kTileSide, 7 * kTileSide};
        });
        options.observers = {&report};
        CFolderMeshFiles meshes((m_dir / "mesh").string());
        CQuietUi ui;
        EXPECT_EQ(CorrectMap(map, meshes, ui, options).applied, 3);
        report.AddUntouchedTiles(*OpenFile(map, FileAccess::kReadShared));
        const std::string png = (m_dir / "run.png").string();
        std::string error;
        EXPECT_TRUE(report.Picture() != nullptr && report.Picture()->WritePng(png, error)) << error;
        std::ifstream in(map, std::ios::binary);
        left.assign(std::istreambuf_iterator<char>(in), {});
        return PngPixels(png);
    }

    // The pixels of the picture of the four tiles as in before and after.
    std::vector<uint8_t> Expected(const std::vector<uint8_t>& before,
                                  const std::vector<uint8_t>& after) {
        DCMHEADER header{};
        header.lOriginLat = m_layout.originLat;
        CReliefPicture picture({3 * kTileSide, 5 * kTileSide, 5 * kTileSide, 7 * kTileSide},
                               header);
        for (size_t t = 0; t < m_layout.tiles.size(); ++t) {
            const auto [tx, ty] = m_layout.tiles[t];
            const uint32_t block = SampleBlockOffset(t);
            picture.AddBefore(tx, ty, before.data() + block);
            picture.AddAfter(tx, ty, after.data() + block);
        }
        const std::string png = (m_dir / "expected.png").string();
        std::string error;
        EXPECT_TRUE(picture.WritePng(png, error)) << error;
        return PngPixels(png);
    }

    CTestFolder m_folder;
    const fs::path& m_dir = m_folder.Path();
    SampleMapLayout m_layout;
    std::vector<uint8_t> m_original;
};

TEST_F(RunPictureTest, ThePictureShowsTheMapAsTheRunLeftIt) {
    for (const size_t cached : {size_t{1}, CTileWriter::kDefaultCapacity}) {
        CorrectionOptions options;
        options.nCachedTiles = cached;
        std::vector<uint8_t> left;
        const std::vector<uint8_t> drawn = Drawn(options, left);
        ASSERT_NE(left, m_original);
        EXPECT_TRUE(drawn == Expected(m_original, left)) << "a cache of " << cached;
    }
    std::vector<uint8_t> real;
    Drawn({}, real);
    // Through a cache of one tile, a dry run shows tiles as written and
    // takes them back when a later square changes them.
    for (const size_t cached : {size_t{1}, CTileWriter::kDefaultCapacity}) {
        CorrectionOptions dry;
        dry.bDryRun = true;
        dry.nCachedTiles = cached;
        std::vector<uint8_t> untouched;
        const std::vector<uint8_t> drawn = Drawn(dry, untouched);
        EXPECT_EQ(untouched, m_original);
        EXPECT_TRUE(drawn == Expected(m_original, real))
            << "a dry run draws what the run would, through a cache of " << cached;
    }
}

}  // namespace
