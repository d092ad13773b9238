#include "report/ReliefPicture.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <random>
#include <stdexcept>
#include <thread>

#include "elevation/VectorPath.h"
#include "report/PngFile.h"
#include "testsupport/TestFolder.h"

namespace {

constexpr int kSep = CReliefPicture::kSeparatorWidth;
constexpr double kPi = 3.14159265358979323846;

// The ground's width over its height for the cells of area, at latitude
// degrees of the area's middle row.
double GroundAspect(const CellBox& area, double latitude) {
    return (area.x1 - area.x0) * 2.25 * std::cos(latitude * kPi / 180) /
           ((area.y1 - area.y0) * 1.5);
}

DCMHEADER HeaderAt(double latitudeDegrees) {
    DCMHEADER header{};
    header.lOriginLat = static_cast<int32_t>(latitudeDegrees * 3600);
    header.lOriginLon = 139 * 3600;
    header.nLonCellsPerDeg = kLonCellsPerDegree;
    header.nLatCellsPerDeg = kLatCellsPerDegree;
    return header;
}

// A tile block whose cell (column, row from the south) holds value(column, row).
std::vector<uint8_t> Tile(const std::function<int16_t(int, int)>& value) {
    std::vector<uint8_t> block(kTileBlockSize);
    for (int row = 0; row < kTileSide; ++row) {
        for (int col = 0; col < kTileSide; ++col) {
            const auto v = static_cast<uint16_t>(value(col, row));
            block[2 * (row * kTileSide + col)] = static_cast<uint8_t>(v);
            block[2 * (row * kTileSide + col) + 1] = static_cast<uint8_t>(v >> 8);
        }
    }
    return block;
}

std::vector<uint8_t> Flat(int16_t value) {
    return Tile([value](int, int) { return value; });
}

// A picture read back with libpng, addressed by panel (0 before, 1 after,
// 2 difference) and by the fraction of the panel's width from the west and
// of its height from the south.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;

    int PanelWidth() const { return (width - 2 * kSep) / 3; }
    Rgb Pixel(int x, int y) const {
        const uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
        return {p[0], p[1], p[2]};
    }
    Rgb At(int panel, double east, double north) const {
        const int px = std::min(static_cast<int>(east * PanelWidth()), PanelWidth() - 1);
        const int py = std::min(static_cast<int>(north * height), height - 1);
        return Pixel(panel * (PanelWidth() + kSep) + px, height - 1 - py);
    }
};

Picture Decode(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    Picture picture;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return picture;
    image.format = PNG_FORMAT_RGB;
    picture.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr)) return picture;
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    return picture;
}

int Brightness(Rgb c) { return c.r + c.g + c.b; }

class ReliefPictureTest : public ::testing::Test {
  protected:
    Picture Written(CReliefPicture& picture) {
        const std::string path = (m_folder / "picture.png").string();
        std::string error;
        EXPECT_TRUE(picture.WritePng(path, error)) << error;
        Picture decoded = Decode(path);
        EXPECT_EQ(decoded.width, picture.Width());
        EXPECT_EQ(decoded.height, picture.Height());
        return decoded;
    }

    CTestFolder m_folder;
};

TEST_F(ReliefPictureTest, PanelsAreEqualAndFollowTheGroundAtTheAreasLatitude) {
    for (double latitude : {0.0, 35.0, 60.0}) {
        // A mesh square: 200 x 200 cells.
        const CellBox area{3200, 4800, 3400, 5000};
        CReliefPicture picture(area, HeaderAt(latitude));
        const Picture png = Written(picture);
        ASSERT_EQ((png.width - 2 * kSep) % 3, 0);
        // The middle row, 4900, lies 4900 x 1.5 seconds north of the origin.
        const double aspect = GroundAspect(area, latitude + 4900 * 1.5 / 3600);
        EXPECT_NEAR(png.PanelWidth(), aspect * png.height, 1.0) << latitude;
        EXPECT_GE(std::max(png.PanelWidth(), png.height), 200) << "a small area is scaled up";
        EXPECT_EQ(png.Pixel(png.PanelWidth(), 0), kSeparatorColour);
    }
}

