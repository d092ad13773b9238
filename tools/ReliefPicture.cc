#include "tools/ReliefPicture.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "tools/PngFile.h"

namespace {

constexpr int kMaxPanelWidth =
    (CReliefPicture::kMaxWidth - 2 * CReliefPicture::kSeparatorWidth) / 3;
constexpr int kMaxPanelHeight = 800;
constexpr int kMinPanelWidth = 200;  // a small area is scaled up to this
constexpr double kMetresPerSecond = 30.87;
constexpr double kPi = 3.14159265358979323846;

// Metres of a stored cell value that has data: v - 1 above sea level, small
// depths as they are.
int64_t Metres(int16_t v) { return v > 0 ? v - 1 : v; }

// A well-mixed number for the value v of cell (x, y); the sum of these over
// a pixel's cells changes when any of their values does.
uint64_t CellPrint(int64_t x, int64_t y, int16_t v) {
    uint64_t h = static_cast<uint64_t>(x) * 0x9E3779B97F4A7C15u ^
                 static_cast<uint64_t>(y) * 0xC2B2AE3D27D4EB4Fu ^ static_cast<uint16_t>(v);
    h = (h ^ (h >> 30)) * 0xBF58476D1CE4E5B9u;
    h = (h ^ (h >> 27)) * 0x94D049BB133111EBu;
    return h ^ (h >> 31);
}

int PixelsFor(double metres, double scale, int most) {
    return static_cast<int>(std::clamp(std::lround(metres * scale), 1L, static_cast<long>(most)));
}

}  // namespace

CReliefPicture::CReliefPicture(const CellBox& area, const DCMHEADER& header) : m_area(area) {
    if (area.x1 <= area.x0 || area.y1 <= area.y0)
        throw std::invalid_argument("the picture's area holds no cell");
    const double width = static_cast<double>(area.x1 - area.x0);
    const double height = static_cast<double>(area.y1 - area.y0);
    // A cell is 2.25 by 1.5 seconds of arc; the latitude is the area's middle.
    const double latitude = (header.lOriginLat + (area.y0 + height / 2) * 1.5) / 3600;
    m_dCellWidth = 2.25 * kMetresPerSecond * std::max(std::cos(latitude * kPi / 180), 0.01);
    m_dCellHeight = 1.5 * kMetresPerSecond;

    // Pixels a metre: a pixel no larger than the smaller side of a cell, at
    // least the smallest panel width, and no more than fits.
    const double groundWidth = width * m_dCellWidth;
    const double groundHeight = height * m_dCellHeight;
    double scale =
        std::max(1 / std::min(m_dCellWidth, m_dCellHeight), kMinPanelWidth / groundWidth);
    scale = std::min({scale, kMaxPanelWidth / groundWidth, kMaxPanelHeight / groundHeight});
    m_nPanelWidth = PixelsFor(groundWidth, scale, kMaxPanelWidth);
    m_nPanelHeight = PixelsFor(groundHeight, scale, kMaxPanelHeight);
    m_nGridWidth = static_cast<int>(std::min<int64_t>(m_nPanelWidth, area.x1 - area.x0));
    m_nGridHeight = static_cast<int>(std::min<int64_t>(m_nPanelHeight, area.y1 - area.y0));
    const size_t bins = static_cast<size_t>(m_nGridWidth) * m_nGridHeight;
    m_vBefore.resize(bins);
    m_vAfter.resize(bins);
}

void CReliefPicture::AddBefore(int64_t tx, int64_t ty, const uint8_t* tile) {
    Add(m_vBefore, tx, ty, tile);
}

void CReliefPicture::AddAfter(int64_t tx, int64_t ty, const uint8_t* tile) {
    Add(m_vAfter, tx, ty, tile);
}

void CReliefPicture::Add(std::vector<Bin>& bins, int64_t tx, int64_t ty,
                         const uint8_t* tile) const {
    const int64_t left = tx * kTileSide;
    const int64_t bottom = ty * kTileSide;
    const int64_t xBegin = std::max(left, m_area.x0);
    const int64_t xEnd = std::min(left + kTileSide, m_area.x1);
    const int64_t yBegin = std::max(bottom, m_area.y0);
    const int64_t yEnd = std::min(bottom + kTileSide, m_area.y1);
    if (xBegin >= xEnd || yBegin >= yEnd) return;

    const int64_t width = m_area.x1 - m_area.x0;
    const int64_t height = m_area.y1 - m_area.y0;
    int64_t column[kTileSide];
    for (int64_t x = xBegin; x < xEnd; ++x)
        column[x - xBegin] = (x - m_area.x0) * m_nGridWidth / width;
    for (int64_t y = yBegin; y < yEnd; ++y) {
        Bin* row =
            &bins[static_cast<size_t>((y - m_area.y0) * m_nGridHeight / height) * m_nGridWidth];
        const uint8_t* cell = tile + 2 * ((y - bottom) * kTileSide + (xBegin - left));
        for (int64_t x = xBegin; x < xEnd; ++x, cell += 2) {
            const auto v = static_cast<int16_t>(cell[0] | cell[1] << 8);
            Bin& bin = row[column[x - xBegin]];
            if (v == 0) {
                ++bin.nNoData;
            } else {
                ++bin.nData;
                bin.nSum += Metres(v);
            }
            bin.nPrint += CellPrint(x, y, v);
        }
    }
}

