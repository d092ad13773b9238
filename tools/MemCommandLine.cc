#include "tools/MemCommandLine.h"

#include "framework/OptionReader.h"
#include "tools/MemTexts.h"
#include "tools/ToolCommon.h"
#include "tools/ToolTexts.h"

namespace {

// The options, in the order of the table below.
enum Option { kHelp, kVersion, kMap, kMapDatum };
const std::vector<OptionSpec> kOptions = {
    {"help", 'h', false},
    {"version", 0, false},
    {"map", 0, true},
    {"map-datum", 0, true},
};

MemCommandLine UsageError(const std::string& error) {
    MemCommandLine line;
    line.action = MemCommandLine::Action::kUsageError;
    line.error = error;
    return line;
}

}  // namespace

MemCommandLine ParseMemCommandLine(int argc, char** argv) {
    MemCommandLine line;
    std::vector<std::string> operands;
    bool mapGiven = false;
    for (const OptionItem& item : ReadOptions(argc, argv, kOptions)) {
        switch (item.kind) {
            case OptionItem::Kind::kOperand:
                operands.push_back(item.value);
                continue;
            case OptionItem::Kind::kMissingValue:
                return UsageError(Say(ToolText::kOptionNeedsValue, {item.text}));
            case OptionItem::Kind::kUnknown:
                return UsageError(Say(ToolText::kUnknownOption, {item.text}));
            case OptionItem::Kind::kOption:
                break;
        }
        switch (item.option) {
            case kHelp:
                line.action = MemCommandLine::Action::kHelp;
                return line;
            case kVersion:
                line.action = MemCommandLine::Action::kVersion;
                return line;
            case kMap:
                if (item.value.empty()) return UsageError(Say(ToolText::kOptionNeedsName, {"map"}));
                line.mapPath = item.value;
                mapGiven = true;
                break;
            case kMapDatum:
                line.mapDatum = MapDatumNamed(item.value);
                if (!line.mapDatum) return UsageError(Say(ToolText::kMapDatumValues, {item.value}));
                break;
        }
    }
    if (operands.size() < 2) return UsageError(Say(MemText::kOperandsNeeded));
    if (!mapGiven) return UsageError(Say(MemText::kMapNeeded));
    line.outFolder = operands[0];
    line.sources.assign(operands.begin() + 1, operands.end());
    return line;
}
