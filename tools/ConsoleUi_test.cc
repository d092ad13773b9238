#include "tools/ConsoleUi.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>

#include "correction/Messages.h"

namespace {

std::string Contents(FILE* f) {
    std::fflush(f);
    std::rewind(f);
    std::string text;
    for (int c; (c = std::fgetc(f)) != EOF;) text += static_cast<char>(c);
    return text;
}

TEST(ConsoleUiTest, MessagesArePrintedInTheTerminalsEncoding) {
    ASSERT_NE(std::setlocale(LC_ALL, "C.UTF-8"), nullptr);
    // The source is UTF-8 but the literal is stored in code page 932; the
    // bytes below are the UTF-8 the terminal must get.
    EXPECT_EQ(ToTerminalEncoding(kMsgNoMeshFiles),
              "\xE8\xA8\x82\xE6\xAD\xA3\xE7\x94\xA8\xE6\x95\xB0\xE5\x80\xA4\xE5\x9C\xB0\xE5\x9B\xB3"
              "\xE3\x81\xAF\xEF\xBC\x91\xE3\x81\xA4\xE3\x82\x82\xE3\x81\xBF\xE3\x81\xA4\xE3\x81\x8B"
              "\xE3\x82\x8A\xE3\x81\xBE\xE3\x81\x9B\xE3\x82\x93.");
    EXPECT_EQ(ToTerminalEncoding("a\x83\x5C"
                                 "b"),
              "a\xE3\x82\xBD"
              "b")
        << "trail byte 0x5C";
    EXPECT_EQ(ToTerminalEncoding("\x81"), "?") << "a cut character";
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
    ui.ShowMessage("done", MessageKind::kResult);
    EXPECT_EQ(Contents(err), " 50%  533945.mem\n100%  543976.mem\n");
    EXPECT_EQ(Contents(out), "done\n");
    std::fclose(out);
    std::fclose(err);
}

}  // namespace
