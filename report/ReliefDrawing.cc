// The picture drawn from its bins and written: two threads, each with half
// the rows of every step, meeting where a step needs the other's rows.
#include "report/ReliefDrawing.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <exception>
#include <limits>
#include <thread>

#include "framework/Barrier.h"
#include "report/PngFile.h"
#include "report/ReliefPicture.h"

namespace {

constexpr int kMeetings = 1;  // of the two halves, in DrawHalf

}  // namespace

ReducedGrid CReliefPicture::Grid() const {
    ReducedGrid grid;
    grid.width = m_nGridWidth;
    grid.height = m_nGridHeight;
    grid.xSpacing = static_cast<double>(m_area.x1 - m_area.x0) * m_dCellWidth / m_nGridWidth;
    grid.ySpacing = static_cast<double>(m_area.y1 - m_area.y0) * m_dCellHeight / m_nGridHeight;
    grid.metres = CLargeArray<double>(m_vBefore.size());
    grid.has = CLargeArray<uint8_t>(m_vBefore.size());
    return grid;
}

void CReliefPicture::ReduceRows(Drawing& drawing, int half, int rowBegin, int rowEnd) const {
    ReducedGrid& before = drawing.grids[0];
    ReducedGrid& after = drawing.grids[1];
    double low = std::numeric_limits<double>::max();
    double high = std::numeric_limits<double>::lowest();
    double largest = 1;  // the change's scale reaches at least 1 m
    const size_t end = static_cast<size_t>(rowEnd) * m_nGridWidth;
    for (size_t i = static_cast<size_t>(rowBegin) * m_nGridWidth; i < end; ++i) {
        // A pixel shows data when most of its cells that were seen hold some.
        const Bin& was = m_vBefore[i];
        const Bin& is = m_vAfter[i];
        before.has[i] = was.nData > 0 && was.nData >= was.nNoData;
        after.has[i] = is.nData > 0 && is.nData >= is.nNoData;
        if (before.has[i]) {
            before.metres[i] = static_cast<double>(was.nSum) / static_cast<double>(was.nData);
            low = std::min(low, before.metres[i]);
            high = std::max(high, before.metres[i]);
        }
        if (after.has[i]) {
            after.metres[i] = static_cast<double>(is.nSum) / static_cast<double>(is.nData);
            low = std::min(low, after.metres[i]);
            high = std::max(high, after.metres[i]);
        }
        if (before.has[i] && after.has[i])
            largest = std::max(largest, std::fabs(after.metres[i] - before.metres[i]));
    }
    drawing.low[half] = low;
    drawing.high[half] = high;
    drawing.largestChange[half] = largest;
}

void CReliefPicture::DifferenceRows(const ReducedGrid& before, const ReducedGrid& after,
                                    const CChangeColours& change, int rowBegin, int rowEnd,
                                    Rgb* colours) const {
    const size_t end = static_cast<size_t>(rowEnd) * m_nGridWidth;
    for (size_t i = static_cast<size_t>(rowBegin) * m_nGridWidth; i < end; ++i) {
        colours[i] = kUnchangedColour;
        const Bin& was = m_vBefore[i];
        const Bin& is = m_vAfter[i];
        if (was.nPrint == is.nPrint && was.nSum == is.nSum && was.nData == is.nData &&
            was.nNoData == is.nNoData)
            continue;
        if (before.has[i] && after.has[i])
            colours[i] = change(after.metres[i] - before.metres[i]);
        else if (after.has[i])
            colours[i] = kDataGainedColour;
        else if (before.has[i])
            colours[i] = kNoDataColour;
        else
            colours[i] = MinorityChange(was, is, change);
    }
}

// The change of a pixel whose cells mostly hold no data, before and after:
// what its few cells with data did, so that no changed cell goes unseen.
Rgb CReliefPicture::MinorityChange(const Bin& was, const Bin& is, const CChangeColours& change) {
    if (is.nData > was.nData) return kDataGainedColour;
    if (is.nData < was.nData) return kNoDataColour;
    const double data = static_cast<double>(is.nData);
    return change(static_cast<double>(is.nSum - was.nSum) / data);
}

