#include "tools/ProgramSteps.h"

#include <exception>
#include <new>

#include "tools/ToolCommon.h"

namespace {

ProgramStep g_step{ToolText::kStepCommandLine, ToolText::kNoteMapUntouched, kExitUsage};

void TellEscaped(const char* tool, const std::string& why) {
    Tell(Say(ToolText::kEscapedFailure, {tool, Say(g_step.what), why}));
    Tell(Say(g_step.note, {tool}));
}

}  // namespace

void EnterStep(const ProgramStep& step) { g_step = step; }

int RunInSteps(const char* tool, const ProgramStep& first, const std::function<int()>& run) {
    EnterStep(first);
    try {
        return run();
    } catch (const std::bad_alloc&) {
        TellEscaped(tool, Say(ToolText::kOutOfMemory));
    } catch (const std::exception& error) {
        TellEscaped(tool, error.what());
    } catch (...) {
        TellEscaped(tool, Say(ToolText::kUnknownFailure));
    }
    return g_step.status;
}
