#include "elevation/MeshReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>

#include "elevation/FieldParser.h"
#include "elevation/RecordParser.h"
#include "elevation/TextModeLines.h"
#include "elevation/VectorPath.h"
#include "framework/MemoryFile.h"
#include "fuzz/ReferenceMeshReader.h"
#include "samples/SampleMesh.h"
#include "testsupport/TestFolder.h"

namespace {

namespace fs = std::filesystem;

// Every cell of record r, column j holds a value unique to it (tenths).
int Distinct(int record, int j) { return record * 100 + j; }

struct ReadResult {
    int32_t code;
    std::unique_ptr<MeshGrid> grid;
};

ReadResult Read(const std::string& text) {
    CMemoryFile file(std::vector<uint8_t>(text.begin(), text.end()));
    auto grid = std::make_unique<MeshGrid>();
    std::vector<char> scratch(CTextModeLines::kMinBuffer);
    const int32_t code = ReadMeshText(file, *grid, scratch.data(), scratch.size());
    return {code, std::move(grid)};
}

// A record line with the given number text and every field set to `field`.
std::string RecordLine(const std::string& number, const std::string& field) {
    std::string line = "533945" + number;
    for (int j = 0; j < kMeshSide; ++j) line += field;
    return line + "\r\n";
}

const std::string kHeader = std::string("533945") + std::string(1003, ' ') + "\r\n";

bool AllNoData(const MeshGrid& grid) {
    return std::all_of(std::begin(grid.cells), std::end(grid.cells),
                       [](int16_t c) { return c == kNoElevation; });
}

TEST(MeshReaderLayout, HeaderOnlyGivesCodeAndNoData) {
    const auto r = Read(BuildMeshText(533945, {}, Distinct));
    EXPECT_EQ(r.code, 533945);
    EXPECT_TRUE(AllNoData(*r.grid));
}

TEST(MeshReaderLayout, RecordsArePlacedByNumberNorthernmostFirst) {
    const auto r = Read(BuildMeshText(533945, {1, 200}, Distinct));
    EXPECT_EQ(r.grid->At(199, 0), TenthsToMetres(Distinct(1, 0)));
    EXPECT_EQ(r.grid->At(199, 199), TenthsToMetres(Distinct(1, 199)));
    EXPECT_EQ(r.grid->At(0, 7), TenthsToMetres(Distinct(200, 7)));
    EXPECT_EQ(r.grid->At(100, 7), kNoElevation);
}

TEST(MeshReaderLayout, RecordOrderDoesNotMatter) {
    std::vector<int> descending = AllMeshRecords();
    std::reverse(descending.begin(), descending.end());
    const auto up = Read(BuildMeshText(533945, AllMeshRecords(), Distinct));
    const auto down = Read(BuildMeshText(533945, descending, Distinct));
    EXPECT_TRUE(std::equal(std::begin(up.grid->cells), std::end(up.grid->cells),
                           std::begin(down.grid->cells)));
}

TEST(MeshReaderLayout, LaterRecordReplacesEarlierRow) {
    const auto r = Read(kHeader + RecordLine("050", "  100") + RecordLine("050", "  200"));
    EXPECT_EQ(r.grid->At(150, 0), 20);
    EXPECT_EQ(r.grid->At(150, 199), 20);
}

TEST(MeshReaderLayout, OnlyTheFirstSixCharactersAreTheCode) {
    EXPECT_EQ(Read("5339451 rest of header\r\n").code, 533945);
    EXPECT_EQ(Read("  1234\r\n").code, 1234);
    EXPECT_EQ(Read("\r\n").code, 0) << "an empty first line reads as code 0";
    EXPECT_LT(Read("-53394\r\n").code, 0);
}

TEST(MeshReaderFields, ValuesConvertLikeAtoi) {
    EXPECT_EQ(MeshFieldValue("     ", 5), 0);
    EXPECT_EQ(MeshFieldValue("00005", 5), 5);
    EXPECT_EQ(MeshFieldValue("-0005", 5), -5);
    EXPECT_EQ(MeshFieldValue("-9999", 5), -9999);
    EXPECT_EQ(MeshFieldValue("99999", 5), 99999);
    EXPECT_EQ(MeshFieldValue("+0012", 5), 12);
    EXPECT_EQ(MeshFieldValue(" -3 7", 5), -3);
    EXPECT_EQ(MeshFieldValue("12 34", 5), 12);
    EXPECT_EQ(MeshFieldValue("\t\v 42", 5), 42);
    EXPECT_EQ(MeshFieldValue("--5  ", 5), 0);
    EXPECT_EQ(MeshFieldValue("  x12", 5), 0);
    EXPECT_EQ(MeshFieldValue("1\0"
                             "23",
                             5),
              1)
        << "a NUL ends the digits";
    EXPECT_EQ(MeshFieldValue("123456", 5), 12345) << "the field is five characters";
}

TEST(MeshReaderFields, FastConversionAgreesWithAtoiOnEveryMixOfCharacters) {
    const char alphabet[] = {' ', '-', '+', '0', '5', '9', 'x', '\t', '\0', '\xB5'};
    char field[8] = {0, 0, 0, 0, 0, '7', '7', '7'};
    for (int code = 0; code < 100000; ++code) {
        int rest = code;
        for (int i = 0; i < 5; ++i, rest /= 10) field[i] = alphabet[rest % 10];
        ASSERT_EQ(FastFieldValue(field), MeshFieldValue(field, 5)) << std::string(field, 5);
    }
}

TEST(MeshReaderFields, WholeRecordsAgreeWithTheReferenceReader) {
    // Records whose fields are mostly numbers as real files write them and
    // sometimes odd ones, at line lengths around the minimum, so that every
    // conversion path the processor can take (and the one-at-a-time tail
    // after it) meets every form.
    const char* odd[] = {"  - 1", "+0012", "1 2 3", "\t  42", "--5  ",
                         "  x12", "-    ", "     ", "99999",  "-9999"};
    std::mt19937 random(12345);
    std::string text = kHeader;
    for (int line = 0; line < 400; ++line) {
        char number[4];
        std::snprintf(number, sizeof number, "%03d", line % 200 + 1);
        std::string record = std::string("533945") + number;
        for (int j = 0; j < kMeshSide; ++j) {
            char field[8];
            if (random() % 5 == 0) {
                std::memcpy(field, odd[random() % 10], 6);
            } else {
                std::snprintf(field, sizeof field, "%5d",
                              static_cast<int>(random() % 30000) - 10000);
            }
            record.append(field, 5);
        }
        record.append(random() % 24, '3');
        text += record + (line % 3 ? "\r\n" : "\n");
    }
    auto expected = std::make_unique<MeshGrid>();
    const int32_t code = ReferenceReadMesh(text, *expected);
    for (VectorPath path : SupportedVectorPaths()) {
        UseVectorPath(path);
        const auto fast = Read(text);
        EXPECT_EQ(fast.code, code);
        for (int i = 0; i < kMeshCells; ++i)
            ASSERT_EQ(fast.grid->cells[i], expected->cells[i])
                << "cell " << i << ", path " << static_cast<int>(path);
    }
    UseVectorPath(VectorPath::kAvx2);
}

TEST(MeshReaderFields, EveryNumberAFieldCanHoldConvertsExactly) {
    // -9999 to 99999 through whole records, 40,000 values a file.
    for (VectorPath path : SupportedVectorPaths()) {
        UseVectorPath(path);
        for (int first = -9999; first <= 99999; first += kMeshCells) {
            auto value = [first](int record, int j) {
                return std::min(99999, first + (record - 1) * kMeshSide + j);
            };
            const auto r = Read(BuildMeshText(533945, AllMeshRecords(), value));
            for (int record = 1; record <= kMeshSide; ++record)
                for (int j = 0; j < kMeshSide; ++j)
                    ASSERT_EQ(r.grid->At(kMeshSide - record, j), TenthsToMetres(value(record, j)))
                        << value(record, j) << ", path " << static_cast<int>(path);
        }
    }
    UseVectorPath(VectorPath::kAvx2);
}

TEST(MeshReaderFields, TenthsRoundHalfUpThenTruncate) {
    const std::pair<int, int> table[] = {{1234, 123}, {1235, 124}, {99999, 10000}, {0, 0},
                                         {5, 1},      {-5, 0},     {-14, 0},       {-15, -1},
                                         {-24, -1},   {-25, -2},   {-9999, -999}};
    for (auto [tenths, metres] : table) EXPECT_EQ(TenthsToMetres(tenths), metres) << tenths;

    const auto r = Read(kHeader + RecordLine("001", "     ") + RecordLine("002", "00005") +
                        RecordLine("003", "-0005") + RecordLine("004", "-9999"));
    EXPECT_EQ(r.grid->At(199, 3), 0);
    EXPECT_EQ(r.grid->At(198, 3), 1);
    EXPECT_EQ(r.grid->At(197, 3), 0);
    EXPECT_EQ(r.grid->At(196, 3), -999);
}

TEST(MeshReaderDamage, EmptyFileIsUnusable) { EXPECT_EQ(Read("").code, -1); }

TEST(MeshReaderDamage, ShortRecordLineIsSkippedWhole) {
    std::string shortLine = RecordLine("010", "  500");
    shortLine.erase(1008, 1);  // 1008 characters before CR LF
    const auto r = Read(kHeader + shortLine + "533945011" + "\r\n" + "\r\n");
    EXPECT_EQ(r.code, 533945);
    EXPECT_TRUE(AllNoData(*r.grid));
}

TEST(MeshReaderDamage, RecordNumbersOutsideTheGridAreSkipped) {
    const auto r = Read(kHeader + RecordLine("000", "  500") + RecordLine("201", "  500") +
                        RecordLine("999", "  500") + RecordLine("0a1", "  500") +
                        RecordLine(" 01", "  500") + RecordLine("-01", "  500"));
    EXPECT_TRUE(AllNoData(*r.grid));
}

TEST(MeshReaderDamage, EmptyLineAfterLastRecordChangesNothing) {
    const std::string text = BuildMeshText(533945, AllMeshRecords(), Distinct);
    const auto plain = Read(text);
    const auto trailing = Read(text + "\r\n");
    EXPECT_TRUE(std::equal(std::begin(plain.grid->cells), std::end(plain.grid->cells),
                           std::begin(trailing.grid->cells)));
}

TEST(MeshReaderDamage, CtrlZEndsTheRecords) {
    const auto r = Read(kHeader + RecordLine("001", "  100") + "\x1A" + RecordLine("002", "  100"));
    EXPECT_EQ(r.grid->At(199, 0), 10);
    EXPECT_EQ(r.grid->At(198, 0), kNoElevation);
}

TEST(MeshReaderDamage, OverlongRecordIsReadInPiecesOf2047) {
    // The first 2047 characters are a record; the rest of the line is a
    // piece of its own, all 'x', whose record number is no number.
    std::string line = RecordLine("007", "  300");
    line.insert(1009, std::string(3000, 'x'));
    const auto r = Read(kHeader + line);
    EXPECT_EQ(r.grid->At(193, 0), 30);
    EXPECT_EQ(std::count(std::begin(r.grid->cells), std::end(r.grid->cells), 30), kMeshSide);
}

// A read with a control: the result, and what the control says afterwards.
int32_t ReadControlled(const std::string& text, MeshReadControl& control) {
    CMemoryFile file(std::vector<uint8_t>(text.begin(), text.end()));
    auto grid = std::make_unique<MeshGrid>();
    std::vector<char> scratch(CTextModeLines::kMinBuffer);
    return ReadMeshText(file, *grid, scratch.data(), scratch.size(), &control);
}

TEST(MeshReaderControl, StopRequestEndsTheReadAsStoppedNotAsAFailure) {
    // Larger than one read, so the request is asked again in the middle.
    const std::string text = BuildMeshText(533945, AllMeshRecords(), Distinct);
    int asked = 0;
    MeshReadControl control;
    control.stopRequested = [&] { return ++asked == 2; };
    EXPECT_EQ(ReadControlled(text, control), -1);
    EXPECT_TRUE(control.stopped);
    EXPECT_EQ(ReadControlled(text, control), 533945) << "the next file is read whole";
    EXPECT_FALSE(control.stopped);
    EXPECT_GT(asked, 3);
    EXPECT_EQ(ReadControlled("", control), -1);
    EXPECT_FALSE(control.stopped);
    EXPECT_EQ(control.failure, "is empty");
}

TEST(MeshReaderControl, AFileCutShortIsRefusedAndOneLeavingRowsOutIsNot) {
    // Records 1 to 3 stored, the rest left out as sea rows are.
    const std::string text = BuildMeshText(533945, {1, 2, 3}, Distinct);
    const size_t lastLine = text.size() - (kMeshRecordLength + 2);
    MeshReadControl control;
    for (size_t end :
         {size_t{0} + 3, kMeshRecordLength - 1, lastLine + 1, lastLine + 500, text.size() - 3}) {
        SCOPED_TRACE(end);
        EXPECT_EQ(ReadControlled(text.substr(0, end), control), -1);
        EXPECT_EQ(control.failure, "was cut short: its last line has no line end");
        EXPECT_EQ(ReadControlled(text.substr(0, end) + "\x1A" + text.substr(end), control), -1)
            << "a Ctrl-Z in the middle of a line ends the file there";
    }
    // Whole lines: with their line ends, a Ctrl-Z after them, or the last
    // record whole without its line end.
    for (const std::string& whole :
         {text, text + "\x1A", text.substr(0, text.size() - 2), text.substr(0, lastLine)}) {
        EXPECT_EQ(ReadControlled(whole, control), 533945);
        EXPECT_EQ(control.failure, "");
    }
}

class MeshReaderFileTest : public ::testing::Test {
  protected:
    CTestFolder m_folder;
    const fs::path& m_dir = m_folder.Path();
};

TEST_F(MeshReaderFileTest, UnopenableFileLeavesGridUntouched) {
    auto grid = std::make_unique<MeshGrid>();
    std::fill(std::begin(grid->cells), std::end(grid->cells), int16_t{42});
    EXPECT_EQ(ReadMemFile((m_dir / "missing.mem").string(), *grid), -1);
    EXPECT_TRUE(std::all_of(std::begin(grid->cells), std::end(grid->cells),
                            [](int16_t c) { return c == 42; }));
    EXPECT_EQ(ReadMemFile(m_dir.string(), *grid), -1) << "a folder is no mesh file";
}

TEST_F(MeshReaderFileTest, ReadsAFileFromDisk) {
    const std::string text = BuildMeshText(543976, {100}, Distinct);
    std::ofstream(m_dir / "a.mem", std::ios::binary) << text;
    auto grid = std::make_unique<MeshGrid>();
    EXPECT_EQ(ReadMemFile((m_dir / "a.mem").string(), *grid), 543976);
    EXPECT_EQ(grid->At(100, 10), TenthsToMetres(Distinct(100, 10)));
}

}  // namespace
