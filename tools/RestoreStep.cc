#include "tools/RestoreStep.h"

#include <string>

#include "framework/Console.h"
#include "framework/ConsoleLines.h"
#include "tools/CorrectStatus.h"
#include "tools/ProgramSteps.h"
#include "tools/ToolCommon.h"
#include "tools/ToolTexts.h"
#include "undo/UndoFile.h"
#include "undo/UndoFormat.h"

int RestoreFromUndo(const CommandLine& line) {
    EnterStep({ToolText::kStepRestore, ToolText::kNoteRestoreAgain, kExitFileError});
    CatchStopRequests();
    RestoreOptions options;
    options.bForce = line.bForce;
    options.stop = [] { return StopRequested() != StopRequest::kNone; };
    const RestoreResult result = RestoreMap(line.strRestore, line.mapPath, options);
    const std::string blocks = std::to_string(result.blocks);
    const std::string total = std::to_string(result.total);
    switch (result.outcome) {
        case RestoreOutcome::kRestored:
            WriteLine(stdout, Say(ToolText::kRestored, {blocks, line.mapPath}));
            return kExitCompleted;
        case RestoreOutcome::kStopped:
            Tell(Say(ToolText::kRestoreStopped, {StoppedWord(), blocks, total, line.mapPath}));
            return StoppedStatus();
        case RestoreOutcome::kCannotOpenMap:
            Tell(Say(ToolText::kRestoreCannotOpen, {result.detail}));
            return kExitCannotOpen;
        case RestoreOutcome::kFileError:
            Tell(Say(ToolText::kRestoreFailed, {blocks, total, line.mapPath, result.detail}));
            return kExitFileError;
        case RestoreOutcome::kNothingToDo:
            WriteLine(stdout, Say(ToolText::kRestoreNothing, {result.detail}));
            return kExitCompleted;
        case RestoreOutcome::kChangedSince:
            Tell(Say(result.version == kUndoFirstVersion ? ToolText::kUndoChangedSinceFirstFormat
                                                         : ToolText::kUndoChangedSince,
                     {result.detail}));
            return kExitUndoFile;
        case RestoreOutcome::kCannotUse:
        case RestoreOutcome::kDamaged:
        case RestoreOutcome::kIncomplete:
        case RestoreOutcome::kOtherMap:
            Tell(Say(ToolText::kUndoRefused, {result.detail}));
            return kExitUndoFile;
    }
    return kExitFileError;
}