ReducedGrid CReliefPicture::Reduce(const std::vector<Bin>& bins) const {
    ReducedGrid grid;
    grid.width = m_nGridWidth;
    grid.height = m_nGridHeight;
    grid.xSpacing = static_cast<double>(m_area.x1 - m_area.x0) * m_dCellWidth / m_nGridWidth;
    grid.ySpacing = static_cast<double>(m_area.y1 - m_area.y0) * m_dCellHeight / m_nGridHeight;
    grid.metres.resize(bins.size());
    grid.has.resize(bins.size());
    for (size_t i = 0; i < bins.size(); ++i) {
        // A pixel shows data when most of its cells that were seen hold some.
        grid.has[i] = bins[i].nData > 0 && bins[i].nData >= bins[i].nNoData;
        if (grid.has[i])
            grid.metres[i] = static_cast<double>(bins[i].nSum) / static_cast<double>(bins[i].nData);
    }
    return grid;
}

std::vector<Rgb> CReliefPicture::Difference(const ReducedGrid& before,
                                            const ReducedGrid& after) const {
    double scale = 1;
    for (size_t i = 0; i < m_vBefore.size(); ++i)
        if (before.has[i] && after.has[i])
            scale = std::max(scale, std::fabs(after.metres[i] - before.metres[i]));
    std::vector<Rgb> colours(m_vBefore.size(), kUnchangedColour);
    for (size_t i = 0; i < m_vBefore.size(); ++i) {
        const Bin& was = m_vBefore[i];
        const Bin& is = m_vAfter[i];
        if (was.nPrint == is.nPrint && was.nData == is.nData && was.nNoData == is.nNoData) continue;
        if (before.has[i] && after.has[i])
            colours[i] = ChangeColour(after.metres[i] - before.metres[i], scale);
        else if (after.has[i])
            colours[i] = kDataGainedColour;
        else if (before.has[i])
            colours[i] = kNoDataColour;
        else
            colours[i] = MinorityChange(was, is, scale);
    }
    return colours;
}

// The change of a pixel whose cells mostly hold no data, before and after:
// what its few cells with data did, so that no changed cell goes unseen.
Rgb CReliefPicture::MinorityChange(const Bin& was, const Bin& is, double scale) {
    if (is.nData > was.nData) return kDataGainedColour;
    if (is.nData < was.nData) return kNoDataColour;
    const double data = static_cast<double>(is.nData);
    return ChangeColour(static_cast<double>(is.nSum - was.nSum) / data, scale);
}

std::vector<uint8_t> CReliefPicture::Draw() const {
    const ReducedGrid before = Reduce(m_vBefore);
    const ReducedGrid after = Reduce(m_vAfter);
    double low = std::numeric_limits<double>::max();
    double high = std::numeric_limits<double>::lowest();
    for (const ReducedGrid* grid : {&before, &after}) {
        for (size_t i = 0; i < grid->metres.size(); ++i) {
            if (!grid->has[i]) continue;
            low = std::min(low, grid->metres[i]);
            high = std::max(high, grid->metres[i]);
        }
    }
    const std::vector<Rgb> panels[3] = {ShadeRelief(before, low, high),
                                        ShadeRelief(after, low, high), Difference(before, after)};

    const int width = Width();
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * m_nPanelHeight * 3);
    uint8_t* out = rgb.data();
    for (int py = 0; py < m_nPanelHeight; ++py) {
        // Image rows run from the north, grid rows from the south.
        const int gy = (m_nPanelHeight - 1 - py) * m_nGridHeight / m_nPanelHeight;
        for (int panel = 0; panel < 3; ++panel) {
            for (int px = 0; px < m_nPanelWidth; ++px) {
                const int gx = px * m_nGridWidth / m_nPanelWidth;
                const Rgb c = panels[panel][static_cast<size_t>(gy) * m_nGridWidth + gx];
                *out++ = c.r;
                *out++ = c.g;
                *out++ = c.b;
            }
            for (int s = 0; s < kSeparatorWidth && panel < 2; ++s) {
                *out++ = kSeparatorColour.r;
                *out++ = kSeparatorColour.g;
                *out++ = kSeparatorColour.b;
            }
        }
    }
    return rgb;
}

bool CReliefPicture::CanCreate(const std::string& path, std::string& error) {
    return CanCreateFile(path, error);
}

bool CReliefPicture::WritePng(const std::string& path, std::string& error) const {
    return WriteRgbPng(path, Width(), Height(), Draw(), error);
}
