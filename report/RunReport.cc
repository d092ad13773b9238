#include "report/RunReport.h"

#include <cinttypes>

#include "elevation/TileIndex.h"
#include "framework/AlignedBuffer.h"
#include "framework/Console.h"
#include "framework/ConsoleLines.h"
#include "framework/File.h"
#include "report/ReportTexts.h"

std::string TableField(const std::string& text) {
    if (text.find_first_of("\t\r\n\"") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

bool IsSecondLevelMeshCode(int32_t code) {
    return code >= 100000 && code <= 999999 && code % 10 <= 7 && code / 10 % 10 <= 7;
}

void CRunReport::WriteTableTo(FILE* table) {
    m_table = table;
    std::fputs(
        m_bDem ? "file\tmesh\tproduct\tsquares\tcells\n" : "file\tmesh\ttiles\tcells\tchanged\n",
        m_table);
}

void CRunReport::OnStart(CFile& map, const DCMHEADER& header, const CTileIndex& index) {
    if (!m_findArea) return;
    const auto area = m_findArea(header, index);
    if (!area) return;
    m_picture = std::make_unique<CReliefPicture>(*area, header);
    m_picture->ReadTilesFrom(map);
    for (int64_t ty = area->y0 / kTileSide; ty <= (area->y1 - 1) / kTileSide; ++ty)
        for (int64_t tx = area->x0 / kTileSide; tx <= (area->x1 - 1) / kTileSide; ++tx)
            if (const DCMTILEENTRY* entry =
                    TileKey(tx, ty) ? index.Find(*TileKey(tx, ty)) : nullptr)
                if (entry->lBlockOffset >= 0)
                    m_areaTiles.push_back({{tx, ty}, entry->lBlockOffset});
}

void CRunReport::AddUntouchedTiles(CFile& map) {
    if (!m_picture) return;
    const uint64_t length = map.GetLength();
    CAlignedBuffer tile(kTileBlockSize);
    for (const auto& [number, block] : m_areaTiles) {
        if (m_readTiles.count({number.tx, number.ty}) != 0) continue;
        if (static_cast<uint64_t>(block) + kTileBlockSize > length) continue;
        if (map.ReadAt(block, tile.Data(), kTileBlockSize) < kTileBlockSize) continue;
        m_picture->AddBefore(number.tx, number.ty, tile.Data());
        m_picture->AddAfter(number.tx, number.ty, tile.Data());
    }
}

void CRunReport::OnMeshApplied(const std::string& path, int32_t meshCode, int records,
                               const MeshTally& tally) {
    const auto warn = [this](const std::string& text) { WriteLine(m_warnings, text); };
    if (m_bDem) {
        // A square's cells come from several files: it is named by its code.
        if (tally.cells == 0)
            warn(SayReport(ReportText::kSquareWroteNoCell,
                           {std::to_string(meshCode),
                            SayReport(!tally.bInsideMap ? ReportText::kOutsideMap
                                      : tally.bPastEnd  ? ReportText::kBlocksPastEnd
                                      // Its tiles took the square, but the DEM gave it no cell.
                                      : tally.tiles > 0 ? ReportText::kNoCellFromDem
                                                        : ReportText::kNotInIndex)}));
        else if (tally.bPastEnd)
            warn(SayReport(ReportText::kSquareWrotePart, {std::to_string(meshCode)}));
        return;
    }
    if (records == 0) warn(SayReport(ReportText::kNoRecordLine, {path}));
    if (!IsSecondLevelMeshCode(meshCode))
        warn(SayReport(ReportText::kNotSecondLevel, {path, std::to_string(meshCode)}));
    if (tally.cells > 0 && tally.bPastEnd) warn(SayReport(ReportText::kWrotePart, {path}));
    if (tally.cells == 0)
        warn(SayReport(ReportText::kWroteNoCell,
                       {path, SayReport(!tally.bInsideMap ? ReportText::kOutsideMap
                                        : tally.bPastEnd  ? ReportText::kBlocksPastEnd
                                                          : ReportText::kNotInIndex)}));
    if (m_table != nullptr)
        std::fprintf(m_table, "%s\t%" PRId32 "\t%d\t%" PRId64 "\t%" PRId64 "\n",
                     TableField(path).c_str(), meshCode, tally.tiles, tally.cells, tally.changed);
}

void CRunReport::WriteDemRow(const std::string& file, int64_t meshCode, const char* product,
                             int squares, int64_t cells) {
    if (m_table != nullptr)
        std::fprintf(m_table, "%s\t%" PRId64 "\t%s\t%d\t%" PRId64 "\n", TableField(file).c_str(),
                     meshCode, product, squares, cells);
}

void CRunReport::OnFirstRead(TileNumber tile, int64_t block, const uint8_t* bytes) {
    if (!m_picture) return;
    m_picture->AddBefore(tile.tx, tile.ty, bytes, block);
    m_readTiles.insert({tile.tx, tile.ty});
}

void CRunReport::OnFinal(TileNumber tile, const uint8_t* bytes, bool held) {
    if (m_picture) m_picture->AddFinal(tile.tx, tile.ty, bytes, held);
}

void CRunReport::BeforeWrite(int64_t block) {
    if (m_picture) m_picture->BeforeWrite(block);
}

void CRunReport::OnWriterDone() noexcept {
    if (m_picture) m_picture->FinishReading();
}

void CRunReport::OnWritten(TileNumber tile, int64_t block, const uint8_t* bytes, bool held) {
    if (m_picture) m_picture->AddAfter(tile.tx, tile.ty, bytes, block, held);
}

void CRunReport::OnReadAgain(TileNumber tile, int64_t block, const uint8_t* bytes, bool held) {
    if (m_picture) m_picture->TakeBackAfter(tile.tx, tile.ty, bytes, block, held);
}

void CRunReport::OnFinalTilesAgain() {
    if (m_picture) m_picture->ClearAfter();
}

void CRunReport::PrintSummary(const CorrectionResult& result, bool dryRun) const {
    if (result.bPartialMesh) {
        // The run's count is of what it meant to write, not of the map.
        WriteLine(m_warnings, SayReport(ReportText::kChangedUnknown));
        return;
    }
    const std::string line = SayReport(
        ReportText::kSummary, {std::to_string(result.cellsChanged),
                               SayReport(dryRun ? ReportText::kWouldChange : ReportText::kChanged),
                               std::to_string(result.tilesChanged),
                               result.bCountExact ? "" : SayReport(ReportText::kMayBeOff),
                               dryRun ? SayReport(ReportText::kDryRun) : ""});
    WriteLine(m_warnings, line);
}
