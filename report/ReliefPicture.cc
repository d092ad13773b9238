#include "report/ReliefPicture.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "elevation/VectorPath.h"
#include "framework/Exception.h"
#include "framework/File.h"
#include "report/ReliefDrawing.h"
#include "report/ReportTexts.h"

namespace {

constexpr int kMaxPanelWidth =
    (CReliefPicture::kMaxWidth - 2 * CReliefPicture::kSeparatorWidth) / 3;
constexpr int kMaxPanelHeight = 800;
constexpr int kMinPanelWidth = 200;  // a small area is scaled up to this
constexpr double kMetresPerSecond = 30.87;
constexpr double kPi = 3.14159265358979323846;
// Tiles given to the worker and not yet in the bins: enough that the run
// does not wait for it through a batch of writes, as a tile the worker reads
// from the map takes a few bytes until then. Of those, tiles copied for it,
// at 200 KB each. Between tiles the worker stays awake a while, as waking it
// takes the processors a good part of a tile's time.
constexpr size_t kTilesInFlight = 64;
constexpr size_t kCopiesInFlight = 8;
constexpr std::chrono::microseconds kWorkerSpin(300);

// A well-mixed odd number for a column or a row of the map. A pixel's
// fingerprint sums, over its cells, each value times its column's number
// times its row's: it changes when any of the values does (a change that
// kept it would have to cancel out over these random weights), even where
// the mean stays.
uint64_t Weight(int64_t line, uint64_t salt) {
    uint64_t h = static_cast<uint64_t>(line) * 0x9E3779B97F4A7C15u ^ salt;
    h = (h ^ (h >> 30)) * 0xBF58476D1CE4E5B9u;
    h = (h ^ (h >> 27)) * 0x94D049BB133111EBu;
    return (h ^ (h >> 31)) | 1;
}

// Rows of a tile's cells, columns [j0, j1), that fall into one pixel row,
// into its column sums: metres of the cells with data (v - 1 above sea
// level, depths as they are; a cell without data, 0, adds nothing), how
// many have data, and the values weighted by their row's weight. N rows at
// a time, one after another in the tile, so that the sums are read and
// written once for them. Plain arrays, which the compiler turns into vector
// code.
template <int N>
__attribute__((always_inline)) inline void SumRows(const uint8_t* cells, int64_t j0, int64_t j1,
                                                   const uint32_t* rowWeights, int32_t* sums,
                                                   uint32_t* withData, uint32_t* weighted) {
    for (int64_t j = j0; j < j1; ++j) {
        int32_t sum = 0;
        uint32_t data = 0, print = 0;
        for (int k = 0; k < N; ++k) {
            int16_t v;  // little-endian, the machine's own order
            std::memcpy(&v, cells + 2 * (j + k * kTileSide), 2);
            sum += v - (v > 0);
            data += v != 0;
            print += static_cast<uint16_t>(v) * rowWeights[k];
        }
        sums[j] += sum;
        withData[j] += data;
        weighted[j] += print;
    }
}

using SumRowsFunction = void (*)(const uint8_t*, int64_t, int64_t, const uint32_t*, int32_t*,
                                 uint32_t*, uint32_t*);

template <int N>
void SumRowsPlain(const uint8_t* cells, int64_t j0, int64_t j1, const uint32_t* rowWeights,
                  int32_t* sums, uint32_t* withData, uint32_t* weighted) {
    SumRows<N>(cells, j0, j1, rowWeights, sums, withData, weighted);
}

#if defined(__x86_64__) || defined(__i386__)
// The same loops in registers twice as wide, where the processor has them.
template <int N>
__attribute__((target("avx2"))) void SumRowsAvx2(const uint8_t* cells, int64_t j0, int64_t j1,
                                                 const uint32_t* rowWeights, int32_t* sums,
                                                 uint32_t* withData, uint32_t* weighted) {
    SumRows<N>(cells, j0, j1, rowWeights, sums, withData, weighted);
}
#else
template <int N>
void SumRowsAvx2(const uint8_t* cells, int64_t j0, int64_t j1, const uint32_t* rowWeights,
                 int32_t* sums, uint32_t* withData, uint32_t* weighted) {
    SumRows<N>(cells, j0, j1, rowWeights, sums, withData, weighted);
}
#endif

int PixelsFor(double metres, double scale, int most) {
    return static_cast<int>(std::clamp(std::lround(metres * scale), 1L, static_cast<long>(most)));
}

}  // namespace