TEST_F(ReliefPictureTest, LargeAreasAreScaledDownToFitAndSmallOnesUp) {
    const CellBox wide{0, 0, 100 * kTileSide, 10 * kTileSide};
    const CellBox square{0, 0, 100 * kTileSide, 100 * kTileSide};
    const CellBox small{0, 0, 40, 30};
    for (const CellBox& area : {wide, square, small}) {
        const CReliefPicture picture(area, HeaderAt(35));
        EXPECT_LE(picture.Width(), CReliefPicture::kMaxWidth);
        ASSERT_EQ((picture.Width() - 2 * kSep) % 3, 0);
        const int panelWidth = (picture.Width() - 2 * kSep) / 3;
        EXPECT_GE(panelWidth, 200);
        const int middleRow = area.y1 / 2;
        const double middle = 35 + middleRow * 1.5 / 3600;
        EXPECT_NEAR(static_cast<double>(panelWidth) / picture.Height() / GroundAspect(area, middle),
                    1, 0.02);
    }
}

TEST_F(ReliefPictureTest, AnEmptyAreaIsRefused) {
    EXPECT_THROW(CReliefPicture({5, 0, 5, 10}, HeaderAt(35)), std::invalid_argument);
}

TEST_F(ReliefPictureTest, OnlyTheChangedTileShowsInTheDifference) {
    // Two tiles side by side; the eastern one rises by 10 m.
    CReliefPicture picture({0, 0, 2 * kTileSide, kTileSide}, HeaderAt(35));
    const auto west = Tile([](int col, int row) { return static_cast<int16_t>(100 + col + row); });
    const auto east = Tile([](int col, int row) { return static_cast<int16_t>(300 + col - row); });
    const auto raised =
        Tile([](int col, int row) { return static_cast<int16_t>(310 + col - row); });
    picture.AddBefore(0, 0, west.data());
    picture.AddAfter(0, 0, west.data());
    picture.AddBefore(1, 0, east.data());
    picture.AddAfter(1, 0, raised.data());
    const Picture png = Written(picture);
    for (double north : {0.0, 0.5, 0.99}) {
        for (double e : {0.0, 0.25, 0.48}) EXPECT_EQ(png.At(2, e, north), kUnchangedColour) << e;
        for (double e : {0.52, 0.75, 0.99}) {
            const Rgb c = png.At(2, e, north);
            EXPECT_GT(c.r, c.b + 100) << "raised is red at " << e << "," << north;
        }
    }
    EXPECT_EQ(png.At(0, 0.25, 0.5), png.At(1, 0.25, 0.5)) << "unchanged land looks the same";
}

TEST_F(ReliefPictureTest, CellsThatChangeWithoutMovingTheirPixelsMeanStillShow) {
    // Four tiles across: about 2.4 cells a pixel. Two cells of the
    // south-western pixel trade 10 m, its mean stays.
    CReliefPicture picture({0, 0, 4 * kTileSide, kTileSide}, HeaderAt(35));
    ASSERT_LT(picture.Width(), 3 * 4 * kTileSide);
    const auto before = Flat(101);
    const auto after = Tile([](int col, int row) {
        return static_cast<int16_t>(row > 0 || col > 1 ? 101 : col == 0 ? 91 : 111);
    });
    picture.AddBefore(0, 0, before.data());
    picture.AddAfter(0, 0, after.data());
    const Picture png = Written(picture);
    EXPECT_NE(png.At(2, 0, 0), kUnchangedColour);
    EXPECT_EQ(png.At(2, 0.1, 0.5), kUnchangedColour);

    // The same between two rows of the pixel, which are taken in together.
    CReliefPicture rows({0, 0, 4 * kTileSide, kTileSide}, HeaderAt(35));
    const auto traded = Tile([](int col, int row) {
        return static_cast<int16_t>(col > 0 || row > 1 ? 101 : row == 0 ? 91 : 111);
    });
    rows.AddBefore(0, 0, before.data());
    rows.AddAfter(0, 0, traded.data());
    EXPECT_NE(Written(rows).At(2, 0, 0), kUnchangedColour);
}