void CReliefPicture::DrawRows(const Drawing& drawing, CRgbImage& image, int rowBegin,
                              int rowEnd) const {
    std::vector<int> column(static_cast<size_t>(m_nPanelWidth));  // grid column of a pixel
    for (int px = 0; px < m_nPanelWidth; ++px) column[px] = px * m_nGridWidth / m_nPanelWidth;
    const bool wholeRows = m_nGridWidth == m_nPanelWidth;
    for (int py = rowBegin; py < rowEnd; ++py) {
        // Image rows run from the north, grid rows from the south.
        const int gy = (m_nPanelHeight - 1 - py) * m_nGridHeight / m_nPanelHeight;
        uint8_t* out = image.Row(py);
        for (int panel = 0; panel < 3; ++panel) {
            const Rgb* row = &drawing.panels[panel][static_cast<size_t>(gy) * m_nGridWidth];
            if (wholeRows) {
                std::memcpy(out, row, 3 * static_cast<size_t>(m_nPanelWidth));
                out += 3 * m_nPanelWidth;
            } else {
                for (int px = 0; px < m_nPanelWidth; ++px) {
                    const Rgb c = row[column[px]];
                    *out++ = c.r;
                    *out++ = c.g;
                    *out++ = c.b;
                }
            }
            for (int s = 0; s < kSeparatorWidth && panel < 2; ++s) {
                *out++ = kSeparatorColour.r;
                *out++ = kSeparatorColour.g;
                *out++ = kSeparatorColour.b;
            }
        }
    }
}

void CReliefPicture::Split(int& gridSplit, int& imageSplit) const {
    // Image rows run from the north, grid rows from the south; the halves
    // meet at a grid row's first image row, so that each half's image rows
    // show its own grid rows alone.
    const auto gridRowOf = [&](int py) {
        return (m_nPanelHeight - 1 - py) * m_nGridHeight / m_nPanelHeight;
    };
    const int target = OpeningRows(m_nPanelHeight);
    gridSplit = target > 0 ? gridRowOf(target - 1) : m_nGridHeight;
    imageSplit = 0;
    while (imageSplit < m_nPanelHeight && gridRowOf(imageSplit) >= gridSplit) ++imageSplit;
}

void CReliefPicture::DrawHalf(Drawing& drawing, int half, CBarrier& meet, int& met) const {
    // Half 1 takes the northern grid rows, the image rows that show them
    // and the image's opening part; half 0 the rest.
    int gridSplit, imageSplit;
    Split(gridSplit, imageSplit);
    const int rowBegin = half == 0 ? 0 : gridSplit;
    const int rowEnd = half == 0 ? gridSplit : m_nGridHeight;
    ReduceRows(drawing, half, rowBegin, rowEnd);
    meet.Arrive();  // the tint's range and the change's scale are the whole picture's
    ++met;

    const double low = std::min(drawing.low[0], drawing.low[1]);
    const double high = std::max(drawing.high[0], drawing.high[1]);
    for (int grid = 0; grid < 2; ++grid)
        ShadeRows(drawing.grids[grid], low, high, rowBegin, rowEnd, drawing.panels[grid].data());
    const CChangeColours change(std::max(drawing.largestChange[0], drawing.largestChange[1]));
    DifferenceRows(drawing.grids[0], drawing.grids[1], change, rowBegin, rowEnd,
                   drawing.panels[2].data());
    if (half == 0) {
        DrawRows(drawing, drawing.image, imageSplit, m_nPanelHeight);
        drawing.compressed[0] = CompressRest(drawing.image, imageSplit);
    } else {
        DrawRows(drawing, drawing.image, 0, imageSplit);
        drawing.compressed[1] = CompressOpening(drawing.image, imageSplit);
    }
}

bool CReliefPicture::WritePng(const std::string& path, std::string& error) {
    // Memory running out, or no thread to be had: no picture, and the run's
    // other results stand.
    try {
        return DrawAndWrite(path, error);
    } catch (const std::exception& failure) {
        error = failure.what();
        return false;
    }
}

bool CReliefPicture::DrawAndWrite(const std::string& path, std::string& error) {
    Drain();
    if (m_bLost || !m_strReadFailure.empty()) {
        error = m_bLost ? std::strerror(ENOMEM) : m_strReadFailure;
        return false;
    }
    Drawing& drawing = *m_drawing;
    CBarrier meet(2);
    // A half that fails still meets the other at every step left, so that
    // neither waits for ever; its failure goes on from here once both are
    // done.
    std::exception_ptr failures[2];
    auto half = [&](int which) {
        int met = 0;
        try {
            DrawHalf(drawing, which, meet, met);
        } catch (...) {
            failures[which] = std::current_exception();
            for (; met < kMeetings; ++met) meet.Arrive();
        }
    };
    std::thread south(half, 0);
    half(1);
    south.join();
    for (const std::exception_ptr& failure : failures)
        if (failure) std::rethrow_exception(failure);
    return WriteRgbPng(path, drawing.image, drawing.compressed[1], drawing.compressed[0], error);
}
