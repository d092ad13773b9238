// zelvorin-correct: corrects a compressed map in place with mesh elevation
// files, the same run as the plug-in's menu command, from a terminal.
#include <getopt.h>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "correction/CorrectMap.h"
#include "correction/MeshFileSource.h"
#include "framework/Exception.h"
#include "framework/File.h"
#include "tools/ConsoleUi.h"
#include "tools/RunReport.h"
#include "tools/UndoFile.h"
#include "tools/WrittenArea.h"

namespace {

enum ExitStatus {
    kExitCompleted = 0,
    kExitUsage = 2,
    kExitCannotOpen = 3,
    kExitRejected = 4,
    kExitNoMeshFiles = 5,
    kExitUnusableMesh = 6,
    kExitFileError = 7,
    kExitUndoFile = 8,
    kExitOutputFile = 9,
    kExitAborted = 130,
};

const char kUsage[] =
    "Usage: zelvorin-correct [OPTION...] MAP.dcm FOLDER\n"
    "       zelvorin-correct [OPTION...] MAP.dcm FILE.mem [FILE.mem ...]\n"
    "       zelvorin-correct --restore UNDO MAP.dcm\n"
    "\n"
    "Rewrites, in place, the tiles of the compressed map MAP.dcm that the given 50 m\n"
    "mesh elevation files cover. With a folder, every *.mem file in it (any case) is\n"
    "applied in name order; otherwise the files are applied in the order given. The\n"
    "run stops at the first mesh file that cannot be read. Ctrl-C stops it between\n"
    "two files; the map then holds every file applied so far, and nothing else.\n"
    "The map is held open exclusively while it is written.\n"
    "\n"
    "Options:\n"
    "  -n, --dry-run        do everything but write the map (opened read-only)\n"
    "      --report FILE    write a tab-separated table, one row per mesh file\n"
    "                       applied: file, mesh, tiles, cells, changed\n"
    "      --picture FILE   draw the area written, before, after and the difference,\n"
    "                       as a PNG at most 1,600 pixels wide\n"
    "      --undo FILE      save every tile block before it is first overwritten\n"
    "                       (about 200 KB a tile), so that --restore can undo the run\n"
    "      --restore UNDO   write the blocks saved in UNDO back into MAP.dcm\n"
    "  -h, --help           show this help\n"
    "\n"
    "Warnings (a mesh file that wrote no cell, held no record or has no\n"
    "second-level mesh code) and a closing line with the cells changed go to\n"
    "standard error; they do not change the exit status.\n"
    "\n"
    "Exit status:\n"
    "  0    every mesh file was applied (or the map was restored)\n"
    "  2    wrong arguments\n"
    "  3    the map cannot be opened (missing, no permission, or held by another run)\n"
    "  4    the map cannot be corrected (not a compressed map of 1600 x 2400 cells per\n"
    "       degree, damaged, or its tile index does not fit in memory)\n"
    "  5    no mesh file was found (also when FOLDER does not exist)\n"
    "  6    a mesh file could not be read; the files before it were applied\n"
    "  7    reading or writing the map failed part way; whole tiles written before the\n"
    "       failure stay written\n"
    "  8    the undo file cannot be used: it exists already, cannot be created,\n"
    "       belongs to another map or is damaged (checked before the map is touched)\n"
    "  9    the report or picture file cannot be created (checked before the map is\n"
    "       touched)\n"
    "  130  interrupted by Ctrl-C; the files before it were applied\n";

int ExitStatusFor(const CorrectionResult& result, CConsoleUi& ui) {
    switch (result.outcome) {
        case CorrectionOutcome::kCompleted:
            return kExitCompleted;
        case CorrectionOutcome::kStopped:
            ui.Note("zelvorin-correct: cannot read mesh file " + result.unusableFile +
                    "; later files were not applied");
            return kExitUnusableMesh;
        case CorrectionOutcome::kAborted:
            ui.Note("zelvorin-correct: interrupted; later files were not applied");
            return kExitAborted;
        case CorrectionOutcome::kNoMeshFiles:
            return kExitNoMeshFiles;
        case CorrectionOutcome::kCannotOpen:
            return kExitCannotOpen;
        case CorrectionOutcome::kRejected:
            return kExitRejected;
        case CorrectionOutcome::kNoMemory:
            ui.Note("zelvorin-correct: the map's tile index does not fit in memory");
            return kExitRejected;
        case CorrectionOutcome::kFileError:
            return kExitFileError;
    }
    return kExitFileError;
}

int Restore(const std::string& undoPath, const std::string& mapPath) {
    const RestoreResult result = RestoreMap(undoPath, mapPath);
    switch (result.outcome) {
        case RestoreOutcome::kRestored:
            std::printf("zelvorin-correct: %d blocks restored into %s\n", result.blocks,
                        mapPath.c_str());
            return kExitCompleted;
        case RestoreOutcome::kCannotOpenMap:
            std::fprintf(stderr, "zelvorin-correct: cannot open the map: %s\n",
                         result.detail.c_str());
            return kExitCannotOpen;
        case RestoreOutcome::kFileError:
            std::fprintf(stderr, "zelvorin-correct: restoring failed part way: %s\n",
                         result.detail.c_str());
            return kExitFileError;
        case RestoreOutcome::kCannotUse:
        case RestoreOutcome::kDamaged:
        case RestoreOutcome::kOtherMap:
            std::fprintf(stderr, "zelvorin-correct: undo file refused, map untouched: %s\n",
                         result.detail.c_str());
            return kExitUndoFile;
    }
    return kExitFileError;
}

struct Options {
    bool bDryRun = false;
    std::string strReport, strPicture, strUndo, strRestore;
};

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    enum { kReport = 256, kPicture, kUndo, kRestore };
    static const option kLongOptions[] = {{"dry-run", no_argument, nullptr, 'n'},
                                          {"report", required_argument, nullptr, kReport},
                                          {"picture", required_argument, nullptr, kPicture},
                                          {"undo", required_argument, nullptr, kUndo},
                                          {"restore", required_argument, nullptr, kRestore},
                                          {"help", no_argument, nullptr, 'h'},
                                          {nullptr, 0, nullptr, 0}};
    Options options;
    for (int c; (c = getopt_long(argc, argv, "+nh", kLongOptions, nullptr)) != -1;) {
        switch (c) {
            case 'n':
                options.bDryRun = true;
                break;
            case kReport:
                options.strReport = optarg;
                break;
            case kPicture:
                options.strPicture = optarg;
                break;
            case kUndo:
                options.strUndo = optarg;
                break;
            case kRestore:
                options.strRestore = optarg;
                break;
            case 'h':
                std::fputs(kUsage, stdout);
                return kExitCompleted;
            default:
                std::fputs(kUsage, stderr);
                return kExitUsage;
        }
    }
    const std::vector<std::string> args(argv + optind, argv + argc);
    if (!options.strRestore.empty()) {
        if (args.size() != 1) {
            std::fputs(kUsage, stderr);
            return kExitUsage;
        }
        return Restore(options.strRestore, args[0]);
    }
    if (args.size() < 2 || (options.bDryRun && !options.strUndo.empty())) {
        if (options.bDryRun && !options.strUndo.empty())
            std::fputs("zelvorin-correct: a dry run writes nothing to undo\n", stderr);
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }

