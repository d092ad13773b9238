#include "tools/ConsoleUi.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "testsupport/StreamText.h"

namespace {

TEST(ConsoleUiTest, ProgressIsOneLinePerFileWhenNotATerminal) {
    FILE* out = std::tmpfile();
    FILE* err = std::tmpfile();
    CConsoleUi ui(out, err);
    ui.OpenProgress();
    ui.SetFileName("533945.mem");
    ui.SetPos(50);
    ui.SetFileName("543976.mem");
    ui.SetPos(100);
    ui.CloseProgress();
    // The run's own messages are the plug-in's: the tool words its own.
    ui.ShowMessage("plug-in's failure", MessageKind::kFailure);
    ui.ShowMessage("plug-in's result", MessageKind::kResult);
    ui.PrintResult("done");
    EXPECT_EQ(StreamText(err), " 50%  533945.mem\n100%  543976.mem\n");
    EXPECT_EQ(StreamText(out), "done\n");
    std::fclose(out);
    std::fclose(err);
}

}  // namespace
