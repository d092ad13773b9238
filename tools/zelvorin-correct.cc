// zelvorin-correct: corrects a compressed map in place with mesh elevation
// files, the same run as the plug-in's menu command, from a terminal.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "correction/CorrectMap.h"
#include "correction/MeshFileSource.h"
#include "correction/MeshFileSquares.h"
#include "correction/MeshSurvey.h"
#include "dem/DemPlan.h"
#include "dem/DemProducts.h"
#include "dem/DemSquares.h"
#include "dem/SourceList.h"
#include "elevation/TileIndex.h"
#include "framework/Console.h"
#include "framework/ConsoleLines.h"
#include "framework/Exception.h"
#include "framework/File.h"
#include "framework/FileSystem.h"
#include "framework/ProgramMain.h"
#include "report/PngFile.h"
#include "report/RunReport.h"
#include "report/WrittenArea.h"
#include "run/DemStart.h"
#include "tools/CommandLine.h"
#include "tools/ConsoleUi.h"
#include "tools/CorrectHelp.h"
#include "tools/CorrectStatus.h"
#include "tools/DatumStep.h"
#include "tools/ProgramSteps.h"
#include "tools/RestoreStep.h"
#include "tools/SideFiles.h"
#include "tools/ToolCommon.h"
#include "tools/ToolTexts.h"
#include "undo/UndoFile.h"

namespace {

constexpr char kTool[] = "zelvorin-correct";

// The program's file name, as the help and the hints name it: the last
// name of argv[0], which on Windows is the program's own file.
std::string g_strProgram = kTool;

// Why a folder gave no mesh file: it does not exist, or holds none.
std::string NoMeshFilesReason(const CommandLine& line) {
    const std::string& folder = line.meshArgs[0];
    const PathKind kind = KindOfPath(folder);
    if (kind == PathKind::kMissing || kind == PathKind::kUnknown)
        return Say(ToolText::kFolderMissing, {folder});
    return Say(ToolText::kFolderEmpty, {folder});
}

// What the map holds after a failure of the map or the undo file.
std::string MapAfterFailure(const CorrectionResult& result, const CommandLine& line) {
    if (!result.bPartialMesh) return Say(ToolText::kMapHoldsBefore);
    std::string text = Say(ToolText::kMapPartial);
    if (!line.strUndo.empty())
        text += Say(ToolText::kRestoreHint, {g_strProgram, line.strUndo, line.mapPath});
    return text;
}

int ExitStatusFor(const CorrectionResult& result, const CommandLine& line, CConsoleUi& ui,
                  bool dem) {
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
            ui.Note(MapAfterFailure(result, line));
            return result.outcome == CorrectionOutcome::kFileError ? kExitFileError : kExitUndoFile;
    }
    return kExitFileError;
}

// True when the run read the map's index: its result says how many files
// it applied, however it ended.
bool ReadTheIndex(CorrectionOutcome outcome) {
    return outcome != CorrectionOutcome::kCannotOpen && outcome != CorrectionOutcome::kRejected &&
           outcome != CorrectionOutcome::kNoMemory;
}

// The result line of a run of mesh files, in system text, however it ended.
std::string ResultLine(int applied, bool dryRun) {
    if (dryRun) return Say(ToolText::kDryRunResult, {std::to_string(applied)});
    if (applied == 0) return Say(ToolText::kNoneApplied);
    return Say(ToolText::kApplied, {std::to_string(applied)});
}

// Writes the picture of the run, with the land around the change as the map
// now holds it; false, with a note, when it cannot be written. Where the run
// wrote no cell there is no picture, and no older picture is left at its
// path to be taken for one; anything else there (a file that is no picture,
// a device, a FIFO) is left as it is.
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

// True when the operands are one folder, or one name of nothing: the run
// reads it as the plug-in reads its folder field, and a missing one simply
// holds no mesh file.
bool LoneFolder(const std::vector<std::string>& args) {
    if (args.size() != 1) return false;
    const PathKind kind = KindOfPath(args[0]);
    return kind == PathKind::kFolder || kind == PathKind::kMissing;
}

// The mesh files of the run: a lone folder's, or the files the operands
// give in their order, each folder's in the directory search's.
std::unique_ptr<IMeshFileSource> MeshFilesOf(const std::vector<std::string>& args,
                                             const SourceList& sources) {
    if (LoneFolder(args)) return std::make_unique<CFolderMeshFiles>(args[0]);
    return std::make_unique<CListedMeshFiles>(sources.meshPaths);
}

// A usage error of this tool.
int UsageFailure(const std::string& error) {
    return ::UsageFailure(kTool, g_strProgram, CorrectSynopsis(g_strProgram, Say(ToolText::kUsage)),
                          error);
}

