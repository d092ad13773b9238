#include "bench/DemBulk.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "dem/DemSources.h"
#include "dem/GmlDem.h"
#include "testsupport/TestFolder.h"

namespace {

class CKeepingSink final : public IDemMemberSink {
  public:
    bool OnDemMember(const std::string& displayName, const std::string& fileName,
                     std::vector<uint8_t>& bytes, bool) override {
        names.push_back(displayName);
        files.push_back(fileName);
        members.push_back(bytes);
        return true;
    }
    void OnSkipped(const std::string& warning) override { skipped.push_back(warning); }
    std::vector<std::string> names, files, skipped;
    std::vector<std::vector<uint8_t>> members;
};

// One 10 m square and the 2 x 2 5 m meshes in its south-west corner.
const DemBulkArea kSmall{533910, 1, 2};

class DemBulkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_bulk = WriteDemBulk(m_folder.Path(), kSmall);
        ASSERT_EQ(WalkDemSources(m_bulk.sources, m_sink, {}).outcome, DemWalkOutcome::kCompleted);
    }
    CTestFolder m_folder;
    DemBulk m_bulk;
    CKeepingSink m_sink;
};

TEST_F(DemBulkTest, EachFileComesInAZipOfItsOwnInsideTheProductsZip) {
    EXPECT_EQ(m_bulk.files10m, 1);
    EXPECT_EQ(m_bulk.files5m, 4);
    ASSERT_EQ(m_sink.names.size(), 5u);
    EXPECT_TRUE(m_sink.skipped.empty());
    EXPECT_EQ(m_sink.names[0], m_bulk.sources[0].path +
                                   ":FG-GML-533910-DEM10B.zip:FG-GML-533910-DEM10B-20161001.xml");
    EXPECT_EQ(m_sink.names[4], m_bulk.sources[1].path +
                                   ":FG-GML-53391011-DEM5A.zip:FG-GML-53391011-DEM5A-20161001.xml");
    uint64_t text = 0;
    for (const auto& member : m_sink.members) text += member.size();
    EXPECT_EQ(m_bulk.textBytes, text);
    EXPECT_LT(m_bulk.zipBytes, text / 3);  // deflated
}

TEST_F(DemBulkTest, EveryCellReadsBackAsTheTerrainAtItsSouthWestCorner) {
    const CBulkTerrain terrain(kSmall);
    const int64_t meshes[] = {533910, 53391000, 53391001, 53391010, 53391011};
    for (size_t i = 0; i < m_sink.members.size(); ++i) {
        DemGrid grid;
        std::string failure;
        const auto& bytes = m_sink.members[i];
        ASSERT_EQ(ReadDemFile(bytes.data(), bytes.size(), m_sink.files[i], grid, failure),
                  DemRead::kDem)
            << failure;
        const DemHeader& h = grid.header;
        EXPECT_EQ(h.meshCode, meshes[i]);
        EXPECT_EQ(h.product, i == 0 ? DemProduct::k10B : DemProduct::k5A);
        ASSERT_EQ(h.columns, i == 0 ? 1125 : 225);
        ASSERT_EQ(h.rows, i == 0 ? 750 : 150);
        int sea = 0, noData = 0, mismatches = 0;
        for (int32_t r = 0; r < h.rows; ++r)
            for (int32_t c = 0; c < h.columns; ++c) {
                // 5 m cells (200 mas) from 100 E on the equator.
                const int64_t x =
                    (h.westMas + (h.eastMas - h.westMas) * c / h.columns) / 200 - 100 * 3600 * 5;
                const int64_t y = (h.northMas - (h.northMas - h.southMas) * (r + 1) / h.rows) / 200;
                mismatches +=
                    grid.centimetres[size_t(r) * h.columns + c] != terrain.Centimetres(x, y);
                sea += terrain.KindAt(x, y) == CBulkTerrain::Kind::kSea;
                noData += terrain.KindAt(x, y) == CBulkTerrain::Kind::kNoData;
            }
        EXPECT_EQ(mismatches, 0) << m_sink.files[i];
        if (i == 0) {
            // The sea in the square's south-east corner, patches without data.
            EXPECT_GT(sea, 1000);
            EXPECT_GT(noData, 1000);
            EXPECT_LT(sea + noData, h.columns * h.rows / 4);
        }
    }
}

TEST_F(DemBulkTest, TheFloorInflatesTheSameBytesAsTheWalk) {
    InflatedMembers floor;
    for (const DemSource& source : m_bulk.sources) {
        const InflatedMembers found = InflateZipMembers(source.path);
        floor.members += found.members;
        floor.bytes += found.bytes;
        floor.sum += found.sum;
    }
    uint64_t sum = 0;
    for (const auto& member : m_sink.members)
        for (uint8_t b : member) sum += b;
    EXPECT_EQ(floor.members, 5);
    EXPECT_EQ(floor.bytes, m_bulk.textBytes);
    EXPECT_EQ(floor.sum, sum);
}

TEST(DemBulkTerrain, TheBenchmarksBlockHasCoastLowlandAndMountains) {
    const DemBulkArea area;
    const CBulkTerrain terrain(area);
    // Every 50th 5 m cell of the 4 x 4 squares (9,000 by 6,000 cells).
    int cells = 0, sea = 0, noData = 0, low = 0, high = 0, tuples = 0;
    for (int64_t y = 0; y < 6000; y += 50)
        for (int64_t x = 0; x < 9000; x += 50) {
            const int64_t gx = 39 * 3600 * 5 + x, gy = (53 * 2400 + 5 * 60 * 1) * 5 + y;
            ++cells;
            const auto kind = terrain.KindAt(gx, gy);
            sea += kind == CBulkTerrain::Kind::kSea;
            noData += kind == CBulkTerrain::Kind::kNoData;
            const int32_t cm = terrain.Centimetres(gx, gy);
            if (kind != CBulkTerrain::Kind::kGround) {
                EXPECT_EQ(cm, kDemNoData);
                continue;
            }
            low += cm < 5000;
            high += cm > 100000;
            const std::string tuple = terrain.Tuple(gx, gy);
            tuples += tuple.compare(0, 10, u8"地表面,") == 0;
        }
    EXPECT_GT(sea, cells / 20);
    EXPECT_LT(sea, cells / 4);
    EXPECT_GT(noData, cells / 200);
    EXPECT_LT(noData, cells / 20);
    EXPECT_GT(low, cells / 100);
    EXPECT_GT(high, cells / 100);
    EXPECT_EQ(tuples, cells - sea - noData);
}

}  // namespace
