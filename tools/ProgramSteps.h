#pragma once

// What a terminal program is doing, for a failure nothing in it catches
// (memory running out, a fault of ours): each step of a run says what it
// is, what a failure in it leaves and the status it ends the program with,
// and the program's entry point turns whatever escapes into a message that
// names the step, instead of ending the process with an uncaught exception.
#include <functional>
#include <string>

#include "tools/ToolTexts.h"

struct ProgramStep {
    ToolText what;  // one of the kStep texts
    ToolText note;  // one of the kNote texts: what the failure leaves
    int status;     // the exit status the failure ends the program with
};

// Makes step the one a failure is told of, until the next is entered.
void EnterStep(const ProgramStep& step);

// Runs run in first and the steps it enters, and returns what it returns;
// an exception that escapes it is told on standard error as a failure of
// the step then current, and that step's status is returned.
int RunInSteps(const char* tool, const ProgramStep& first, const std::function<int()>& run);