CReliefPicture::CReliefPicture(const CellBox& area, const DCMHEADER& header)
    : m_area(area),
      m_worker(
          1, kTilesInFlight,
          [this](TileJob& job) {
              Work(job);
              return std::move(job);
          },
          kWorkerSpin) {
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
    m_vBefore = CLargeArray<Bin>(bins);
    m_vAfter = CLargeArray<Bin>(bins);
    m_drawing = std::make_unique<Drawing>(*this);
}

CReliefPicture::~CReliefPicture() = default;

void CReliefPicture::ReadTilesFrom(CFile& map) {
    if (map.ReadAtIsThreadSafe()) m_pMap = &map;
}

void CReliefPicture::AddBefore(int64_t tx, int64_t ty, const uint8_t* tile, int64_t block) {
    Queue(m_vBefore, tx, ty, tile, block, 1, false, 0);
}

void CReliefPicture::AddAfter(int64_t tx, int64_t ty, const uint8_t* tile, int64_t block,
                              bool held) {
    Queue(m_vAfter, tx, ty, tile, block, 1, held, 0);
}

void CReliefPicture::TakeBackAfter(int64_t tx, int64_t ty, const uint8_t* tile, int64_t block,
                                   bool held) {
    Queue(m_vAfter, tx, ty, tile, block, -1, held, 0);
    // The tiles in flight are taken in order: the held bytes are done with
    // once every one is.
    if (held) Drain();
}

void CReliefPicture::AddFinal(int64_t tx, int64_t ty, const uint8_t* tile, bool held) {
    if (!m_bFinals) {
        // The after panel's bins are this thread's and the worker's, by
        // rows, until FinishReading.
        Drain();
        ReadyForWriting(m_vAfter);
        m_bFinals = true;
    }
    const int split = m_nGridHeight / 2;
    Queue(m_vAfter, tx, ty, tile, -1, 1, held, split);
    Add(m_vAfter, tx, ty, tile, 1, 0, split);
}

void CReliefPicture::ClearAfter() {
    Drain();
    std::fill(m_vAfter.begin(), m_vAfter.end(), Bin{});
}

void CReliefPicture::BeforeWrite(int64_t block) {
    // The tiles waiting are read in the order they came: up to the last
    // whose block shares a byte with this one.
    const auto reaches = [&](int64_t at) {
        return at >= 0 && at < block + int64_t{kTileBlockSize} &&
               block < at + int64_t{kTileBlockSize};
    };
    const auto last = std::find_if(m_pending.rbegin(), m_pending.rend(), reaches);
    for (auto n = std::distance(last, m_pending.rend()); n > 0; --n) TakeDone(true);
}

void CReliefPicture::FinishReading() noexcept {
    m_bFinals = false;
    try {
        Drain();
    } catch (...) {
        // The pool's own locks failed: the picture is lost, and says so when
        // it is written.
        m_bLost = true;
    }
}