    const std::string mapPath = args[0];
    std::unique_ptr<IMeshFileSource> meshes;
    std::error_code ec;
    // One argument that is no file names a folder, as the plug-in's folder
    // field does: a missing one simply holds no mesh file.
    if (args.size() == 2 && !std::filesystem::is_regular_file(args[1], ec)) {
        meshes = std::make_unique<CFolderMeshFiles>(args[1]);
    } else {
        meshes = std::make_unique<CListedMeshFiles>(
            std::vector<std::string>(args.begin() + 1, args.end()));
    }

    // Every file the run writes beside the map is made, or known to be
    // makeable, before the map is touched.
    std::unique_ptr<CFile> undoFile;
    if (!options.strUndo.empty()) {
        try {
            undoFile = OpenFile(options.strUndo, FileAccess::kCreateNew);
        } catch (const CFileException& error) {
            std::fprintf(stderr, "zelvorin-correct: cannot create the undo file %s: %s\n",
                         options.strUndo.c_str(), error.Reason().c_str());
            return kExitUndoFile;
        }
    }
    // Both exits below must not leave a fresh undo file that would refuse
    // the next try.
    auto dropUndo = [&] {
        if (!undoFile) return;
        undoFile.reset();
        std::filesystem::remove(options.strUndo, ec);
    };
    std::unique_ptr<FILE, int (*)(FILE*)> report(nullptr, std::fclose);
    if (!options.strReport.empty()) {
        report.reset(std::fopen(options.strReport.c_str(), "w"));
        if (!report) {
            std::fprintf(stderr, "zelvorin-correct: cannot create the report %s: %s\n",
                         options.strReport.c_str(), std::strerror(errno));
            dropUndo();
            return kExitOutputFile;
        }
    }
    std::string why;
    if (!options.strPicture.empty() && !CReliefPicture::CanCreate(options.strPicture, why)) {
        std::fprintf(stderr, "zelvorin-correct: cannot create the picture %s: %s\n",
                     options.strPicture.c_str(), why.c_str());
        dropUndo();
        return kExitOutputFile;
    }

    CRunReport runReport(stderr);
    if (report) runReport.WriteTableTo(report.get());
    if (!options.strPicture.empty()) {
        runReport.DrawPicture([&](const DCMHEADER& header, const CTileIndex& index) {
            return WrittenArea(*meshes, header, index, std::filesystem::file_size(mapPath, ec));
        });
    }
    std::optional<CUndoJournal> journal;
    if (undoFile) journal.emplace(*undoFile);

    CorrectionOptions run;
    run.bDryRun = options.bDryRun;
    run.pObserver = &runReport;
    run.pJournal = journal ? &*journal : nullptr;

    CConsoleUi ui;
    CConsoleUi::CatchInterrupts();
    const CorrectionResult result = CorrectMap(mapPath, *meshes, ui, run);
    int status = ExitStatusFor(result, ui);
    if (journal && !journal->Begun()) dropUndo();
    if (result.outcome != CorrectionOutcome::kCannotOpen &&
        result.outcome != CorrectionOutcome::kRejected &&
        result.outcome != CorrectionOutcome::kNoMemory)
        runReport.PrintSummary(result, options.bDryRun);
    if (!options.strPicture.empty()) {
        if (const CReliefPicture* picture = runReport.Picture()) {
            try {
                runReport.AddUntouchedTiles(*OpenFile(mapPath, FileAccess::kReadShared));
            } catch (const CFileException& error) {
                // The picture goes without the land around the change.
                std::fprintf(stderr, "zelvorin-correct: %s\n", error.what());
            }
            if (!picture->WritePng(options.strPicture, why)) {
                std::fprintf(stderr, "zelvorin-correct: cannot write the picture %s: %s\n",
                             options.strPicture.c_str(), why.c_str());
                if (status == kExitCompleted) status = kExitOutputFile;
            }
        } else {
            std::fprintf(stderr, "zelvorin-correct: no cell written, so no picture\n");
        }
    }
    return status;
}
