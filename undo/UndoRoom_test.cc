#include "undo/UndoRoom.h"

#include "correction/MeshSurvey.h"
#include "elevation/TileIndex.h"
#include "testsupport/UndoTestFixture.h"

namespace {

// The room asked for is what the undo file takes at most: with the smallest
// cache (every tile written again and again) and with the usual one.
TEST_F(UndoTest, TheRoomAskedForHoldsTheUndoFileOfTheRun) {
    CFolderMeshFiles meshes((m_dir / "mesh").string());
    const std::vector<int32_t> codes = SurveyMeshCodes(meshes);
    DCMHEADER header;
    CTileIndex index;
    {
        const auto map = OpenFile(Map().string(), FileAccess::kReadShared);
        ASSERT_EQ(LoadTileIndex(*map, header, index, nullptr), IndexLoad::kLoaded);
    }
    const uint64_t room = UndoRoomAtMost(codes, header, index, m_original.size());
    for (size_t cached : {size_t{1}, CTileWriter::kDefaultCapacity}) {
        SCOPED_TRACE(cached);
        WriteAll(Map(), m_original);
        std::filesystem::remove(Undo());
        CorrectWithUndo(cached);
        const uint64_t taken = std::filesystem::file_size(Undo());
        EXPECT_LE(taken, room);
        EXPECT_GE(taken, room / 3) << "an estimate the disk can be asked for";
    }
}

TEST(UndoFileName, StampsTheLocalTimeAndNumbersFurtherAttempts) {
    std::tm local = {};
    local.tm_year = 2026 - 1900;
    local.tm_mon = 11;
    local.tm_mday = 8;
    local.tm_hour = 9;
    local.tm_min = 5;
    local.tm_sec = 7;
    EXPECT_EQ(UndoFileName("C:\\地図\\a.dcm", local, 1), "C:\\地図\\a.dcm.20261208-090507.undo");
    EXPECT_EQ(UndoFileName("a.dcm", local, 3), "a.dcm.20261208-090507-3.undo");
}

TEST(UndoFileName, TheMapIsTheNameLessItsStampAndNumber) {
    EXPECT_EQ(MapOfUndoFile("C:\\d\\a.dcm.20261208-090507.undo"), "C:\\d\\a.dcm");
    EXPECT_EQ(MapOfUndoFile("a.dcm.20261208-090507-12.UNDO"), "a.dcm");
    EXPECT_EQ(MapOfUndoFile("x.20261208-090507.undo"), "x");
    for (const char* other :
         {"a.dcm.undo", "a.dcm.2026120-090507.undo", "a.dcm.20261208_090507.undo",
          "a.dcm.20261208-090507-.undo", "a.dcm.20261208-090507.bak", ".undo"})
        EXPECT_EQ(MapOfUndoFile(other), "") << other;
}

}  // namespace
