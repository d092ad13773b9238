#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "correction/CorrectMap.h"
#include "report/ReliefPicture.h"

class CFile;

// What the terminal tool tells of a run beyond its messages: a warning on
// the warnings stream for every mesh file that wrote no cell, held no record
// line or carries a code that is not a second-level mesh code; optionally a
// tab-separated table with one row per mesh file applied; optionally a
// before-and-after picture; and a closing line with the cells changed.
class CRunReport final : public ICorrectionObserver {
  public:
    // The area a picture covers, from the map as loaded; empty for none.
    using AreaFinder = std::function<std::optional<CellBox>(const DCMHEADER&, const CTileIndex&)>;

    explicit CRunReport(FILE* warnings) : m_warnings(warnings) {}

    // Writes the table to table, starting with its header line now.
    void WriteTableTo(FILE* table);
    // The run's squares come from DEM files, many a square and several
    // squares a file: the table has a row per file (WriteDemRow) instead of
    // one per square, and a square that wrote no cell is warned of by its
    // code. Before WriteTableTo.
    void TakeDemSquares() { m_bDem = true; }
    // The table's row of a DEM file: its name, mesh, product, the squares
    // it fed and the cells it gave their value.
    void WriteDemRow(const std::string& file, int64_t meshCode, const char* product, int squares,
                     int64_t cells);
    // Draws a picture of the area that findArea gives once the map is loaded.
    void DrawPicture(AreaFinder findArea) { m_findArea = std::move(findArea); }

    void OnStart(CFile& map, const DCMHEADER& header, const CTileIndex& index) override;
    void OnMeshApplied(const std::string& path, int32_t meshCode, int records,
                       const MeshTally& tally) override;
    // Only a picture looks at the tiles.
    bool WantsTiles() const override { return static_cast<bool>(m_findArea); }
    void OnFirstRead(TileNumber tile, int64_t block, const uint8_t* bytes) override;
    void OnFinal(TileNumber tile, const uint8_t* bytes, bool held) override;
    void BeforeWrite(int64_t block) override;
    void OnWriterDone() noexcept override;
    // The picture learns the tiles as left from the run's writes, while the
    // run goes, instead of from reads of every tile at its end.
    bool FollowsWrites() const override { return WantsTiles(); }
    void OnWritten(TileNumber tile, int64_t block, const uint8_t* bytes, bool held) override;
    void OnReadAgain(TileNumber tile, int64_t block, const uint8_t* bytes, bool held) override;
    void OnFinalTilesAgain() override;

    // Takes into the picture, as they stand in map (open again after the
    // run), the listed tiles of its area that the run did not read, so that
    // the panels show the land around what changed. File errors propagate as
    // CFileException.
    void AddUntouchedTiles(CFile& map);

    // The closing line, on the warnings stream.
    void PrintSummary(const CorrectionResult& result, bool dryRun) const;
    // The picture, when one was asked for and some cell was to be written.
    CReliefPicture* Picture() { return m_picture.get(); }

  private:
    FILE* m_warnings;
    FILE* m_table = nullptr;
    bool m_bDem = false;
    AreaFinder m_findArea;
    std::unique_ptr<CReliefPicture> m_picture;
    std::vector<std::pair<TileNumber, int64_t>> m_areaTiles;  // listed tile, its block
    std::set<std::pair<int64_t, int64_t>> m_readTiles;
};

// A field of the table as spreadsheet programs and csv readers take it:
// text holding a tab, a line break or a double quote is enclosed in double
// quotes, its own double quotes doubled; other text stays as it is.
std::string TableField(const std::string& text);

// True for a second-level mesh code: six digits whose fifth and sixth are 0-7.
bool IsSecondLevelMeshCode(int32_t code);
