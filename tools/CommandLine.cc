#include "tools/CommandLine.h"

#include <getopt.h>

namespace {

// Values of the options without a short form start past every character.
enum LongOnly { kOptVersion = 256, kOptReport, kOptPicture, kOptUndo, kOptRestore, kOptForce };

// '-': operands come back in order, as option 1, wherever they stand, so
// options may follow them; ':' next: a missing value is told apart from an
// unknown option.
const char kShortOptions[] = "-:hn";
constexpr int kOperand = 1;
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

std::string LongName(int opt) {
    for (const option& o : kLongOptions)
        if (o.name != nullptr && o.val == opt) return o.name;
    return "?";
}

CommandLine UsageError(const std::string& error) {
    CommandLine line;
    line.action = CommandLine::Action::kUsageError;
    line.error = error;
    return line;
}

}  // namespace

CommandLine ParseCommandLine(int argc, char** argv) {
    CommandLine line;
    std::vector<std::string> operands;
    opterr = 0;  // errors are worded here
    optind = 1;
    for (int opt; (opt = getopt_long(argc, argv, kShortOptions, kLongOptions, nullptr)) != -1;) {
        switch (opt) {
            case kOperand:
                operands.push_back(optarg);
                break;
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
            case kOptPicture:
            case kOptUndo:
            case kOptRestore:
                // An empty name (an unset variable, say) would be taken for
                // no such option: the run would go without its undo file.
                if (*optarg == '\0')
                    return UsageError("option --" + LongName(opt) +
                                      " needs a file name, not an empty one");
                if (opt == kOptReport) line.strReport = optarg;
                if (opt == kOptPicture) line.strPicture = optarg;
                if (opt == kOptUndo) line.strUndo = optarg;
                if (opt == kOptRestore) {
                    line.action = CommandLine::Action::kRestore;
                    line.strRestore = optarg;
                }
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
    // After "--" the rest are operands, whatever they look like.
    operands.insert(operands.end(), argv + optind, argv + argc);
    if (line.action == CommandLine::Action::kRestore) {
        if (line.bDryRun || !line.strReport.empty() || !line.strPicture.empty() ||
            !line.strUndo.empty())
            return UsageError("--restore takes no other option than --force");
        if (operands.size() != 1) return UsageError("--restore UNDO takes the map alone");
        line.mapPath = operands[0];
        return line;
    }
    if (line.bForce) return UsageError("--force goes with --restore only");
    if (operands.size() < 2) return UsageError("a map and a folder or mesh files are needed");
    if (line.bDryRun && !line.strUndo.empty())
        return UsageError("a dry run writes nothing to undo: --dry-run and --undo do not mix");
    line.mapPath = operands[0];
    line.meshArgs.assign(operands.begin() + 1, operands.end());
    return line;
}
