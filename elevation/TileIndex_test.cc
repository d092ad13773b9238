#include "elevation/TileIndex.h"

#include <gtest/gtest.h>

#include "framework/MemoryFile.h"
#include "samples/SampleMap.h"
#include "testsupport/CFileWrapper.h"
#include "testsupport/FaultyFile.h"

namespace {

std::vector<uint8_t> ThreeTileMap() {
    SampleMapLayout layout;
    layout.tiles = {{0, 0}, {1, 0}, {0, 1}};
    return BuildSampleMap(layout, [](size_t, int) { return int16_t{1}; });
}

IndexLoad Load(std::vector<uint8_t> bytes, DCMHEADER& header, CTileIndex& index) {
    CMemoryFile file(std::move(bytes));
    return LoadTileIndex(file, header, index);
}

IndexLoad Load(std::vector<uint8_t> bytes) {
    DCMHEADER header;
    CTileIndex index;
    return Load(std::move(bytes), header, index);
}

TEST(TileKeyTest, MatchesTheTable) {
    const struct {
        int tx, ty;
        int32_t key;
    } table[] = {{0, 0, 100},   {3, 5, 50400},    {4, 5, 50500},         {15, 10, 101600},
                 {98, 0, 9900}, {99, 0, 1000000}, {123, 456, 401562400}, {9998, 0, 99009900}};
    for (auto t : table) EXPECT_EQ(TileKey(t.tx, t.ty), t.key) << t.tx << "," << t.ty;
}

TEST(TileKeyTest, TilesWithoutAKeyHaveNone) {
    EXPECT_FALSE(TileKey(-1, 0));
    EXPECT_FALSE(TileKey(0, -1));
    EXPECT_FALSE(TileKey(9999, 0)) << "column 10000 would run into the row digits";
    EXPECT_EQ(TileKey(98, 2199), 2100999900);
    EXPECT_FALSE(TileKey(0, 2200)) << "beyond 32 bits";
    EXPECT_FALSE(TileKey(0, int64_t{1} << 40));
}

TEST(HeaderTest, AcceptedWhateverItsUninterpretedBytesHold) {
    auto bytes = ThreeTileMap();
    for (int i = 0; i < 4; ++i) bytes[i] = 0xFF;
    for (int i = 30; i < 214; ++i) bytes[i] = static_cast<uint8_t>(i);
    DCMHEADER header;
    CTileIndex index;
    ASSERT_EQ(Load(bytes, header, index), IndexLoad::kLoaded);
    EXPECT_EQ(header.nTileCount, 3);
    EXPECT_EQ(header.lOriginLat, 126000);
    EXPECT_EQ(header.lOriginLon, 500400);
    ASSERT_EQ(index.Entries().size(), 3u);
    EXPECT_EQ(index.Entries()[2].lKey, 10100);
    EXPECT_EQ(index.Entries()[2].lBlockOffset, static_cast<int32_t>(SampleBlockOffset(2)));
}

TEST(HeaderTest, IndexIsReadWhereItsOffsetSays) {
    auto bytes = ThreeTileMap();
    const auto index = bytes.begin() + SampleIndexOffset();
    std::copy(index, index + 3 * kDcmTileEntrySize, bytes.begin() + 4096);
    std::fill(index, index + 3 * kDcmTileEntrySize, uint8_t{0x11});
    StoreLE32(bytes.data() + 10, 4096);
    DCMHEADER header;
    CTileIndex moved;
    ASSERT_EQ(Load(bytes, header, moved), IndexLoad::kLoaded);
    ASSERT_EQ(moved.Entries().size(), 3u);
    EXPECT_EQ(moved.Entries()[1].lKey, 200);
    EXPECT_EQ(moved.Entries()[1].lBlockOffset, static_cast<int32_t>(SampleBlockOffset(1)));
}

TEST(HeaderTest, WrongKindOrCellCountsAreRejected) {
    SampleMapLayout swapped;
    swapped.lonCellsPerDeg = 2400;
    swapped.latCellsPerDeg = 1600;
    EXPECT_EQ(Load(BuildSampleMap(swapped, [](size_t, int) { return int16_t{0}; })),
              IndexLoad::kRejected);
    SampleMapLayout kind;
    kind.kind = 1;
    EXPECT_EQ(Load(BuildSampleMap(kind, [](size_t, int) { return int16_t{0}; })),
              IndexLoad::kRejected);
    kind.kind = 0x0100;
    EXPECT_EQ(Load(BuildSampleMap(kind, [](size_t, int) { return int16_t{0}; })),
              IndexLoad::kRejected)
        << "the kind is 16 bits";
}

// A file that says it is longer than it is.
class CLongFile final : public CFileWrapper {
  public:
    using CFileWrapper::CFileWrapper;
    uint64_t GetLength() override { return uint64_t{1} << 40; }
};

TEST(HeaderTest, AMapOfAnotherKindIsRefusedBeforeItsIndexIsAllocated) {
    SampleMapLayout kind;
    kind.kind = 1;
    auto bytes = BuildSampleMap(kind, [](size_t, int) { return int16_t{0}; });
    StoreLE32(bytes.data() + 6, INT32_MAX);  // 32 GiB of index, never to be reserved
    CMemoryFile inner(std::move(bytes));
    CLongFile file(inner);
    DCMHEADER header;
    CTileIndex index;
    EXPECT_EQ(LoadTileIndex(file, header, index), IndexLoad::kRejected);
}

TEST(HeaderTest, EmptyIndexLoads) {
    SampleMapLayout layout;
    DCMHEADER header;
    CTileIndex index;
    EXPECT_EQ(Load(BuildSampleMap(layout, [](size_t, int) { return int16_t{0}; }), header, index),
              IndexLoad::kLoaded);
    EXPECT_TRUE(index.Entries().empty());
    EXPECT_EQ(index.Find(100), nullptr);

    // An empty index reads nothing: its offset may lie past the end, but
    // not before the start.
    auto bytes = BuildSampleMap(layout, [](size_t, int) { return int16_t{0}; });
    StoreLE32(bytes.data() + 10, static_cast<int32_t>(bytes.size() + 1000));
    EXPECT_EQ(Load(bytes, header, index), IndexLoad::kLoaded);
    EXPECT_TRUE(index.Entries().empty());
    StoreLE32(bytes.data() + 10, -1);
    EXPECT_EQ(Load(bytes), IndexLoad::kRejected);
}

TEST(IndexLookupTest, FirstEntryOfADuplicatedKeyWins) {
    CTileIndex index;
    index.Assign({{500, 1, {}}, {100, 2, {}}, {500, 3, {}}, {100, 4, {}}, {300, 5, {}}});
    EXPECT_EQ(index.Find(500)->lBlockOffset, 1);
    EXPECT_EQ(index.Find(100)->lBlockOffset, 2);
    EXPECT_EQ(index.Find(300)->lBlockOffset, 5);
    EXPECT_EQ(index.Find(200), nullptr);
    EXPECT_EQ(index.Entries().size(), 5u) << "the entries stay as the file holds them";
}

TEST(CorruptHeaderTest, AbsurdCountsAndOffsetsAreRejectedBeforeAllocating) {
    const auto good = ThreeTileMap();
    auto withCount = [&](int32_t count) {
        auto bytes = good;
        StoreLE32(bytes.data() + 6, count);
        return bytes;
    };
    EXPECT_EQ(Load(withCount(-1)), IndexLoad::kRejected);
    EXPECT_EQ(Load(withCount(INT32_MIN)), IndexLoad::kRejected);
    EXPECT_EQ(Load(withCount(INT32_MAX)), IndexLoad::kRejected) << "count x 16 beyond 32 bits";
    EXPECT_EQ(Load(withCount(0x10000000)), IndexLoad::kRejected)
        << "count x 16 wraps to 0 in 32 bits";
    const int32_t fits = static_cast<int32_t>((good.size() - SampleIndexOffset()) / 16);
    EXPECT_EQ(Load(withCount(fits)), IndexLoad::kLoaded);
    EXPECT_EQ(Load(withCount(fits + 1)), IndexLoad::kRejected) << "index runs past the end";

    auto negativeOffset = good;
    StoreLE32(negativeOffset.data() + 10, -16);
    EXPECT_EQ(Load(negativeOffset), IndexLoad::kRejected);
    auto farOffset = good;
    StoreLE32(farOffset.data() + 10, INT32_MAX);
    EXPECT_EQ(Load(farOffset), IndexLoad::kRejected);
}

TEST(CorruptHeaderTest, FileCutShortIsRejectedAtEveryPart) {
    const auto good = ThreeTileMap();
    const size_t indexEnd = SampleIndexOffset() + 3 * kDcmTileEntrySize;
    for (size_t size : {size_t{0}, size_t{1}, size_t{213}, size_t{214}, indexEnd - 1}) {
        DCMHEADER header;
        CTileIndex index;
        EXPECT_EQ(Load(std::vector<uint8_t>(good.begin(), good.begin() + size), header, index),
                  IndexLoad::kRejected)
            << size;
        EXPECT_TRUE(index.Entries().empty());
    }
    EXPECT_EQ(Load(std::vector<uint8_t>(good.begin(), good.begin() + indexEnd)),
              IndexLoad::kLoaded);
}

TEST(CorruptHeaderTest, EachRefusalSaysWhatIsWrong) {
    const auto good = ThreeTileMap();
    auto with = [&](size_t at, int32_t value) {
        auto bytes = good;
        StoreLE32(bytes.data() + at, value);
        return bytes;
    };
    auto kind = good;
    kind[4] = 1;
    auto cells = with(22, 2400);
    const size_t indexEnd = SampleIndexOffset() + 3 * kDcmTileEntrySize;
    const struct {
        std::vector<uint8_t> bytes;
        const char* why;
    } table[] = {
        {std::vector<uint8_t>(good.begin(), good.begin() + 213),
         "the file is shorter than a map's header"},
        {with(6, -1), "the header's tile count is negative"},
        {with(10, -16), "the header's index offset is negative"},
        {std::vector<uint8_t>(good.begin(), good.begin() + indexEnd - 1),
         "the tile index runs past the end of the file"},
        {kind, "the header's kind is not 0"},
        {cells, "the map does not have 1600 x 2400 cells per degree"},
    };
    for (const auto& row : table) {
        CMemoryFile file(row.bytes);
        DCMHEADER header;
        CTileIndex index;
        std::string why;
        EXPECT_EQ(LoadTileIndex(file, header, index, &why), IndexLoad::kRejected) << row.why;
        EXPECT_EQ(why, row.why);
    }
}

TEST(TileKeyTest, KeysGiveBackTheirTilesAndTheIndexItsExtent) {
    for (auto [tx, ty] : {std::pair<int64_t, int64_t>{0, 0},
                          {3, 5},
                          {98, 0},
                          {99, 0},
                          {123, 456},
                          {9998, 0},
                          {98, 2199}})
        EXPECT_EQ(TileOfKey(*TileKey(tx, ty))->tx * 100000 + TileOfKey(*TileKey(tx, ty))->ty,
                  tx * 100000 + ty);
    EXPECT_FALSE(TileOfKey(0)) << "column 0 is tile -1";
    EXPECT_FALSE(TileOfKey(150)) << "not a multiple of 100";
    CTileIndex index;
    index.Assign({{*TileKey(3, 5), 1, {}}, {*TileKey(7, 2), 2, {}}, {12345, 3, {}}});
    const TileExtent& extent = index.Extent();
    EXPECT_FALSE(extent.bEmpty);
    EXPECT_EQ(extent.tx0, 3);
    EXPECT_EQ(extent.tx1, 8);
    EXPECT_EQ(extent.ty0, 2);
    EXPECT_EQ(extent.ty1, 6);
}

TEST(FileErrorTest, ReadAndSeekErrorsReachTheCaller) {
    for (auto op : {CFileException::Op::kRead, CFileException::Op::kSeek}) {
        CMemoryFile inner(ThreeTileMap());
        CFaultyFile file(inner, op, 1);
        DCMHEADER header;
        CTileIndex index;
        EXPECT_THROW(LoadTileIndex(file, header, index), CFileException);
    }
    CMemoryFile inner(ThreeTileMap());
    CFaultyFile secondRead(inner, CFileException::Op::kRead, 2);
    DCMHEADER header;
    CTileIndex index;
    EXPECT_THROW(LoadTileIndex(secondRead, header, index), CFileException)
        << "error while reading the index";
}

}  // namespace
