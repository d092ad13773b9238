// The mesh writer: every field reads back as the tile value it stands for,
// through the project's reader and the reference reader alike, and the
// file has the survey's layout.
#include "elevation/MeshWriter.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <vector>

#include "elevation/MeshPatch.h"
#include "elevation/MeshReader.h"
#include "elevation/TextModeLines.h"
#include "framework/MemoryFile.h"
#include "fuzz/ReferenceMeshReader.h"

namespace {

// A square whose cells run through depths, no data and elevations, with
// every third row marked in every seventh column.
std::unique_ptr<MeshFields> Mixed() {
    static const int32_t kFields[] = {-9999, -995, -15, -5, 0, 10, 99990, 37760, -105, 5};
    auto fields = std::make_unique<MeshFields>();
    for (int row = 0; row < kMeshSide; ++row)
        for (int col = 0; col < kMeshSide; ++col)
            fields->At(row, col) =
                col % 7 == 0 && row % 3 == 0 ? 10 * row - 995 : kFields[(row + col) % 10];
    return fields;
}

TEST(MeshFieldForTileCell, ReadsBackAsEveryValueAFileCanGiveAndOnlyThose) {
    int carried = 0;
    for (int tile = INT16_MIN; tile <= INT16_MAX; ++tile) {
        const auto field = FieldForTileCell(static_cast<int16_t>(tile));
        const bool expected = tile >= -99 && tile <= 10000;
        ASSERT_EQ(field.has_value(), expected) << tile;
        if (!field) continue;
        ++carried;
        ASSERT_GE(*field, kLowestField) << tile;
        ASSERT_LE(*field, kHighestField) << tile;
        EXPECT_EQ(EncodeTileCell(TenthsToMetres(*field)), tile) << tile << " as " << *field;
    }
    EXPECT_EQ(carried, 99 + 1 + 10000);
}

TEST(MeshFieldForTileCell, DepthsBelowAMetreAndNoData) {
    // -1 m: -15 reads back as (-15 + 5) / 10 = -1; -10 would read as 0 m.
    EXPECT_EQ(FieldForTileCell(-1), -15);
    EXPECT_EQ(FieldForTileCell(-99), -995);
    EXPECT_EQ(FieldForTileCell(0), -9999);
    EXPECT_EQ(FieldForTileCell(1), 0);  // 0 m
}

TEST(MeshWriterRoundTrip, TheReaderAndTheReferenceReaderGiveEveryField) {
    const auto fields = Mixed();
    const std::string text = MeshFileText(523943, *fields, 2016);

    CMemoryFile file(std::vector<uint8_t>(text.begin(), text.end()));
    auto grid = std::make_unique<MeshGrid>();
    std::vector<char> scratch(CTextModeLines::kMinBuffer);
    MeshReadControl control;
    EXPECT_EQ(ReadMeshText(file, *grid, scratch.data(), scratch.size(), &control), 523943);
    EXPECT_EQ(control.records, kMeshSide);
    auto reference = std::make_unique<MeshGrid>();
    EXPECT_EQ(ReferenceReadMesh(text, *reference), 523943);
    for (int row = 0; row < kMeshSide; ++row)
        for (int col = 0; col < kMeshSide; ++col) {
            const int16_t want = TenthsToMetres(fields->At(row, col));
            ASSERT_EQ(grid->At(row, col), want) << row << "," << col;
            ASSERT_EQ(reference->At(row, col), want) << row << "," << col;
        }
}

TEST(MeshWriterLayout, LinesHeaderAndRecordsAsTheSurveyLaysThemOut) {
    const std::string text = MeshFileText(523953, *Mixed(), 2016);
    ASSERT_EQ(text.size(), 201u * 1011u);
    for (size_t line = 0; line < 201; ++line) {
        ASSERT_EQ(text.substr(line * 1011 + 1009, 2), "\r\n") << line;
        ASSERT_EQ(text.substr(line * 1011, 1009).find_first_of("\r\n"), std::string::npos);
    }
    // 523953: 35 deg 05' N, 139 deg 22' 30" E at its south-west corner.
    EXPECT_EQ(text.substr(0, 6), "523953");
    EXPECT_EQ(text.substr(11, 12), "201620162016") << "the years, as readers of the format need";
    EXPECT_EQ(text.substr(23, 6), "200200");
    EXPECT_EQ(text.substr(29, 28), "0350500139223003510001393000");
    EXPECT_EQ(text.substr(142, 3), "200");
    EXPECT_EQ(text.substr(225, 200), std::string(200, '1'));
    EXPECT_EQ(text.substr(425, 1009 - 425), std::string(1009 - 425, ' '));
    // Record 001 is the northernmost row, its fields west to east.
    EXPECT_EQ(text.substr(1011, 9), "523953001");
    EXPECT_EQ(text.substr(1011 + 9, 10), "    5-9999");        // row 199, columns 0 and 1
    EXPECT_EQ(text.substr(200 * 1011, 14), "523953200 -995");  // row 0, column 0
}

TEST(MeshWriterRefuses, FieldsAndCodesThatDoNotFitTheirColumns) {
    auto fields = Mixed();
    EXPECT_THROW(MeshFileText(1000000, *fields, 2016), std::out_of_range);
    EXPECT_THROW(MeshFileText(-1, *fields, 2016), std::out_of_range);
    fields->At(3, 4) = kHighestField + 1;
    EXPECT_THROW(MeshFileText(523943, *fields, 2016), std::out_of_range);
    fields->At(3, 4) = kLowestField - 1;
    EXPECT_THROW(MeshFileText(523943, *fields, 2016), std::out_of_range);
}

}  // namespace