// The status of a DEM run that its first look ended before the map was
// opened, with the undo file made for it removed; nothing when it goes on.
std::optional<int> EndBeforeTheMap(const DemStart& start, CSideFiles& files) {
    std::optional<int> status;
    switch (start.outcome) {
        case DemStart::Outcome::kNoDem:
            Tell(Say(ToolText::kNoDem));
            status = kExitNoMeshFiles;
            break;
        case DemStart::Outcome::kUnusable:
            Tell(Say(ToolText::kDemNotTouched, {start.unusable}));
            status = kExitUnusableMesh;
            break;
        case DemStart::Outcome::kStopped:
            Tell(Say(ToolText::kStoppedBeforeMap, {StoppedWord()}));
            status = StoppedStatus();
            break;
        default:
            return std::nullopt;
    }
    files.DropUndo();
    files.CloseReport();
    return status;
}

// What a DEM run reads of the map before it is opened for writing: its
// header and index, for the datum step and for counting only the cells it
// can take. Not loaded where the map cannot be opened or used: the run then
// says why, and writes nothing.
struct MapLook {
    DCMHEADER header;
    CTileIndex index;
    uint64_t length = 0;
    bool bLoaded = false;
};

void LookAtMap(const std::string& path, MapLook& look) {
    try {
        const std::unique_ptr<CFile> map = OpenFile(path, FileAccess::kReadShared);
        look.bLoaded = LoadTileIndex(*map, look.header, look.index, nullptr) == IndexLoad::kLoaded;
        look.length = map->GetLength();
    } catch (const CFileException&) {
        look.bLoaded = false;
    }
}

// The datum step of a DEM run (see SettleDemDatum), over the map opened
// for reading; the status the run ends with, or nothing when it goes on. A
// map that cannot be opened, used or read is left to the run to report,
// with the datum given or any: it writes nothing then.
std::optional<int> DatumOfRun(const CommandLine& line, const std::vector<DemSource>& sources,
                              DemStart& start, const MapLook& look) {
    try {
        if (look.bLoaded) {
            const std::unique_ptr<CFile> map = OpenFile(line.mapPath, FileAccess::kReadShared);
            SettleDemDatum(start, line.mapDatum, sources, *map, look.header, look.index,
                           [] { return StopRequested() != StopRequest::kNone; });
            return TellDatumStep("zelvorin-correct", line.mapDatum, start);
        }
    } catch (const CFileException&) {
    }
    start.datum = line.mapDatum.value_or(MapDatum::kJgd);
    return std::nullopt;
}

// The table's rows of a DEM run: every file applied, with the squares it
// fed and the cells it gave their value; after a run that ended early, the
// files that fed a square written.
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

// The result line of a DEM run: the squares written and the files they
// came from.
std::string DemResultLine(const DemPlan& plan, const CDemSquares& squares, bool dryRun) {
    int files = 0;
    for (size_t i = 0; i < plan.files.size(); ++i) files += squares.SquaresFed()[i] > 0;
    return Say(dryRun ? ToolText::kDemDryRunResult : ToolText::kDemResult,
               {std::to_string(squares.SquaresWritten()), std::to_string(files)});
}

