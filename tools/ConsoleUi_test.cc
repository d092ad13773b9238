#include "tools/ConsoleUi.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

std::string Contents(FILE* f) {
    std::fflush(f);
    std::rewind(f);
    std::string text;
    for (int c; (c = std::fgetc(f)) != EOF;) text += static_cast<char>(c);
    return text;
}

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
    EXPECT_EQ(Contents(err), " 50%  533945.mem\n100%  543976.mem\n");
    EXPECT_EQ(Contents(out), "done\n");
    std::fclose(out);
    std::fclose(err);
}

}  // namespace
