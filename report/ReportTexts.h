#pragma once

// The report's warnings and closing line, and why the picture could not be
// written, in English and Japanese, one id each: the user's language chooses
// (framework/UiLanguage.h).
#include <string>
#include <vector>

enum class ReportText {
    kNoRecordLine,
    kNotSecondLevel,
    kWrotePart,
    kWroteNoCell,
    kOutsideMap,
    kBlocksPastEnd,
    kNotInIndex,
    kNoCellFromDem,
    kChangedUnknown,
    kSummary,
    kWouldChange,
    kChanged,
    kMayBeOff,
    kDryRun,
    kSquareWroteNoCell,
    kSquareWrotePart,
    // Why the picture could not be written (PngFile.cc, ReliefPicture.cc).
    kPngEncoderFailed,  // %1 libpng's message
    kPngNoMemory,
    kMapShrank,
    kCount
};

struct TextPair;

// Both texts of id.
const TextPair& ReportTextPair(ReportText id);
// The text id in the user's language, in system text, with the arguments
// (system text) put in.
std::string SayReport(ReportText id, const std::vector<std::string>& args = {});