// The tool's work, from the command line to the exit status.
int Run(int argc, char** argv) {
    if (!GuardStandardStreams()) {
        Tell(Say(ToolText::kNoDevNull, {kTool}));
        return kExitUsage;
    }
    if (argc > 0) g_strProgram = NameOfPlace(argv[0]);
    const CommandLine line = ParseCommandLine(argc, argv);
    switch (line.action) {
        case CommandLine::Action::kHelp:
            return PrintInfo(kTool, CorrectSynopsis(g_strProgram, "Usage: ") + kCorrectDescription);
        case CommandLine::Action::kVersion:
            return PrintInfo(kTool, "zelvorin-correct " ZELVORIN_VERSION "\n");
        case CommandLine::Action::kUsageError:
            return UsageFailure(line.error);
        case CommandLine::Action::kRestore:
            return RestoreFromUndo(line);
        case CommandLine::Action::kRun:
            break;
    }

    EnterStep({ToolText::kStepSources, ToolText::kNoteMapUntouched, kExitUnusableMesh});
    const SourceList sources = ListSources(line.meshArgs);
    if (sources.status == SourceList::Status::kUsageError) return UsageFailure(sources.message);
    if (sources.status == SourceList::Status::kNoSources && !LoneFolder(line.meshArgs)) {
        Tell(Say(ToolText::kPlain, {sources.message}));
        return kExitNoMeshFiles;
    }
    const bool dem =
        sources.status == SourceList::Status::kReady && sources.kind == SourceKind::kDem;
    if (!dem && line.mapDatum && sources.status == SourceList::Status::kReady)
        return UsageFailure(Say(ToolText::kDatumForDemOnly));

    // What the outputs must not overwrite: the mesh files, or the DEM files
    // and zips named.
    std::vector<std::string> demPaths;
    for (const DemSource& source : sources.demSources) demPaths.push_back(source.path);
    const std::unique_ptr<IMeshFileSource> meshes =
        dem ? std::make_unique<CListedMeshFiles>(demPaths) : MeshFilesOf(line.meshArgs, sources);
    CSideFiles files(line);
    if (const auto failed =
            files.Open(*meshes, dem ? CSideFiles::Sources::kDem : CSideFiles::Sources::kMeshFiles))
        return *failed;
    CatchStopRequests();

    // The codes of the squares, known before the run: they give the picture
    // its area and keep the count of cells changed exact. Mesh files say
    // theirs on their first line; DEM files are all read once for their
    // heads, and anything unusable in those or in the zips' directories stops
    // the run here. What follows a head is checked as the run reads the file.
    std::vector<int32_t> codes;
    DemStart start;
    std::unique_ptr<ISquareSource> squares;
    std::unique_ptr<CDemSquares> demSquares;
    MapLook look;
    if (dem) {
        start = LookAtDemSources(sources.demSources, line.mapDatum,
                                 [] { return StopRequested() != StopRequest::kNone; });
        for (const std::string& warning : start.plan.warnings)
            Tell(Say(ToolText::kDemWarning, {warning}));
        if (const auto ended = EndBeforeTheMap(start, files)) return *ended;
        EnterStep({ToolText::kStepMapRun, ToolText::kNoteMapAsApplied, kExitFileError});
        LookAtMap(line.mapPath, look);
        if (const auto ended = DatumOfRun(line, sources.demSources, start, look)) {
            files.DropUndo();
            files.CloseReport();
            return *ended;
        }
        codes = start.plan.squares;
        demSquares = std::make_unique<CDemSquares>(sources.demSources, start.plan, *start.datum);
        if (look.bLoaded) demSquares->CountForMap(look.header, look.index, look.length);
    } else {
        codes = SurveyMeshCodes(*meshes);
        squares = std::make_unique<CMeshFileSquares>(*meshes);
    }
    ISquareSource& source = dem ? static_cast<ISquareSource&>(*demSquares) : *squares;

    CRunReport report(stderr);
    if (dem) report.TakeDemSquares();
    if (files.Report() != nullptr) report.WriteTableTo(files.Report());
    if (!line.strPicture.empty()) {
        report.DrawPicture([&](const DCMHEADER& header, const CTileIndex& index) {
            return WrittenArea(codes, header, index, SizeOfFile(line.mapPath).value_or(UINT64_MAX));
        });
    }
    std::optional<CUndoJournal> journal;
    if (files.Undo() != nullptr) journal.emplace(*files.Undo());
    CorrectionOptions options;
    options.bDryRun = line.bDryRun;
    options.observers = {&report};
    options.pJournal = journal ? &*journal : nullptr;
    options.pExpectedCodes = &codes;

    CConsoleUi ui(stdout, stderr);
    EnterStep({ToolText::kStepMapRun, ToolText::kNoteMapAsApplied, kExitFileError});
    CorrectionResult result;
    try {
        result = CorrectMap(line.mapPath, source, ui, options);
    } catch (const std::exception& error) {
        // Memory running out, a dry run's above all: the map holds the files
        // applied before, as after a failure of the map file.
        Tell(Say(ToolText::kRunFailed, {error.what()}));
        result.outcome = CorrectionOutcome::kFileError;
    }
    const int status = ExitStatusFor(result, line, ui, dem);
    // A failure from here on leaves the map as the run's status says.
    const bool completed = status == kExitCompleted;
    EnterStep({ToolText::kStepOutputs,
               completed ? ToolText::kNoteMapCorrected : ToolText::kNoteMapAsApplied,
               completed ? kExitOutputFile : status});
    if (journal && !journal->Begun()) files.DropUndo();
    if (ReadTheIndex(result.outcome)) {
        if (dem) {
            WriteDemRows(start.plan, *demSquares, result.outcome == CorrectionOutcome::kCompleted,
                         report);
            for (const std::string& warning : demSquares->Warnings())
                Tell(Say(ToolText::kDemWarning, {warning}));
            if (demSquares->CellsOutOfRange() > 0)
                Tell(
                    Say(ToolText::kDemOutOfRange, {std::to_string(demSquares->CellsOutOfRange())}));
            ui.PrintResult(DemResultLine(start.plan, *demSquares, line.bDryRun));
        } else {
            ui.PrintResult(ResultLine(result.applied, line.bDryRun));
        }
        report.PrintSummary(result, line.bDryRun);
    }
    const bool reported = files.CloseReport();
    const bool drawn =
        line.strPicture.empty() || WritePicture(line, report, result.tilesTouched > 0);
    return !(reported && drawn) && status == kExitCompleted ? kExitOutputFile : status;
}

}  // namespace

int ProgramMain(int argc, char** argv) {
    const int status =
        RunInSteps(kTool, {ToolText::kStepCommandLine, ToolText::kNoteMapUntouched, kExitUsage},
                   [&] { return Run(argc, argv); });
    // Everything is written: a process held back after a stop request may
    // end now, with this status.
    ReachStopPoint(status);
    WaitBeforeClosing();
    return status;
}
