#include "tools/ToolCommon.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "framework/Console.h"
#include "framework/ConsoleLines.h"
#include "tools/ToolTexts.h"

int StoppedStatus() {
    return StopRequested() == StopRequest::kTerminate ? kExitTerminated : kExitInterrupted;
}

std::string StoppedWord() {
    return Say(StopRequested() == StopRequest::kTerminate ? ToolText::kWordTerminated
                                                          : ToolText::kWordInterrupted);
}

void Tell(const std::string& text) { WriteLine(stderr, text); }

int PrintInfo(const std::string& tool, const std::string& text) {
    if (OutputWasClosed()) {
        Tell(Say(ToolText::kStdoutClosed, {tool}));
        return kExitNotWritten;
    }
    if (WriteNativeText(stdout, text) && std::ferror(stdout) == 0) return kExitCompleted;
    Tell(Say(ToolText::kStdoutFailed, {tool, std::strerror(errno)}));
    return kExitNotWritten;
}

int UsageFailure(const std::string& tool, const std::string& program, const std::string& synopsis,
                 const std::string& error) {
    Tell(tool + ": " + error + "\n" + synopsis + Say(ToolText::kSeeHelp, {program}));
    return kExitUsage;
}

std::optional<MapDatum> MapDatumNamed(const std::string& name) {
    if (name == "tokyo") return MapDatum::kTokyo;
    if (name == "jgd") return MapDatum::kJgd;
    return std::nullopt;
}
