#include "tools/DatumStep.h"

#include <cstdio>
#include <string>
#include <vector>

#include "tools/ToolCommon.h"
#include "tools/ToolTexts.h"

namespace {

const char* NameOf(MapDatum datum) { return datum == MapDatum::kTokyo ? "tokyo" : "jgd"; }

std::string Metres(double rms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", rms);
    return text;
}

// The figures of both datums, as the messages give them.
std::vector<std::string> Figures(const std::string& tool, const DatumChoice& choice) {
    return {tool, Metres(choice.tokyo.rms), std::to_string(choice.tokyo.cells),
            Metres(choice.jgd.rms), std::to_string(choice.jgd.cells)};
}

}  // namespace

std::optional<int> TellDatumStep(const std::string& tool, std::optional<MapDatum> given,
                                 const DemStart& start) {
    std::vector<std::string> figures = Figures(tool, start.choice);
    switch (start.outcome) {
        case DemStart::Outcome::kDatumStopped:
            Tell(Say(ToolText::kDatumStopped, {tool, StoppedWord()}));
            return StoppedStatus();
        case DemStart::Outcome::kDatumUnusable:
            Tell(Say(ToolText::kDatumUnusable, {tool, start.unusable}));
            return kExitUnusableSource;
        case DemStart::Outcome::kDatumUndecided:
            Tell(Say(ToolText::kDatumUndecided, figures));
            return kExitUsage;
        case DemStart::Outcome::kDatumTooFewCells:
            Tell(Say(ToolText::kDatumTooFewCells, figures));
            return kExitUsage;
        default:
            break;
    }
    if (start.bAgainstData) {
        figures.insert(figures.begin() + 1, NameOf(*given));
        Tell(Say(ToolText::kDatumAgainstData, figures));
    } else if (!given && start.datum) {
        figures.insert(figures.begin() + 1, NameOf(*start.datum));
        Tell(Say(ToolText::kDatumFound, figures));
    }
    return std::nullopt;
}