TEST_F(ReliefPictureTest, AChangedCellAmongCellsWithoutDataStillShows) {
    // Four tiles across: about 2.4 cells a pixel, all without data but the
    // south-western cell, which is raised by 10 m.
    CReliefPicture picture({0, 0, 4 * kTileSide, kTileSide}, HeaderAt(35));
    const auto before = Tile([](int col, int row) { return int16_t(col + row == 0 ? 101 : 0); });
    const auto after = Tile([](int col, int row) { return int16_t(col + row == 0 ? 111 : 0); });
    picture.AddBefore(0, 0, before.data());
    picture.AddAfter(0, 0, after.data());
    const Picture png = Written(picture);
    const Rgb c = png.At(2, 0, 0);
    EXPECT_GT(c.r, c.b) << "raised";
    EXPECT_EQ(png.At(2, 0.1, 0.5), kUnchangedColour);
}

TEST_F(ReliefPictureTest, NoDataHasItsOwnColourAndItsChangesAreMarked) {
    // The western half of the tile has no data before; afterwards its
    // south-western quarter has gained data and the north-eastern quarter
    // lost it. The area reaches a tile further north that nobody covered.
    CReliefPicture picture({0, 0, kTileSide, 2 * kTileSide}, HeaderAt(35));
    const auto before = Tile([](int col, int) { return static_cast<int16_t>(col < 160 ? 0 : 50); });
    const auto after = Tile([](int col, int row) {
        if (col < 160) return static_cast<int16_t>(row < 160 ? 50 : 0);
        return static_cast<int16_t>(row < 160 ? 50 : 0);
    });
    picture.AddBefore(0, 0, before.data());
    picture.AddAfter(0, 0, after.data());
    const Picture png = Written(picture);
    // South-west quarter, south-east, north-west, north-east of the tile;
    // the tile is the southern half of the area.
    EXPECT_EQ(png.At(0, 0.25, 0.1), kNoDataColour);
    EXPECT_NE(png.At(0, 0.75, 0.1), kNoDataColour);
    EXPECT_NE(png.At(1, 0.25, 0.1), kNoDataColour);
    EXPECT_EQ(png.At(1, 0.75, 0.4), kNoDataColour);
    EXPECT_EQ(png.At(2, 0.25, 0.1), kDataGainedColour);
    EXPECT_EQ(png.At(2, 0.75, 0.1), kUnchangedColour);
    EXPECT_EQ(png.At(2, 0.25, 0.4), kUnchangedColour) << "no data before and after";
    EXPECT_EQ(png.At(2, 0.75, 0.4), kNoDataColour) << "data lost";
    for (int panel : {0, 1}) EXPECT_EQ(png.At(panel, 0.5, 0.75), kNoDataColour) << "uncovered";
    EXPECT_EQ(png.At(2, 0.5, 0.75), kUnchangedColour) << "uncovered";
}

