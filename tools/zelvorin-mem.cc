// zelvorin-mem: writes the national DEM as 50 m mesh files for a map, so
// that a correction from those files (the plug-in's menu command, or
// zelvorin-correct on their folder) gives the map that a correction from the
// DEM itself gives.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "dem/DemPlan.h"
#include "dem/DemProducts.h"
#include "dem/DemSquares.h"
#include "dem/SourceList.h"
#include "elevation/DcmLayout.h"
#include "elevation/MeshWriter.h"
#include "elevation/SquareAsMesh.h"
#include "elevation/TileIndex.h"
#include "framework/Console.h"
#include "framework/ConsoleLines.h"
#include "framework/Exception.h"
#include "framework/File.h"
#include "framework/FileSystem.h"
#include "framework/ProgramMain.h"
#include "run/DemStart.h"
#include "tools/ConsoleUi.h"
#include "tools/DatumStep.h"
#include "tools/MemCommandLine.h"
#include "tools/MemHelp.h"
#include "tools/MemTexts.h"
#include "tools/MeshFolder.h"
#include "tools/ProgramSteps.h"
#include "tools/ToolCommon.h"
#include "tools/ToolTexts.h"

namespace {

enum ExitStatus {
    kExitCannotOpen = 3,
    kExitCannotUseMap = 4,
    kExitNoDem = 5,
    kExitUnusableDem = 6,
    kExitFileError = 7,
};

constexpr char kTool[] = "zelvorin-mem";

// The program's file name, as the help and the hints name it.
std::string g_strProgram = kTool;

int UsageFailure(const std::string& error) {
    return ::UsageFailure(kTool, g_strProgram, MemSynopsis(g_strProgram, Say(ToolText::kUsage)),
                          error);
}

// The map, open for shared reading, with its header and index.
struct OpenMap {
    std::unique_ptr<CFile> file;
    DCMHEADER header;
    CTileIndex index;
};

// Opens and loads the map; the exit status when it cannot be used.
std::optional<int> LoadMap(const std::string& path, OpenMap& map) {
    std::string why;
    try {
        map.file = OpenFile(path, FileAccess::kReadShared);
        switch (LoadTileIndex(*map.file, map.header, map.index, &why)) {
            case IndexLoad::kLoaded:
                return std::nullopt;
            case IndexLoad::kRejected:
                Tell(Say(MemText::kCannotUseMap, {path, why}));
                return kExitCannotUseMap;
            case IndexLoad::kNoMemory:
                Tell(Say(MemText::kIndexTooLarge, {path}));
                return kExitCannotUseMap;
        }
    } catch (const CFileException& error) {
        const bool opened = map.file != nullptr;
        Tell(
            Say(opened ? MemText::kCannotUseMap : MemText::kCannotOpenMap, {path, error.Reason()}));
        return opened ? kExitFileError : kExitCannotOpen;
    }
    return kExitCannotUseMap;
}

// The status of a run that its first look ended; nothing when it goes on.
std::optional<int> EndAtTheFirstLook(const DemStart& start) {
    switch (start.outcome) {
        case DemStart::Outcome::kNoDem:
            Tell(Say(MemText::kNoDem));
            return kExitNoDem;
        case DemStart::Outcome::kUnusable:
            Tell(Say(MemText::kDemNotUsed, {start.unusable}));
            return kExitUnusableDem;
        case DemStart::Outcome::kStopped:
            Tell(Say(MemText::kStoppedBeforeWriting, {StoppedWord()}));
            return StoppedStatus();
        default:
            return std::nullopt;
    }
}

// The year of the latest DEM file applied, by the date its name carries: the
// files' survey year; 0 where no name carries a date.
int YearOfDem(const DemPlan& plan) {
    int year = 0;
    for (const DemPlanFile& file : plan.files) {
        const std::string date = DemDateOfName(file.fileName, file.header.product);
        if (file.bApplied && !date.empty()) year = std::max(year, std::stoi(date.substr(0, 4)));
    }
    return year;
}

// What the writing pass did.
struct Written {
    int files = 0;
    int64_t cellsNotCarried = 0;
    int demFiles = 0;  // the DEM files that gave a cell to a file written
};

// Hands every square of the plan on to a file of its own in folder; the
// exit status.
int WriteSquares(const std::vector<DemSource>& sources, const DemPlan& plan, MapDatum datum,
                 OpenMap& map, const CMeshFolder& folder, Written& written) {
    CDemSquares squares(sources, plan, datum);
    const int year = YearOfDem(plan);
    CConsoleUi ui(stdout, stderr);
    auto fields = std::make_unique<MeshFields>();
    std::vector<uint8_t> tile(kTileBlockSize);
    SquareReadControl control;
    control.stopRequested = [] { return StopRequested() != StopRequest::kNone; };
    control.onFile = [&ui](const std::string& name) { ui.SetFileName(name); };
    const auto take = [&](const ReadySquare& square) {
        written.cellsNotCarried += MeshFieldsAsPlaced(
            *map.file, map.header, map.index, square.meshCode, *square.grid, tile.data(), *fields);
        folder.Write(square.meshCode, MeshFileText(square.meshCode, *fields, year));
        ++written.files;
        ui.SetPos(squares.Percent());
        return StopRequested() == StopRequest::kNone;
    };
    ui.OpenProgress();
    int status = kExitCompleted;
    try {
        squares.Start();
        switch (squares.HandOn(take, control)) {
            case ISquareSource::Pass::kEnded:
                break;
            case ISquareSource::Pass::kDeclined:
                if (!squares.Exhausted()) {
                    ui.CloseProgress();
                    Tell(Say(MemText::kStopped, {StoppedWord()}));
                    status = StoppedStatus();
                }
                break;
            case ISquareSource::Pass::kStopped:
                ui.CloseProgress();
                Tell(Say(MemText::kStoppedInFile, {StoppedWord(), control.unusableFile}));
                status = StoppedStatus();
                break;
            case ISquareSource::Pass::kUnusable:
                ui.CloseProgress();
                Tell(Say(MemText::kCannotUseDem, {control.unusableFile, control.failure}));
                status = kExitUnusableDem;
                break;
        }
    } catch (const std::exception& error) {
        // A failure of the map, of a file written, or memory running out.
        ui.CloseProgress();
        Tell(Say(MemText::kFailed, {error.what()}));
        status = kExitFileError;
    }
    for (int fed : squares.SquaresFed()) written.demFiles += fed > 0;
    for (const std::string& warning : squares.Warnings())
        Tell(Say(MemText::kDemWarning, {warning}));
    squares.Close();
    ui.CloseProgress();
    return status;
}

int Run(int argc, char** argv) {
    if (!GuardStandardStreams()) {
        Tell(Say(ToolText::kNoDevNull, {kTool}));
        return kExitUsage;
    }
    if (argc > 0) g_strProgram = NameOfPlace(argv[0]);
    const MemCommandLine line = ParseMemCommandLine(argc, argv);
    switch (line.action) {
        case MemCommandLine::Action::kHelp:
            return PrintInfo(kTool, MemSynopsis(g_strProgram, "Usage: ") + kMemDescription);
        case MemCommandLine::Action::kVersion:
            return PrintInfo(kTool, "zelvorin-mem " ZELVORIN_VERSION "\n");
        case MemCommandLine::Action::kUsageError:
            return UsageFailure(line.error);
        case MemCommandLine::Action::kRun:
            break;
    }

    EnterStep({ToolText::kStepSources, ToolText::kNoteNoFileWritten, kExitUnusableDem});
    const SourceList sources = ListSources(line.sources);
    switch (sources.status) {
        case SourceList::Status::kUsageError:
            return UsageFailure(sources.message);
        case SourceList::Status::kNoSources:
            Tell(Say(MemText::kPlain, {sources.message}));
            return kExitNoDem;
        case SourceList::Status::kReady:
            break;
    }
    if (sources.kind == SourceKind::kMesh) return UsageFailure(Say(MemText::kMeshSources));
    const CMeshFolder folder(line.outFolder);
    const CMeshFolder::State state = folder.Look();
    if (state == CMeshFolder::State::kNotAFolder)
        return UsageFailure(Say(MemText::kNotAFolder, {line.outFolder}));
    if (state == CMeshFolder::State::kNotEmpty)
        return UsageFailure(Say(MemText::kFolderNotEmpty, {line.outFolder}));

    OpenMap map;
    if (const auto failed = LoadMap(line.mapPath, map)) return *failed;
    CatchStopRequests();
    const auto stop = [] { return StopRequested() != StopRequest::kNone; };
    DemStart start = LookAtDemSources(sources.demSources, line.mapDatum, {stop, nullptr});
    for (const std::string& warning : start.plan.warnings)
        Tell(Say(MemText::kDemWarning, {warning}));
    if (const auto ended = EndAtTheFirstLook(start)) return *ended;
    try {
        SettleDemDatum(start, line.mapDatum, sources.demSources, *map.file, map.header, map.index,
                       stop);
    } catch (const CFileException& error) {
        Tell(Say(MemText::kCannotUseMap, {line.mapPath, error.Reason()}));
        return kExitFileError;
    }
    if (const auto ended = TellDatumStep("zelvorin-mem", line.mapDatum, start)) return *ended;

    EnterStep({ToolText::kStepMeshFiles, ToolText::kNoteFilesComplete, kExitFileError});
    std::string why;
    if (state == CMeshFolder::State::kMissing && !folder.Make(why)) {
        Tell(Say(MemText::kCannotMakeFolder, {line.outFolder, why}));
        return kExitFileError;
    }
    Written written;
    const int status =
        WriteSquares(sources.demSources, start.plan, *start.datum, map, folder, written);
    if (written.cellsNotCarried > 0)
        Tell(Say(MemText::kValuesNotCarried, {std::to_string(written.cellsNotCarried)}));

    const bool stopped = status == kExitInterrupted || status == kExitTerminated;
    const std::string result =
        Say(stopped ? MemText::kResultStopped : MemText::kResult,
            {std::to_string(written.files), line.outFolder, std::to_string(written.demFiles)});
    if (!WriteLine(stdout, result) && status == kExitCompleted) return kExitFileError;
    return status;
}

}  // namespace

int ProgramMain(int argc, char** argv) {
    const int status =
        RunInSteps(kTool, {ToolText::kStepCommandLine, ToolText::kNoteNoFileWritten, kExitUsage},
                   [&] { return Run(argc, argv); });
    ReachStopPoint(status);
    WaitBeforeClosing();
    return status;
}
