// zelvorin-correct: corrects a compressed map in place with mesh elevation
// files, the same run as the plug-in's menu command, from a terminal.
#include <clocale>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "correction/CorrectMap.h"
#include "correction/MeshFileSource.h"
#include "tools/CommandLine.h"
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
    kExitSignalBase = 128,  // plus the number of the signal that stopped the run
};

const char kSynopsis[] =
    "Usage: zelvorin-correct [OPTION]... MAP.dcm FOLDER\n"
    "       zelvorin-correct [OPTION]... MAP.dcm FILE.mem [FILE.mem ...]\n";

const char kDescription[] =
    "\n"
    "Rewrites, in place, the tiles of the compressed map MAP.dcm that the given 50 m\n"
    "mesh elevation files cover. With a folder, every *.mem file in it (any case) is\n"
    "applied in name order; otherwise the files are applied in the order given. The\n"
    "run stops at the first mesh file that cannot be used (unreadable, empty, or not\n"
    "a regular file). Ctrl-C or SIGTERM stops it, also in the middle of a mesh file:\n"
    "the map then holds exactly the files applied before that one. A second Ctrl-C\n"
    "ends the process at once. The map is held open exclusively while it is written.\n"
    "\n"
    "Progress and messages go to standard error; the result, the number of files\n"
    "applied, goes to standard output.\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this help and exit\n"
    "      --version  show the version and exit\n"
    "      --         end of options: the next argument is the map\n"
    "\n"
    "Exit status:\n"
    "  0    every mesh file was applied\n"
    "  2    wrong arguments or an unknown option\n"
    "  3    the map cannot be opened (missing, no permission, not a regular file, or\n"
    "       held by another run)\n"
    "  4    the map cannot be corrected (not a compressed map of 1600 x 2400 cells per\n"
    "       degree, damaged, or its tile index does not fit in memory)\n"
    "  5    no mesh file was found (also when FOLDER does not exist)\n"
    "  6    a mesh file could not be used; the files before it were applied\n"
    "  7    reading or writing the map failed part way; whole tiles written before the\n"
    "       failure stay written\n"
    "  130  stopped by Ctrl-C (SIGINT); the files before it were applied\n"
    "  143  stopped by SIGTERM; the files before it were applied\n";

int ExitStatusFor(const CorrectionResult& result, const std::string& mapPath, CConsoleUi& ui) {
    switch (result.outcome) {
        case CorrectionOutcome::kCompleted:
            return kExitCompleted;
        case CorrectionOutcome::kStopped:
            ui.Note("zelvorin-correct: cannot use mesh file " + result.unusableFile + ": " +
                    result.reason + "; later files were not applied");
            return kExitUnusableMesh;
        case CorrectionOutcome::kAborted: {
            const int signal = CConsoleUi::InterruptSignal();
            const std::string stopped = signal == SIGTERM ? "terminated" : "interrupted";
            ui.Note(result.unusableFile.empty()
                        ? "zelvorin-correct: " + stopped + "; later files were not applied"
                        : "zelvorin-correct: " + stopped + " while reading " + result.unusableFile +
                              "; it and later files were not applied");
            return kExitSignalBase + (signal != 0 ? signal : SIGINT);
        }
        case CorrectionOutcome::kNoMeshFiles:
            return kExitNoMeshFiles;
        case CorrectionOutcome::kCannotOpen:
            ui.Note("zelvorin-correct: cannot open the map " + mapPath + ": " + result.reason);
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

// The mesh files named on the command line. One argument that is a folder,
// or names nothing, is a folder, as the plug-in's folder field is: a missing
// one simply holds no mesh file. Anything else is taken as files.
std::unique_ptr<IMeshFileSource> MeshFilesOf(const std::vector<std::string>& args) {
    if (args.size() == 1) {
        std::error_code ec;
        const auto kind = std::filesystem::status(args[0], ec).type();
        if (kind == std::filesystem::file_type::directory ||
            kind == std::filesystem::file_type::not_found) {
            return std::make_unique<CFolderMeshFiles>(args[0]);
        }
    }
    return std::make_unique<CListedMeshFiles>(args);
}

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    if (!CConsoleUi::GuardStandardStreams()) {
        std::fputs("zelvorin-correct: cannot open /dev/null for a closed standard stream\n",
                   stderr);
        return kExitUsage;
    }
    const CommandLine line = ParseCommandLine(argc, argv);
    switch (line.action) {
        case CommandLine::Action::kHelp:
            std::fputs(kSynopsis, stdout);
            std::fputs(kDescription, stdout);
            return kExitCompleted;
        case CommandLine::Action::kVersion:
            std::puts("zelvorin-correct " ZELVORIN_VERSION);
            return kExitCompleted;
        case CommandLine::Action::kUsageError:
            std::fprintf(stderr, "zelvorin-correct: %s\n%sTry 'zelvorin-correct --help'.\n",
                         line.error.c_str(), kSynopsis);
            return kExitUsage;
        case CommandLine::Action::kRun:
            break;
    }

    const std::unique_ptr<IMeshFileSource> meshes = MeshFilesOf(line.meshArgs);
    CConsoleUi ui;
    CConsoleUi::CatchInterrupts();
    return ExitStatusFor(CorrectMap(line.mapPath, *meshes, ui), line.mapPath, ui);
}
