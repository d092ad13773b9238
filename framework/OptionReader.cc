#include "framework/OptionReader.h"

#include <getopt.h>

#include <cstring>

#include "framework/PathSyntax.h"

std::vector<OptionItem> ReadOptions(int argc, char** argv, const std::vector<OptionSpec>& table) {
    // getopt_long, which both C libraries have: '-' first returns operands
    // in order, as option 1, wherever they stand; ':' next tells a missing
    // value apart from an unknown option. Long options come back as 256 plus
    // their place in the table.
    constexpr int kOperand = 1;
    constexpr int kLongBase = 256;
    std::string shortOptions = "-:";
    std::vector<option> longOptions;
    for (size_t i = 0; i < table.size(); ++i) {
        longOptions.push_back({table[i].name, table[i].bValue ? required_argument : no_argument,
                               nullptr, kLongBase + static_cast<int>(i)});
        if (table[i].letter != 0) {
            shortOptions += table[i].letter;
            if (table[i].bValue) shortOptions += ':';
        }
    }
    longOptions.push_back({nullptr, 0, nullptr, 0});
    // Windows programs take "/?" for their help: the option lettered 'h'.
    const bool windows = NativePaths().separator == '\\';
    size_t help = 0;
    while (help < table.size() && table[help].letter != 'h') ++help;

    std::vector<OptionItem> items;
    opterr = 0;  // the caller words the errors
    optind = 1;
    for (int opt; (opt = getopt_long(argc, argv, shortOptions.c_str(), longOptions.data(),
                                     nullptr)) != -1;) {
        OptionItem item;
        if (opt == kOperand && windows && help < table.size() && std::strcmp(optarg, "/?") == 0) {
            item.option = help;
        } else if (opt == kOperand) {
            item.kind = OptionItem::Kind::kOperand;
            item.value = optarg;
        } else if (opt == ':') {
            item.kind = OptionItem::Kind::kMissingValue;
            item.text = argv[optind - 1];
        } else if (opt == '?') {
            item.kind = OptionItem::Kind::kUnknown;
            item.text = optopt != 0 ? std::string("-") + static_cast<char>(optopt)
                                    : std::string(argv[optind - 1]);
        } else {
            item.option = opt >= kLongBase ? static_cast<size_t>(opt - kLongBase) : table.size();
            for (size_t i = 0; i < table.size() && item.option == table.size(); ++i)
                if (table[i].letter == opt) item.option = i;
            if (optarg != nullptr) item.value = optarg;
        }
        items.push_back(std::move(item));
    }
    for (int i = optind; i < argc; ++i)
        items.push_back({OptionItem::Kind::kOperand, 0, argv[i], ""});
    return items;
}
