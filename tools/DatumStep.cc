#include "tools/DatumStep.h"

#include <cstdio>
#include <string>

#include "dem/DatumChoice.h"
#include "framework/Console.h"
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

DatumStep SettleDatum(const std::string& tool, std::optional<MapDatum> given,
                      const std::vector<DemSource>& sources, DemPlan& plan, CFile& map,
                      const DCMHEADER& header, const CTileIndex& index) {
    const DatumChoice choice = ChooseDatum(sources, plan, map, header, index,
                                           [] { return StopRequested() != StopRequest::kNone; });
    DatumStep step;
    switch (choice.outcome) {
        case DatumChoice::Outcome::kStopped:
            Tell(Say(ToolText::kDatumStopped, {tool, StoppedWord()}));
            step.status = StoppedStatus();
            return step;
        case DatumChoice::Outcome::kUnusable:
            Tell(Say(ToolText::kDatumUnusable,
                     {tool, choice.unusableFile.empty() || choice.reason.empty()
                                ? choice.unusableFile + choice.reason
                                : choice.unusableFile + ": " + choice.reason}));
            step.status = kExitUnusableSource;
            return step;
        case DatumChoice::Outcome::kChosen:
        case DatumChoice::Outcome::kUndecided:
        case DatumChoice::Outcome::kTooFewCells:
            break;
    }
    std::vector<std::string> figures = Figures(tool, choice);
    if (given) {
        // The data can only warn against the datum given.
        if (choice.outcome == DatumChoice::Outcome::kChosen && choice.datum != *given) {
            figures.insert(figures.begin() + 1, NameOf(*given));
            Tell(Say(ToolText::kDatumAgainstData, figures));
        }
        step.datum = given;
    } else if (choice.outcome == DatumChoice::Outcome::kChosen) {
        figures.insert(figures.begin() + 1, NameOf(choice.datum));
        Tell(Say(ToolText::kDatumFound, figures));
        step.datum = choice.datum;
    } else {
        Tell(Say(choice.outcome == DatumChoice::Outcome::kTooFewCells ? ToolText::kDatumTooFewCells
                                                                      : ToolText::kDatumUndecided,
                 figures));
        step.status = kExitUsage;
        return step;
    }
    ReplanForDatum(plan, *step.datum);
    return step;
}
