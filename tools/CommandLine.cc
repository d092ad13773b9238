#include "tools/CommandLine.h"

#include <getopt.h>

namespace {

// Values of the options without a short form start past every character.
enum LongOnly { kOptVersion = 256, kOptReport, kOptPicture, kOptUndo, kOptRestore, kOptForce };

// '+': options end at the first other argument; ':' first: a missing value
// is told apart from an unknown option.
const char kShortOptions[] = "+:hn";
const option kLongOptions[] = {
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, kOptVersion},
    {"dry-run", no_argument, nullptr, 'n'},
    {"report", required_argument, nullptr, kOptReport},
    {"picture", required_argument, nullptr, kOptPicture},
    {"undo", required_argument, nullptr, kOptUndo},
    {"restore", required_argument, nullptr, kOptRestore},
    {"force", no_argument, nullptr, kOptForce},
    {nullptr, 0, nullptr, 0},
};

CommandLine UsageError(const std::string& error) {
    CommandLine line;
    line.action = CommandLine::Action::kUsageError;
    line.error = error;
    return line;
}

}  // namespace

CommandLine ParseCommandLine(int argc, char** argv) {
    CommandLine line;
    opterr = 0;  // errors are worded here
    optind = 1;
    for (int opt; (opt = getopt_long(argc, argv, kShortOptions, kLongOptions, nullptr)) != -1;) {
        switch (opt) {
            case 'h':
                line.action = CommandLine::Action::kHelp;
                return line;
            case kOptVersion:
                line.action = CommandLine::Action::kVersion;
                return line;
            case 'n':
                line.bDryRun = true;
                break;
            case kOptReport:
                line.strReport = optarg;
                break;
            case kOptPicture:
                line.strPicture = optarg;
                break;
            case kOptUndo:
                line.strUndo = optarg;
                break;
            case kOptRestore:
                line.action = CommandLine::Action::kRestore;
                line.strRestore = optarg;
                break;
            case kOptForce:
                line.bForce = true;
                break;
            case ':':
                return UsageError("option " + std::string(argv[optind - 1]) + " needs a value");
            default:
                return UsageError("unknown option " +
                                  (optopt != 0 ? std::string("-") + static_cast<char>(optopt)
                                               : std::string(argv[optind - 1])));
        }
    }
    if (line.action == CommandLine::Action::kRestore) {
        if (line.bDryRun || !line.strReport.empty() || !line.strPicture.empty() ||
            !line.strUndo.empty())
            return UsageError("--restore takes no other option");
        if (argc - optind != 1) return UsageError("--restore UNDO takes the map alone");
        line.mapPath = argv[optind];
        return line;
    }
    if (line.bForce) return UsageError("--force goes with --restore only");
    if (argc - optind < 2) return UsageError("a map and a folder or mesh files are needed");
    if (line.bDryRun && !line.strUndo.empty())
        return UsageError("a dry run writes nothing to undo: --dry-run and --undo do not mix");
    line.mapPath = argv[optind];
    line.meshArgs.assign(argv + optind + 1, argv + argc);
    return line;
}
