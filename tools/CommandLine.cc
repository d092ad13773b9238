#include "tools/CommandLine.h"

#include <getopt.h>

namespace {

// Values of the options without a short form start past every character.
enum LongOnly { kOptVersion = 256 };

const char kShortOptions[] = "+h";  // '+': options end at the first other argument
const option kLongOptions[] = {
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, kOptVersion},
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
            default:
                return UsageError("unknown option " +
                                  (optopt != 0 ? std::string("-") + static_cast<char>(optopt)
                                               : std::string(argv[optind - 1])));
        }
    }
    if (argc - optind < 2) return UsageError("a map and a folder or mesh files are needed");
    line.mapPath = argv[optind];
    line.meshArgs.assign(argv + optind + 1, argv + argc);
    return line;
}
