#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "elevation/DcmLayout.h"
#include "framework/AlignedBuffer.h"
#include "framework/LargeArray.h"
#include "framework/OrderedPool.h"
#include "report/PngFile.h"
#include "report/ReliefShading.h"

// A rectangle of map cells, half-open: columns [x0, x1), rows [y0, y1).
struct CellBox {
    int64_t x0, y0, x1, y1;
};

class CBarrier;
class CFile;

// A before-and-after picture of a correction over an area of the map: three
// panels side by side (before, after, their difference), each at most a
// third of 1,600 pixels wide, at the ground's aspect. The panels are reduced
// as the tiles pass, on a thread of the picture's own, so that a run that
// draws one goes on while its tiles are reduced: memory follows the
// picture's size and a few tiles in flight, never the area's.
class CReliefPicture {
  public:
    static constexpr int kMaxWidth = 1600;
    static constexpr int kSeparatorWidth = 2;

    // Panels for the cells of area at the area's latitude, found from the
    // origin in header. Throws std::invalid_argument when area is empty.
    CReliefPicture(const CellBox& area, const DCMHEADER& header);
    ~CReliefPicture();
    CReliefPicture(const CReliefPicture&) = delete;
    CReliefPicture& operator=(const CReliefPicture&) = delete;

    // Reads the tiles given with a block from map, at that block, on its own
    // thread, where map allows it (see CFile::ReadAtIsThreadSafe): a tile is
    // then not copied. The map must stay open until FinishReading.
    void ReadTilesFrom(CFile& map);

    // Takes in tile (tx, ty) (kTileBlockSize bytes) as it was before the run
    // changed it; cells outside the area are ignored. At most once per tile.
    // Where block is a file position, the map holds the tile's bytes there
    // until the next BeforeWrite that reaches them; else the bytes are copied
    // before the call returns.
    void AddBefore(int64_t tx, int64_t ty, const uint8_t* tile, int64_t block = -1);

    // Takes in the same tile as the run left it, after its AddBefore. Where
    // held, the bytes stay as they are until a TakeBackAfter of the tile
    // returns, or until FinishReading, and are read where they are.
    void AddAfter(int64_t tx, int64_t ty, const uint8_t* tile, int64_t block = -1,
                  bool held = false);
    // Takes back an AddAfter of the same bytes: the tile was left otherwise
    // after all. Where held, they are done with when it returns.
    void TakeBackAfter(int64_t tx, int64_t ty, const uint8_t* tile, int64_t block = -1,
                       bool held = false);
    // Forgets every AddAfter and TakeBackAfter so far.
    void ClearAfter();
    // Takes in a tile as the run left it, shown at the run's end: half its
    // rows at once on this thread, the rest on the worker, from the bytes
    // where held (they stay as they are until FinishReading), else from a
    // copy. Until FinishReading, the after panel takes no tile otherwise.
    void AddFinal(int64_t tx, int64_t ty, const uint8_t* tile, bool held);

    // Reads now every tile still to be read from the map at blocks that share
    // a byte with the block at this file position, which is about to be
    // written.
    void BeforeWrite(int64_t block);
    // Reads now every tile still to be read from the map, which may close.
    void FinishReading() noexcept;

    // True when a picture could be written to path (see CanCreateFile: the
    // check leaves no file behind); false with the system's reason.
    static bool CanCreate(const std::string& path, std::string& error);

    // Draws the picture from what was taken in and writes it to path as a PNG.
    // Parts of the area that no tile covered are drawn as no data, and as no
    // change. False with the system's reason when the file cannot be written.
    bool WritePng(const std::string& path, std::string& error);

    int Width() const { return 3 * m_nPanelWidth + 2 * kSeparatorWidth; }
    int Height() const { return m_nPanelHeight; }

  private:
    // The cells of one area pixel: their sum of metres, how many had data
    // and how many had none, and an order-free fingerprint of their values
    // that tells a change even where the mean stays.
    struct Bin {
        int64_t nSum = 0;
        uint64_t nData = 0;
        uint64_t nNoData = 0;
        uint64_t nPrint = 0;
    };
    // A tile on its way to the panels: where its bytes are (held where the
    // writer keeps them, read at its block of the map when that is not -1,
    // or else a copy), where it lies, which panel's bins it goes into, and
    // whether it is added (+1) or taken back (-1).
    struct TileJob {
        std::unique_ptr<CAlignedBuffer> bytes;  // the copy
        const uint8_t* held = nullptr;
        int binRowBegin = 0, binRowEnd = 0;  // the pixel rows it goes into
        int64_t block = -1;
        int64_t tx = 0, ty = 0;
        CLargeArray<Bin>* bins = nullptr;
        int64_t sign = 1;
    };