void CReliefPicture::Queue(CLargeArray<Bin>& bins, int64_t tx, int64_t ty, const uint8_t* tile,
                           int64_t block, int64_t sign, bool held, int binRowBegin) {
    const int64_t left = tx * kTileSide, bottom = ty * kTileSide;
    if (left >= m_area.x1 || left + kTileSide <= m_area.x0 || bottom >= m_area.y1 ||
        bottom + kTileSide <= m_area.y0)
        return;
    while (TakeDone(false)) {
    }
    if (m_worker.Full()) TakeDone(true);
    // The worker reads the tile where it is held, or from the map itself
    // where it can; else it takes a copy, in a buffer whose tile is in the
    // bins already, or a new one while fewer than kCopiesInFlight are out.
    TileJob job;
    job.held = held ? tile : nullptr;
    job.block = !held && m_pMap != nullptr ? block : -1;
    if (!held && job.block < 0) {
        while (m_spare.empty() && m_nCopiesOut >= kCopiesInFlight && TakeDone(true)) {
        }
        if (m_spare.empty()) {
            job.bytes = std::make_unique<CAlignedBuffer>(kTileBlockSize);
        } else {
            job.bytes = std::move(m_spare.back());
            m_spare.pop_back();
        }
        ++m_nCopiesOut;
        std::memcpy(job.bytes->Data(), tile, kTileBlockSize);
    }
    job.binRowBegin = binRowBegin;
    job.binRowEnd = m_nGridHeight;
    job.tx = tx;
    job.ty = ty;
    job.bins = &bins;
    job.sign = sign;
    m_pending.push_back(job.block);
    m_worker.Submit(std::move(job));
}

bool CReliefPicture::TakeDone(bool wait) {
    auto done = m_worker.Next(wait);
    if (!done) return false;
    m_pending.pop_front();
    if (done->bytes) {
        m_spare.push_back(std::move(done->bytes));
        --m_nCopiesOut;
    }
    return true;
}

void CReliefPicture::Drain() {
    while (TakeDone(true)) {
    }
}

void CReliefPicture::ReadyForWriting(CLargeArray<Bin>& bins) {
    // Bins are read before they are written; each panel's when it takes its
    // first tile, so that the run's first tiles wait for half as much.
    bool& ready = &bins == &m_vBefore ? m_bBeforeWritable : m_bAfterWritable;
    if (!ready) bins.PrepareForWriting();
    ready = true;
}

void CReliefPicture::Work(TileJob& job) noexcept {
    ReadyForWriting(*job.bins);
    if (!m_bDrawingWritable) m_drawing->PrepareForWriting();
    m_bDrawingWritable = true;
    if (m_bLost || !m_strReadFailure.empty()) return;  // the picture is lost
    // Nothing leaves a job: a Drain that met a failure would return with
    // later tiles still being read, from a map that may then close.
    const uint8_t* tile = job.held != nullptr ? job.held : job.bytes ? job.bytes->Data() : nullptr;
    try {
        if (job.block >= 0) {
            if (!m_readBuffer) m_readBuffer = std::make_unique<CAlignedBuffer>(kTileBlockSize);
            if (m_pMap->ReadAt(job.block, m_readBuffer->Data(), kTileBlockSize) < kTileBlockSize)
                throw CFileException(CFileException::Op::kRead, m_pMap->GetFilePath(),
                                     SayReport(ReportText::kMapShrank));
            tile = m_readBuffer->Data();
        }
    } catch (const CFileException& failure) {
        m_strReadFailure = failure.what();
        return;
    } catch (...) {
        m_bLost = true;  // memory ran out
        return;
    }
    Add(*job.bins, job.tx, job.ty, tile, job.sign, job.binRowBegin, job.binRowEnd);
}

