#include "tools/ProgramSteps.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

namespace {

const ProgramStep kFirst{ToolText::kStepCommandLine, ToolText::kNoteMapUntouched, 2};
const ProgramStep kLater{ToolText::kStepMapRun, ToolText::kNoteMapAsApplied, 7};

TEST(ProgramSteps, WhateverEscapesIsToldAsAFailureOfTheStepThenCurrent) {
    const struct {
        std::function<void()> fail;
        const char* why;
    } cases[] = {
        {[] { throw std::runtime_error("a fault"); }, "a fault"},
        {[] { throw std::bad_alloc(); }, "out of memory"},
        {[] { throw 42; }, "a failure of unknown kind"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        testing::internal::CaptureStderr();
        const int status = RunInSteps("tool", kFirst, [&] {
            EnterStep(kLater);
            c.fail();
            return 0;
        });
        EXPECT_EQ(status, 7);
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  std::string("tool: unexpected failure while correcting the map: ") + c.why +
                      "\ntool: the map holds exactly what was applied before the failure\n");
    }
}

TEST(ProgramSteps, ARunThatEndsItselfKeepsItsStatusAndStartsAtTheFirstStep) {
    EXPECT_EQ(RunInSteps("tool", kFirst, [] { return 5; }), 5);
    testing::internal::CaptureStderr();
    EXPECT_EQ(RunInSteps("tool", kFirst, []() -> int { throw std::runtime_error("x"); }), 2);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("while reading the command line"),
              std::string::npos);
}

}  // namespace