    struct Drawing;

    void Queue(CLargeArray<Bin>& bins, int64_t tx, int64_t ty, const uint8_t* tile, int64_t block,
               int64_t sign, bool held, int binRowBegin);
    // Takes back the buffer of the oldest tile in flight once it is in the
    // bins; false when there is none, or when it is not done and wait is
    // false.
    bool TakeDone(bool wait);
    // Waits until every tile queued is in the bins.
    void Drain();
    // On the worker's thread: one tile into its bins.
    void Work(TileJob& job) noexcept;
    // Writes to every page of bins the first time they are used.
    void ReadyForWriting(CLargeArray<Bin>& bins);
    // The tile's cells that fall into pixel rows [binRowBegin, binRowEnd).
    void Add(CLargeArray<Bin>& bins, int64_t tx, int64_t ty, const uint8_t* tile, int64_t sign,
             int binRowBegin, int binRowEnd) const;

    bool DrawAndWrite(const std::string& path, std::string& error);
    // One of the drawing's two halves, each on a thread: its grid rows, the
    // image rows that show them and its part of the compression. met counts
    // the meetings with the other half it has been to.
    void DrawHalf(Drawing& drawing, int half, CBarrier& meet, int& met) const;
    // A grid of the picture's size, its values not yet worked out.
    ReducedGrid Grid() const;
    // The pixels of grid rows [rowBegin, rowEnd) from the bins into the
    // drawing's grids, and that half's lowest and highest metres and
    // largest change.
    void ReduceRows(Drawing& drawing, int half, int rowBegin, int rowEnd) const;
    // Where the halves meet: the first grid row of the northern half, and
    // the first image row of the southern one.
    void Split(int& gridSplit, int& imageSplit) const;
    void DifferenceRows(const ReducedGrid& before, const ReducedGrid& after,
                        const CChangeColours& change, int rowBegin, int rowEnd, Rgb* colours) const;
    static Rgb MinorityChange(const Bin& was, const Bin& is, const CChangeColours& change);
    // Image rows [rowBegin, rowEnd), from the north, from the panels.
    void DrawRows(const Drawing& drawing, CRgbImage& image, int rowBegin, int rowEnd) const;

    CellBox m_area;
    double m_dCellWidth;   // metres on the ground, east-west
    double m_dCellHeight;  // metres on the ground, north-south
    int m_nPanelWidth;
    int m_nPanelHeight;
    int m_nGridWidth;  // bins; fewer than the panel's pixels when it is scaled up
    int m_nGridHeight;
    CLargeArray<Bin> m_vBefore;
    CLargeArray<Bin> m_vAfter;
    CFile* m_pMap = nullptr;        // where tiles given with a block are read
    std::deque<int64_t> m_pending;  // the blocks of the tiles in flight, oldest first (-1: a copy)
    std::vector<std::unique_ptr<CAlignedBuffer>> m_spare;  // copies' buffers done with
    size_t m_nCopiesOut = 0;                               // copies in flight
    bool m_bFinals = false;                                // final tiles go into the after panel
    // The worker's own while tiles are in flight: whether each panel's bins
    // were readied for writing, and what lost the picture.
    bool m_bBeforeWritable = false;
    bool m_bAfterWritable = false;
    bool m_bDrawingWritable = false;
    bool m_bLost = false;                          // memory ran out
    std::string m_strReadFailure;                  // why a tile could not be read from the map
    std::unique_ptr<CAlignedBuffer> m_readBuffer;  // where tiles are read from the map
    // The drawing's memory, made with the picture: the worker writes to each
    // of its pages with its first tile, so that the drawing at the run's end
    // finds them given.
    std::unique_ptr<Drawing> m_drawing;
    // Last, so that its thread stops before the bins and the drawing go.
    COrderedPool<TileJob, TileJob> m_worker;
};
