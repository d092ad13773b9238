#pragma once

// zelvorin-correct's own messages, in English and Japanese, one id each:
// the user's language chooses (framework/UiLanguage.h). The run's texts that
// the plug-in shows too (correction/Messages.h) are not among them, and the
// --help text is English only. A message added later gets an id here and
// its two texts in ToolTexts.cc.
#include <string>
#include <vector>

struct TextPair;

enum class ToolText {
    kPlain,  // "zelvorin-correct: " before a text of someone else's
    kWordInterrupted,
    kWordTerminated,
    kCannotUseMesh,
    kStopped,
    kStoppedInFile,
    kFolderMissing,
    kFolderEmpty,
    kCannotOpenMap,
    kCannotCorrectMap,
    kIndexTooLarge,
    kMapHoldsBefore,
    kMapPartial,
    kRestoreHint,
    kDryRunResult,
    kStdoutClosed,  // %1: the tool's name, shared by the tools (ToolCommon.h)
    kStdoutFailed,
    kNoPicture,
    kNoPictureRemoved,
    kNoPictureLeft,
    kCannotWritePicture,
    kRestored,
    kRestoreStopped,
    kRestoreCannotOpen,
    kRestoreFailed,
    kUndoChangedSince,
    kUndoChangedSinceFirstFormat,
    kRestoreNothing,
    kUndoRefused,
    kNoDevNull,  // %1: the tool's name
    kSeeHelp,
    kRunFailed,
    kTheUndoFile,
    kTheReport,
    kThePicture,
    kTheMap,
    kTheMeshFile,
    kAMeshFileOf,
    kADemFileOf,
    kTheDemSource,
    kWouldOverwrite,
    kCannotCreateUndo,
    kCannotCreatePicture,
    kCannotCreateReport,
    kCannotWriteReport,
    kResultNotWritten,
    kCannotWriteUndo,
    kOptionNeedsValue,
    kUnknownOption,
    kOptionNeedsName,
    kRestoreTakesForceOnly,
    kRestoreTakesMapAlone,
    kForceWithRestoreOnly,
    kOperandsNeeded,
    kDryRunAndUndo,
    kMapDatumValues,
    kDatumFound,
    kDatumAgainstData,
    kDatumUndecided,
    kDatumTooFewCells,
    kDatumStopped,
    kDatumUnusable,
    kDemOutOfRange,
    kDatumForDemOnly,
    kCannotUseDem,
    kDemNotTouched,
    kNoDem,
    kStoppedBeforeMap,
    kDemWarning,
    kDemResult,
    kDemDryRunResult,
    // A failure nothing else caught (tools/ProgramSteps.h): %1 the tool's
    // name, %2 one of the steps below, %3 why; then one of the notes.
    kEscapedFailure,
    kStepCommandLine,
    kStepSources,
    kStepMapRun,
    kStepRestore,
    kStepOutputs,
    kStepMeshFiles,
    kNoteMapUntouched,  // %1: the tool's name, as for the notes below
    kNoteNoFileWritten,
    kNoteMapAsApplied,
    kNoteRestoreAgain,
    kNoteMapCorrected,
    kNoteFilesComplete,
    kOutOfMemory,
    kUnknownFailure,
    kApplied,
    kNoneApplied,
    kMapFileFailed,
    kErrorStoppedRun,
    kUsage,
    kCount
};

// Both texts of id.
const TextPair& ToolTextPair(ToolText id);
// The message id in the user's language, in system text, with the
// arguments (system text: paths, the system's texts, digits) put in.
std::string Say(ToolText id, const std::vector<std::string>& args = {});
