#pragma once

// Why a restore refuses an undo file or cannot begin one, in English and
// Japanese, one id each: the user's language chooses
// (framework/UiLanguage.h). The arguments are system text: paths and
// numbers.
#include <string>
#include <vector>

struct TextPair;

enum class UndoText {
    // Why the records committed cannot be restored; said of the undo file.
    // %1 of each but the first: the saved block's byte in the map.
    kCutShort,  // %1 of %2 blocks and %3 of %4 records held
    kChecksBeforeSaving,
    kSavesPastEnd,  // %2 the map's length
    kSavesUnlisted,
    kSavesTwice,
    kCommitDiffers,
    kCommitLost,
    // Why a restore cannot use the undo file (%1).
    kNeverWrote,
    kNotUndo,
    kOtherVersion,  // %2 the format
    kDamagedHead,
    kOtherMap,      // %2 the map
    kChangedSince,  // %1 the map, %2 the undo file, %3 the changed block's byte
    // Why a run cannot begin its undo file: the map is cut short.
    kMapHeaderShort,
    kMapIndexShort,
    kCount
};

// Both texts of id.
const TextPair& UndoTextPair(UndoText id);
// The text id in the user's language, in system text, with the arguments
// (system text) put in.
std::string SayUndo(UndoText id, const std::vector<std::string>& args = {});
