#include "tools/CommandLine.h"

#include "framework/OptionReader.h"
#include "tools/ToolCommon.h"
#include "tools/ToolTexts.h"

namespace {

// The options, in the order of the table below.
enum Option { kHelp, kVersion, kDryRun, kReport, kPicture, kUndo, kRestore, kForce, kMapDatum };
const std::vector<OptionSpec> kOptions = {
    {"help", 'h', false}, {"version", 0, false}, {"dry-run", 'n', false},
    {"report", 0, true},  {"picture", 0, true},  {"undo", 0, true},
    {"restore", 0, true}, {"force", 0, false},   {"map-datum", 0, true},
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
    std::vector<std::string> operands;
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
                line.action = CommandLine::Action::kHelp;
                return line;
            case kVersion:
                line.action = CommandLine::Action::kVersion;
                return line;
            case kDryRun:
                line.bDryRun = true;
                break;
            case kReport:
            case kPicture:
            case kUndo:
            case kRestore:
                // An empty name (an unset variable, say) would be taken for
                // no such option: the run would go without its undo file.
                if (item.value.empty())
                    return UsageError(
                        Say(ToolText::kOptionNeedsName, {kOptions[item.option].name}));
                if (item.option == kReport) line.strReport = item.value;
                if (item.option == kPicture) line.strPicture = item.value;
                if (item.option == kUndo) line.strUndo = item.value;
                if (item.option == kRestore) {
                    line.action = CommandLine::Action::kRestore;
                    line.strRestore = item.value;
                }
                break;
            case kForce:
                line.bForce = true;
                break;
            case kMapDatum:
                line.mapDatum = MapDatumNamed(item.value);
                if (!line.mapDatum) return UsageError(Say(ToolText::kMapDatumValues, {item.value}));
                break;
        }
    }
    if (line.action == CommandLine::Action::kRestore) {
        if (line.bDryRun || !line.strReport.empty() || !line.strPicture.empty() ||
            !line.strUndo.empty() || line.mapDatum)
            return UsageError(Say(ToolText::kRestoreTakesForceOnly));
        if (operands.size() != 1) return UsageError(Say(ToolText::kRestoreTakesMapAlone));
        line.mapPath = operands[0];
        return line;
    }
    if (line.bForce) return UsageError(Say(ToolText::kForceWithRestoreOnly));
    if (operands.size() < 2) return UsageError(Say(ToolText::kOperandsNeeded));
    if (line.bDryRun && !line.strUndo.empty()) return UsageError(Say(ToolText::kDryRunAndUndo));
    line.mapPath = operands[0];
    line.meshArgs.assign(operands.begin() + 1, operands.end());
    return line;
}