TEST_F(ReliefPictureTest, HeldBytesTakenBackAreDoneWithOnceTheTakeBackReturns) {
    // A tile that the writer holds, shown as left and taken back before it
    // changes again, round after round; the writer changes it as soon as
    // each take-back returns. The worker is given time to take in the
    // showing before the take-back, and the changed bytes after it.
    const CellBox area{0, 0, kTileSide, kTileSide};
    const auto before = Flat(101);
    const auto after = Tile([](int col, int row) { return int16_t(50 + (col * row) % 900); });
    CReliefPicture expected(area, HeaderAt(35));
    expected.AddBefore(0, 0, before.data());
    expected.AddAfter(0, 0, after.data());
    CReliefPicture picture(area, HeaderAt(35));
    picture.AddBefore(0, 0, before.data());
    std::vector<uint8_t> held;
    for (int round = 0; round < 20; ++round) {
        held = after;
        picture.AddAfter(0, 0, held.data(), -1, true);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        picture.TakeBackAfter(0, 0, held.data(), -1, true);
        std::fill(held.begin(), held.end(), uint8_t{0x7F});
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    held = after;
    picture.AddAfter(0, 0, held.data(), -1, true);
    EXPECT_TRUE(Written(picture).rgb == Written(expected).rgb);
}

TEST_F(ReliefPictureTest, CellsOutsideTheAreaAreIgnored) {
    // Flat at 500 m inside the area, a cliff of 3000 m around it: the area
    // is drawn in one colour.
    const CellBox area{100, 50, 260, 290};
    CReliefPicture picture(area, HeaderAt(35));
    const auto tile = Tile([&area](int col, int row) {
        const bool inside = col >= area.x0 && col < area.x1 && row >= area.y0 && row < area.y1;
        return static_cast<int16_t>(inside ? 501 : 3001);
    });
    picture.AddBefore(0, 0, tile.data());
    const Picture png = Written(picture);
    const Rgb flat = png.At(0, 0.5, 0.5);
    EXPECT_NE(flat, kNoDataColour);
    for (double east : {0.0, 0.999})
        for (double north : {0.0, 0.5, 0.999})
            EXPECT_EQ(png.At(0, east, north), flat) << east << "," << north;
}

TEST_F(ReliefPictureTest, SlopesFacingTheNorthWestAreLighter) {
    // Equal heights at the tiles' middles: the western tile rises to the
    // south-east (faces north-west), the eastern one to the north-west.
    CReliefPicture picture({0, 0, 2 * kTileSide, kTileSide}, HeaderAt(35));
    const auto facingNorthWest =
        Tile([](int col, int row) { return static_cast<int16_t>(1000 + col - row); });
    const auto facingSouthEast =
        Tile([](int col, int row) { return static_cast<int16_t>(1000 - col + row); });
    picture.AddBefore(0, 0, facingNorthWest.data());
    picture.AddBefore(1, 0, facingSouthEast.data());
    const Picture png = Written(picture);
    EXPECT_GT(Brightness(png.At(0, 0.25, 0.5)), Brightness(png.At(0, 0.75, 0.5)) + 30);
}

// Land of every kind over tiles that the area cuts: hills, a sea floor, holes
// without data; afterwards part of it raised, a hole filled and a patch
// taken out. The pixels are fingerprinted as the first version of the
// picture drew them, so that any faster drawing draws the same picture.
uint64_t PixelPrint(const CellBox& area, int tiles) {
    const auto before = [](int64_t x, int64_t y) -> int16_t {
        if ((x / 90 + y / 70) % 11 == 3) return 0;  // no data
        const double h = 300 * std::sin(x / 37.0) * std::cos(y / 53.0) + 0.05 * (x - y);
        return static_cast<int16_t>(h > 0 ? h + 1 : h - 20);
    };
    const auto after = [&](int64_t x, int64_t y) -> int16_t {
        if (x > 400 && x < 700 && y > 300 && y < 900) return static_cast<int16_t>(before(x, y) + 7);
        if ((x / 90 + y / 70) % 11 == 3 && x < 500) return 40;
        if (x > 900 && x < 1000 && y < 200) return 0;
        if ((x + y) % 97 == 0) return static_cast<int16_t>(before(x, y) - 1);
        return before(x, y);
    };
    CReliefPicture picture(area, HeaderAt(35));
    for (int ty = 0; ty < tiles; ++ty) {
        for (int tx = 0; tx < tiles; ++tx) {
            const auto at = [&](const auto& value) {
                return Tile([&](int col, int row) {
                    return value(int64_t{tx} * kTileSide + col, int64_t{ty} * kTileSide + row);
                });
            };
            picture.AddBefore(tx, ty, at(before).data());
            picture.AddAfter(tx, ty, at(after).data());
        }
    }
    CTestFolder folder;
    const std::string path = (folder / "picture.png").string();
    std::string error;
    EXPECT_TRUE(picture.WritePng(path, error)) << error;
    const Picture png = Decode(path);
    uint64_t print = 0xCBF29CE484222325u;  // FNV-1a
    for (const uint8_t byte : png.rgb) print = (print ^ byte) * 0x100000001B3u;
    return print ^ static_cast<uint64_t>(png.width) << 48 ^ static_cast<uint64_t>(png.height) << 32;
}

TEST(ReliefPictureDrawingTest, DrawsTheSamePixelsAsItsFirstVersion) {
    for (const VectorPath path : SupportedVectorPaths()) {
        UseVectorPath(path);
        // Scaled down, about three cells a pixel, the area's edges inside tiles.
        EXPECT_EQ(PixelPrint({130, 70, 6 * kTileSide - 77, 5 * kTileSide - 31}, 6),
                  17734453394016675915u);
        // Scaled up: fewer cells across than the smallest panel's pixels.
        EXPECT_EQ(PixelPrint({250, 290, 410, 420}, 2), 17396421873226617513u);
    }
    UseVectorPath(SupportedVectorPaths().front());
}

class PngFileTest : public ::testing::Test {
  protected:
    CTestFolder m_folder;
    CReliefPicture m_picture{{0, 0, 200, 200}, HeaderAt(35)};
};

TEST_F(PngFileTest, RowsComeBackAsDrawnWhateverTheSizeAndTheBytes) {
    // Noise that no compressor shrinks, and runs that it shrinks most; the
    // drawing's own cut, and an opening part of no row, of every row but one
    // and of every row (a grid one row high puts the cut at the end).
    std::mt19937 random(5);
    for (const int height : {1, 2, 3, 7, 40}) {
        for (const int width : {1, 5, 1600}) {
            for (const bool noise : {true, false}) {
                CRgbImage image(width, height);
                std::vector<uint8_t> drawn;
                for (int y = 0; y < height; ++y) {
                    for (int i = 0; i < 3 * width; ++i) {
                        image.Row(y)[i] = noise ? static_cast<uint8_t>(random()) : y % 3 * 40;
                        drawn.push_back(image.Row(y)[i]);
                    }
                }
                const std::string path = (m_folder / "rows.png").string();
                for (const int opening : {OpeningRows(height), 0, height - 1, height}) {
                    std::string error;
                    EXPECT_TRUE(WriteRgbPng(path, image, CompressOpening(image, opening),
                                            CompressRest(image, opening), error))
                        << error;
                    EXPECT_TRUE(Decode(path).rgb == drawn)
                        << width << " x " << height << (noise ? ", noise" : "") << ", cut at "
                        << opening;
                }
            }
        }
    }
}

TEST_F(PngFileTest, AFileInAMissingFolderFailsWithTheReason) {
    const std::string path = (m_folder / "missing" / "picture.png").string();
    std::string error;
    EXPECT_FALSE(CReliefPicture::CanCreate(path, error));
    EXPECT_EQ(error, std::strerror(ENOENT));
    error.clear();
    EXPECT_FALSE(m_picture.WritePng(path, error));
    EXPECT_EQ(error, std::strerror(ENOENT));
}

TEST_F(PngFileTest, AFailedWriteFailsWithTheReason) {
    // A device that is always full, where the system has one that refuses
    // writes as the picture makes them (a large write, then the close).
    if (FILE* probe = std::fopen("/dev/full", "wb")) {
        const std::vector<char> bytes(1 << 16);
        const bool full = std::fwrite(bytes.data(), 1, bytes.size(), probe) != bytes.size();
        if (std::fclose(probe) == 0 && !full) GTEST_SKIP() << "no device that is always full here";
    } else {
        GTEST_SKIP() << "no device that is always full here";
    }
    std::string error;
    EXPECT_FALSE(m_picture.WritePng("/dev/full", error));
    EXPECT_EQ(error, std::strerror(ENOSPC));
}

TEST_F(PngFileTest, TheCheckLeavesTheFileSystemAsItWas) {
    const auto fresh = m_folder / "fresh.png";
    std::string error;
    EXPECT_TRUE(CReliefPicture::CanCreate(fresh.string(), error)) << error;
    EXPECT_FALSE(std::filesystem::exists(fresh));

    const auto old = m_folder / "old.png";
    std::ofstream(old) << "kept";
    EXPECT_TRUE(CReliefPicture::CanCreate(old.string(), error)) << error;
    std::ifstream in(old);
    std::string text;
    in >> text;
    EXPECT_EQ(text, "kept");
}

}  // namespace
