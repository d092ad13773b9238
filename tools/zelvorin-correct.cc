// zelvorin-correct: corrects a compressed map in place with mesh elevation
// files, the same run as the plug-in's menu command, from a terminal.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "correction/CorrectMap.h"
#include "correction/MeshFileSource.h"
#include "correction/MeshFileSquares.h"
#include "correction/MeshSurvey.h"
#include "dem/DemSquares.h"
#include "dem/SourceList.h"
#include "elevation/TileIndex.h"
#include "framework/Console.h"
#include "framework/ConsoleLines.h"
#include "framework/Exception.h"
#include "framework/File.h"
#include "framework/FileSystem.h"
#include "framework/ProgramMain.h"
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
#include "tools/RunOutcome.h"
#include "tools/SideFiles.h"
#include "tools/ToolCommon.h"
#include "tools/ToolTexts.h"
#include "undo/UndoFile.h"

namespace {

constexpr char kTool[] = "zelvorin-correct";

// The program's file name, as the help and the hints name it: the last
// name of argv[0], which on Windows is the program's own file.
std::string g_strProgram = kTool;

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
                                 {[] { return StopRequested() != StopRequest::kNone; }, nullptr});
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
    const int status = ExitStatusFor(result, line, g_strProgram, ui, dem);
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
