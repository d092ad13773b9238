#include "correction/CorrectMap.h"

#include <cstdio>
#include <memory>
#include <optional>

#include "correction/CorrectionUi.h"
#include "correction/MeshFileSquares.h"
#include "correction/MeshSurvey.h"
#include "correction/Messages.h"
#include "elevation/TileIndex.h"
#include "framework/Exception.h"
#include "framework/File.h"
#include "framework/SystemMessage.h"

namespace {

// The applying pass: one square after another until the source ends, a
// file cannot be used, or the user aborts.
// What was applied is in result as the pass goes, also when a failure ends
// it by an exception.
void ApplySquares(CTileWriter& writer, ISquareSource& squares, ICorrectionUi& ui,
                  const std::vector<ICorrectionObserver*>& observers, bool& found,
                  CorrectionResult& result) {
    found = squares.Start();
    if (!found) return;
    SquareReadControl control;
    control.stopRequested = [&ui] {
        ui.KeepResponsive();
        return ui.AbortRequested();
    };
    control.onFile = [&ui](const std::string& name) { ui.SetFileName(name); };
    control.whileWaiting = [&ui] { ui.KeepResponsive(); };
    const auto take = [&](const ReadySquare& square) {
        const MeshTally tally = writer.Apply(square.meshCode, *square.grid, square.keepMarked);
        ++result.applied;
        for (ICorrectionObserver* observer : observers)
            observer->OnMeshApplied(square.path, square.meshCode, square.records, tally);
        ui.SetPos(squares.Percent());
        ui.Pump();
        return !ui.AbortRequested();
    };
    switch (squares.HandOn(take, control)) {
        case ISquareSource::Pass::kEnded:
            break;
        case ISquareSource::Pass::kDeclined:
            // Aborting after the last square changes nothing: the run is complete.
            result.outcome =
                squares.Exhausted() ? CorrectionOutcome::kCompleted : CorrectionOutcome::kAborted;
            break;
        case ISquareSource::Pass::kStopped:
            // A read stopped by the abort request applies nothing of its file.
            result.outcome = CorrectionOutcome::kAborted;
            result.unusableFile = control.unusableFile;
            break;
        case ISquareSource::Pass::kUnusable:
            result.outcome = CorrectionOutcome::kStopped;
            result.unusableFile = control.unusableFile;
            result.reason = control.failure;
            break;
    }
    squares.Close();
}

}  // namespace

std::string AppliedMessage(const CorrectionResult& result) {
    char text[128];
    std::snprintf(text, sizeof text, kMsgAppliedFormat, result.applied);
    // A stopped run's count alone reads like a finished one's.
    if (result.outcome == CorrectionOutcome::kAborted)
        return std::string(text) + "\n" + kMsgAbortedNote;
    return text;
}

int ProgressPercent(int applied, int counted) {
    if (counted <= 0) return 100;
    const long long percent = 100LL * applied / counted;
    return percent > 100 ? 100 : static_cast<int>(percent);
}

CorrectionResult CorrectMap(const std::string& mapPath, IMeshFileSource& meshes, ICorrectionUi& ui,
                            const CorrectionOptions& options) {
    CMeshFileSquares squares(meshes);
    return CorrectMap(mapPath, squares, ui, options);
}

CorrectionResult CorrectMap(const std::string& mapPath, ISquareSource& squares, ICorrectionUi& ui,
                            const CorrectionOptions& options) {
    std::unique_ptr<CFile> map;
    try {
        map = OpenFile(mapPath,
                       options.bDryRun ? FileAccess::kReadShared : FileAccess::kReadWriteExclusive);
    } catch (const CFileException& e) {
        ui.ShowMessage(kMsgCannotOpenMap, MessageKind::kFailure);
        CorrectionResult result;
        result.outcome = CorrectionOutcome::kCannotOpen;
        result.reason = e.Reason();
        return result;
    }
    return CorrectOpenMap(*map, squares, ui, options);
}

