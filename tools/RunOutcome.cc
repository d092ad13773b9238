#include "tools/RunOutcome.h"

#include "dem/DemProducts.h"
#include "framework/Exception.h"
#include "framework/File.h"
#include "framework/FileSystem.h"
#include "report/PngFile.h"
#include "tools/CorrectStatus.h"
#include "tools/ToolCommon.h"
#include "tools/ToolTexts.h"

namespace {

// Why a folder gave no mesh file: it does not exist, or holds none.
std::string NoMeshFilesReason(const CommandLine& line) {
    const std::string& folder = line.meshArgs[0];
    const PathKind kind = KindOfPath(folder);
    if (kind == PathKind::kMissing || kind == PathKind::kUnknown)
        return Say(ToolText::kFolderMissing, {folder});
    return Say(ToolText::kFolderEmpty, {folder});
}

// What the map holds after a failure of the map or the undo file.
std::string MapAfterFailure(const CorrectionResult& result, const CommandLine& line,
                            const std::string& program) {
    if (!result.bPartialMesh) return Say(ToolText::kMapHoldsBefore);
    std::string text = Say(ToolText::kMapPartial);
    if (!line.strUndo.empty())
        text += Say(ToolText::kRestoreHint, {program, line.strUndo, line.mapPath});
    return text;
}

}  // namespace

int ExitStatusFor(const CorrectionResult& result, const CommandLine& line,
                  const std::string& program, CConsoleUi& ui, bool dem) {
    const std::string because = result.reason.empty() ? "" : ": " + result.reason;
    switch (result.outcome) {
        case CorrectionOutcome::kCompleted:
            return kExitCompleted;
        case CorrectionOutcome::kStopped:
            ui.Note(Say(dem ? ToolText::kCannotUseDem : ToolText::kCannotUseMesh,
                        {result.unusableFile, because}));
            return kExitUnusableMesh;
        case CorrectionOutcome::kAborted: {
            ui.Note(result.unusableFile.empty()
                        ? Say(ToolText::kStopped, {StoppedWord()})
                        : Say(ToolText::kStoppedInFile, {StoppedWord(), result.unusableFile}));
            return StoppedStatus();
        }
        case CorrectionOutcome::kNoMeshFiles:
            ui.Note(dem ? Say(ToolText::kNoDem) : NoMeshFilesReason(line));
            return kExitNoMeshFiles;
        case CorrectionOutcome::kCannotOpen:
            ui.Note(Say(ToolText::kCannotOpenMap, {line.mapPath, because}));
            return kExitCannotOpen;
        case CorrectionOutcome::kRejected:
            ui.Note(Say(ToolText::kCannotCorrectMap, {line.mapPath, because}));
            return kExitRejected;
        case CorrectionOutcome::kNoMemory:
            ui.Note(Say(ToolText::kIndexTooLarge, {line.mapPath}));
            return kExitRejected;
        case CorrectionOutcome::kFileError:
        case CorrectionOutcome::kJournalFailed:
            ui.Note(MapAfterFailure(result, line, program));
            return result.outcome == CorrectionOutcome::kFileError ? kExitFileError : kExitUndoFile;
    }
    return kExitFileError;
}

bool ReadTheIndex(CorrectionOutcome outcome) {
    return outcome != CorrectionOutcome::kCannotOpen && outcome != CorrectionOutcome::kRejected &&
           outcome != CorrectionOutcome::kNoMemory;
}

std::string ResultLine(int applied, bool dryRun) {
    if (dryRun) return Say(ToolText::kDryRunResult, {std::to_string(applied)});
    if (applied == 0) return Say(ToolText::kNoneApplied);
    return Say(ToolText::kApplied, {std::to_string(applied)});
}

bool WritePicture(const CommandLine& line, CRunReport& report, bool anyCell) {
    CReliefPicture* picture = anyCell ? report.Picture() : nullptr;
    if (picture == nullptr) {
        if (!HoldsPicture(line.strPicture)) {
            Tell(KindOfPath(line.strPicture) == PathKind::kFile
                     ? Say(ToolText::kNoPictureLeft, {line.strPicture})
                     : Say(ToolText::kNoPicture));
            return true;
        }
        const Removal removal = RemoveFile(line.strPicture);
        Tell(removal == Removal::kRemoved ? Say(ToolText::kNoPictureRemoved, {line.strPicture})
                                          : Say(ToolText::kNoPicture));
        return removal != Removal::kFailed;
    }
    try {
        report.AddUntouchedTiles(*OpenFile(line.mapPath, FileAccess::kReadShared));
    } catch (const CFileException& error) {
        // The picture goes without the land around the change.
        Tell(Say(ToolText::kPlain, {error.what()}));
    }
    std::string why;
    if (picture->WritePng(line.strPicture, why)) return true;
    Tell(Say(ToolText::kCannotWritePicture, {line.strPicture, why}));
    return false;
}

void WriteDemRows(const DemPlan& plan, const CDemSquares& squares, bool completed,
                  CRunReport& report) {
    for (size_t i = 0; i < plan.files.size(); ++i) {
        const DemPlanFile& file = plan.files[i];
        if (!file.bApplied || (!completed && squares.SquaresFed()[i] == 0)) continue;
        report.WriteDemRow(file.displayName, file.header.meshCode,
                           DemProductName(file.header.product), squares.SquaresFed()[i],
                           squares.CellsWon()[i]);
    }
}

std::string DemResultLine(const DemPlan& plan, const CDemSquares& squares, bool dryRun) {
    int files = 0;
    for (size_t i = 0; i < plan.files.size(); ++i) files += squares.SquaresFed()[i] > 0;
    return Say(dryRun ? ToolText::kDemDryRunResult : ToolText::kDemResult,
               {std::to_string(squares.SquaresWritten()), std::to_string(files)});
}
