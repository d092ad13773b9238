#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "correction/SquareSource.h"
#include "dem/DemPlan.h"
#include "dem/SquareResampler.h"

class CTileIndex;
struct DCMHEADER;

// The squares of a planned DEM run. Each DEM file is read whole as the walk
// comes to it and added to the sums of every square it feeds; a square is
// resampled and handed on as soon as the last file that feeds it has been
// read, so that only the squares still waiting for a file are held.
//
// The thread that calls HandOn walks the sources (inflating is sequential)
// and hands each DEM file to a pool of threads that parse it and measure its
// share of each square; the calling thread adds the shares to the sums and
// hands the squares on, file by file in the walk's order, so that the
// squares, their order and what stops the pass are the same whatever the
// number of threads.
class CDemSquares final : public ISquareSource {
  public:
    CDemSquares(std::vector<DemSource> sources, const DemPlan& plan, MapDatum datum);
    ~CDemSquares() override;

    bool Start() override;
    Pass HandOn(const SquareTaker& take, SquareReadControl& control) override;
    bool Exhausted() override { return m_handed == m_plan.squares.size(); }
    int Percent() const override;
    void Close() override { m_sums.clear(); }

    // Counts below only the cells the map can take (see CellsTheMapTakes);
    // the header and index must outlive the pass.
    void CountForMap(const DCMHEADER& header, const CTileIndex& index, uint64_t fileLength) {
        m_map = MapOfCounts{&header, &index, fileLength};
    }
    // The cells of the squares handed on that each planned file gave their
    // value (of the plan's files, by index): a cell goes to the file of the
    // winning product that covers the largest part of it.
    const std::vector<int64_t>& CellsWon() const { return m_cellsWon; }
    // The squares handed on in which each planned file gave a cell its value.
    const std::vector<int>& SquaresFed() const { return m_squaresFed; }
    // The squares handed on that gave at least one cell its value.
    int SquaresWritten() const { return m_nSquaresWritten; }
    // Hands each square on with its cells' unrounded means.
    void GiveMeans() { m_bMeans = true; }
    // Cells of the squares handed on whose mean lies outside the heights a
    // map holds (see CSquareSums::Finish): they keep the map's value.
    int64_t CellsOutOfRange() const { return m_nOutOfRange; }
    // What the files read so far gave to warn of, one line each: a kind of
    // tuple the survey's files never use (once a file).
    const std::vector<std::string>& Warnings() const { return m_warnings; }
    // How many threads read the DEM files: 1 reads each on the calling
    // thread as the walk comes to it; more read up to that many at once,
    // with at most one more file held. 0 (the default): as many as the
    // process's processors (UsableProcessors), at most kMostThreads, so that
    // the files held stay within a 32-bit process's memory on any machine.
    void SetThreads(int threads) { m_nThreads = threads; }
    static constexpr int kMostThreads = 4;

  private:
    struct SMember;
    struct SRead;
    class CSink;

    struct MapOfCounts {
        const DCMHEADER* header = nullptr;
        const CTileIndex* index = nullptr;
        uint64_t fileLength = 0;
    };

    std::vector<DemSource> m_sources;
    MapOfCounts m_map;
    std::vector<uint8_t> m_takes;  // the cells of the square being handed on the map takes
    int m_nSquaresWritten = 0;
    std::vector<std::string> m_warnings;
    const DemPlan& m_plan;
    MapDatum m_datum;
    std::map<int32_t, CSquareSums> m_sums;  // squares fed and not yet handed on
    std::map<int32_t, int> m_pending;       // files still to feed each square
    std::unique_ptr<MeshGrid> m_grid;
    bool m_bMeans = false;
    int64_t m_nOutOfRange = 0;
    int m_nThreads = 0;
    std::vector<double> m_means;
    std::vector<int64_t> m_cellsWon;
    std::vector<int> m_squaresFed;
    size_t m_handed = 0;
    std::vector<uint64_t> m_lengths;  // of the sources, in bytes
    uint64_t m_nTotalBytes = 0;
    uint64_t m_nBytesBefore = 0;  // of the sources before the one being read
    size_t m_nSource = 0;         // the source being read
    uint64_t m_nSourceRead = 0;   // bytes of it read so far
};