CorrectionResult CorrectOpenMap(CFile& map, IMeshFileSource& meshes, ICorrectionUi& ui,
                                const CorrectionOptions& options) {
    CMeshFileSquares squares(meshes);
    return CorrectOpenMap(map, squares, ui, options);
}

CorrectionResult CorrectOpenMap(CFile& map, ISquareSource& squares, ICorrectionUi& ui,
                                const CorrectionOptions& options) {
    CorrectionResult result;
    DCMHEADER header;
    CTileIndex index;
    std::optional<CTileWriter> writer;
    try {
        switch (LoadTileIndex(map, header, index, &result.reason)) {
            case IndexLoad::kNoMemory:
                map.Close();
                ui.ShowMessage(std::string(kMsgRunFailed) + "\n" + AfxOutOfMemoryMessage(),
                               MessageKind::kFailure);
                result.outcome = CorrectionOutcome::kNoMemory;
                return result;
            case IndexLoad::kRejected:
                map.Close();
                ui.ShowMessage(kMsgCannotCorrectMap, MessageKind::kFailure);
                result.outcome = CorrectionOutcome::kRejected;
                return result;
            case IndexLoad::kLoaded:
                break;
        }
        if (options.pJournal != nullptr && !options.bDryRun) {
            try {
                options.pJournal->Begin(map, header);
            } catch (const CFileException& failure) {
                throw CJournalException(failure);
            }
        }
        writer.emplace(map, header, index,
                       options.bDryRun ? CTileWriter::Mode::kDryRun : CTileWriter::Mode::kWrite,
                       options.nCachedTiles, options.pJournal,
                       TileObservers(options.observers.begin(), options.observers.end()));
        if (options.pExpectedCodes != nullptr)
            writer->KeepOriginals(SquaresWrittenAgain(*options.pExpectedCodes, header));
        for (ICorrectionObserver* observer : options.observers)
            observer->OnStart(map, header, index);

        ui.OpenProgress();
        bool found = false;
        ApplySquares(*writer, squares, ui, options.observers, found, result);
        writer->Flush();
        writer->ShowFinalTiles();
        result.tilesTouched = writer->TilesTouched();
        result.tilesChanged = writer->TilesChanged();
        result.cellsChanged = writer->CellsDiffering();
        result.bCountExact = writer->CountIsExact();
        ui.CloseProgress();
        if (!found) {
            ui.ShowMessage(kMsgNoMeshFiles, MessageKind::kFailure);
            result.outcome = CorrectionOutcome::kNoMeshFiles;
        } else {
            ui.ShowMessage(
                options.resultMessage ? options.resultMessage(result) : AppliedMessage(result),
                MessageKind::kResult);
        }
        writer.reset();  // its observers are done with the map
        index.Clear();
        map.Close();
    } catch (const CException& error) {
        result.outcome = CorrectionOutcome::kFileError;
        if (const auto* file = dynamic_cast<const CFileException*>(&error)) {
            result.failedFile = file->Path();
            result.reason = file->Reason();
            if (dynamic_cast<const CJournalException*>(file) != nullptr)
                result.outcome = CorrectionOutcome::kJournalFailed;
        }
        if (writer) {
            writer->FlushAfterFailure();
            result.bPartialMesh = writer->LeftPartOfAMesh();
            result.tilesTouched = writer->TilesTouched();
            result.tilesChanged = writer->TilesChanged();
            result.cellsChanged = writer->CellsDiffering();
            result.bCountExact = writer->CountIsExact();
            try {
                writer->ShowFinalTiles();
            } catch (const std::exception&) {
                // The observers go without the tiles as left; the failure
                // reported is the first one.
            }
        }
        squares.Close();
        ui.CloseProgress();
        ui.ShowError(error);
    } catch (...) {
        // Anything else (memory running out) goes on to the caller, with the
        // map as whole as for the failures handled here.
        if (writer) writer->FlushAfterFailure();
        throw;
    }
    return result;
}