void CReliefPicture::Add(CLargeArray<Bin>& bins, int64_t tx, int64_t ty, const uint8_t* tile,
                         int64_t sign, int binRowBegin, int binRowEnd) const {
    const int64_t left = tx * kTileSide;
    const int64_t bottom = ty * kTileSide;
    // The first row of the area in a pixel row r is the first y whose
    // (y - y0) x grid height reaches r x the area's height.
    const auto firstRowOf = [&](int64_t r) {
        const int64_t height = m_area.y1 - m_area.y0;
        return m_area.y0 + (r * height + m_nGridHeight - 1) / m_nGridHeight;
    };
    const int64_t xBegin = std::max(left, m_area.x0);
    const int64_t xEnd = std::min(left + kTileSide, m_area.x1);
    const int64_t yBegin = std::max({bottom, m_area.y0, firstRowOf(binRowBegin)});
    const int64_t yEnd = std::min({bottom + kTileSide, m_area.y1, firstRowOf(binRowEnd)});
    if (xBegin >= xEnd || yBegin >= yEnd) return;

    // The tile's columns in runs that fall into one pixel column each, so
    // that a row's cells are summed run by run and each pixel touched once.
    const int64_t width = m_area.x1 - m_area.x0;
    const int64_t height = m_area.y1 - m_area.y0;
    struct Run {
        int64_t begin, end, bin;
    };
    Run runs[kTileSide];
    int nRuns = 0;
    for (int64_t x = xBegin; x < xEnd; ++x) {
        const int64_t bin = (x - m_area.x0) * m_nGridWidth / width;
        if (nRuns == 0 || runs[nRuns - 1].bin != bin) runs[nRuns++] = {x - left, x - left, bin};
        ++runs[nRuns - 1].end;
    }
    uint32_t columnWeight[kTileSide];
    for (int64_t x = xBegin; x < xEnd; ++x)
        columnWeight[x - left] = static_cast<uint32_t>(Weight(x, 0x5851F42D4C957F2Du));

    // The rows that fall into one pixel row are summed column by column (a
    // loop the compiler turns into vector code), then the columns run by
    // run into the pixels.
    const int64_t j0 = xBegin - left, j1 = xEnd - left;
    int32_t sums[kTileSide] = {};
    uint32_t withData[kTileSide] = {};
    uint32_t weighted[kTileSide] = {};
    int64_t rows = 0;
    auto intoPixels = [&](int64_t binRow) {
        Bin* pixels = &bins[static_cast<size_t>(binRow) * m_nGridWidth];
        // Taken back, each sum goes in negated: the bins come out as if the
        // tile had never been added.
        const auto times = static_cast<uint64_t>(sign);
        for (int r = 0; r < nRuns; ++r) {
            const Run& run = runs[r];
            int64_t sum = 0;
            uint64_t data = 0;
            uint32_t print = 0;
            for (int64_t j = run.begin; j < run.end; ++j) {
                sum += sums[j];
                data += withData[j];
                print += weighted[j] * columnWeight[j];
            }
            Bin& bin = pixels[run.bin];
            bin.nSum += sign * sum;
            bin.nData += times * data;
            bin.nNoData += times * (static_cast<uint64_t>(rows * (run.end - run.begin)) - data);
            bin.nPrint += times * print;
        }
        std::fill(sums + j0, sums + j1, 0);
        std::fill(withData + j0, withData + j1, 0u);
        std::fill(weighted + j0, weighted + j1, 0u);
        rows = 0;
    };
    // Two rows at once where both lie in the pixel row (four gained no more).
    const bool wide = CurrentVectorPath() == VectorPath::kAvx2;
    const SumRowsFunction sumOne = wide ? SumRowsAvx2<1> : SumRowsPlain<1>;
    const SumRowsFunction sumTwo = wide ? SumRowsAvx2<2> : SumRowsPlain<2>;
    const auto pixelRow = [&](int64_t y) { return (y - m_area.y0) * m_nGridHeight / height; };
    int64_t binRow = pixelRow(yBegin);
    for (int64_t y = yBegin; y < yEnd;) {
        const int64_t thisRow = pixelRow(y);
        if (thisRow != binRow) {
            intoPixels(binRow);
            binRow = thisRow;
        }
        const bool two = y + 1 < yEnd && pixelRow(y + 1) == thisRow;
        const uint32_t weights[2] = {static_cast<uint32_t>(Weight(y, 0x14057B7EF767814Fu)),
                                     static_cast<uint32_t>(Weight(y + 1, 0x14057B7EF767814Fu))};
        (two ? sumTwo : sumOne)(tile + 2 * (y - bottom) * kTileSide, j0, j1, weights, sums,
                                withData, weighted);
        rows += two ? 2 : 1;
        y += two ? 2 : 1;
    }
    intoPixels(binRow);
}

bool CReliefPicture::CanCreate(const std::string& path, std::string& error) {
    return CanCreateFile(path, error);
}
