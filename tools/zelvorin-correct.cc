// zelvorin-correct: corrects a compressed map in place with mesh elevation
// files, the same run as the plug-in's menu command, from a terminal.
#include <clocale>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "correction/CorrectMap.h"
#include "correction/MeshFileSource.h"
#include "tools/ConsoleUi.h"

namespace {

enum ExitStatus {
    kExitCompleted = 0,
    kExitUsage = 2,
    kExitCannotOpen = 3,
    kExitRejected = 4,
    kExitNoMeshFiles = 5,
    kExitUnusableMesh = 6,
    kExitFileError = 7,
    kExitAborted = 130,
};

const char kUsage[] =
    "Usage: zelvorin-correct MAP.dcm FOLDER\n"
    "       zelvorin-correct MAP.dcm FILE.mem [FILE.mem ...]\n"
    "\n"
    "Rewrites, in place, the tiles of the compressed map MAP.dcm that the given 50 m\n"
    "mesh elevation files cover. With a folder, every *.mem file in it (any case) is\n"
    "applied in name order; otherwise the files are applied in the order given. The\n"
    "run stops at the first mesh file that cannot be read. Ctrl-C stops it between\n"
    "two files; the map then holds every file applied so far, and nothing else.\n"
    "The map is held open exclusively while it is written.\n"
    "\n"
    "Exit status:\n"
    "  0    every mesh file was applied\n"
    "  2    wrong arguments\n"
    "  3    the map cannot be opened (missing, no permission, or held by another run)\n"
    "  4    the map cannot be corrected (not a compressed map of 1600 x 2400 cells per\n"
    "       degree, damaged, or its tile index does not fit in memory)\n"
    "  5    no mesh file was found (also when FOLDER does not exist)\n"
    "  6    a mesh file could not be read; the files before it were applied\n"
    "  7    reading or writing the map failed part way; whole tiles written before the\n"
    "       failure stay written\n"
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

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return kExitCompleted;
        }
    }
    if (argc < 3) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }

    const std::string mapPath = argv[1];
    std::unique_ptr<IMeshFileSource> meshes;
    std::error_code ec;
    // One argument that is no file names a folder, as the plug-in's folder
    // field does: a missing one simply holds no mesh file.
    if (argc == 3 && !std::filesystem::is_regular_file(argv[2], ec)) {
        meshes = std::make_unique<CFolderMeshFiles>(argv[2]);
    } else {
        meshes =
            std::make_unique<CListedMeshFiles>(std::vector<std::string>(argv + 2, argv + argc));
    }

    CConsoleUi ui;
    CConsoleUi::CatchInterrupts();
    return ExitStatusFor(CorrectMap(mapPath, *meshes, ui), ui);
}
