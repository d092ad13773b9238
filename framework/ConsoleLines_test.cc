#include "framework/ConsoleLines.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "framework/PathSyntax.h"
#include "testsupport/StreamText.h"

namespace {

// A name or field from a file cannot move the cursor, clear the screen or
// set a title: every control but the line break and the tab shows.
TEST(ConsoleLinesTest, ControlCharactersShowAsEscapes) {
    EXPECT_EQ(VisibleText("a\x1b[2Jb\r\x07\n\tc\x7f"), "a\\x1B[2Jb\\x0D\\x07\n\tc\\x7F");
    if (NativePaths().doubleByteNames) return;  // code page 932 system text
    EXPECT_EQ(VisibleText("\xC2\x9B"
                          "31m \xC2\xA0"),
              "\\x9B31m \xC2\xA0");
    // Japanese shows as it is ("テスト" in UTF-8).
    EXPECT_EQ(VisibleText("\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88"),
              "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88");
    EXPECT_EQ(TerminalColumns("a\xE3\x83\x86\xC3\xA9"), 4u);  // a, テ (two), é
}

// The progress line is redrawn over itself with spaces, never an escape
// sequence, and a message, on whichever stream, starts a line of its own.
TEST(ConsoleLinesTest, AMessageEndsTheProgressLineFirst) {
    FILE* err = std::tmpfile();
    FILE* out = std::tmpfile();
    RedrawLine(err, "[##] 50%  long-name.mem");
    RedrawLine(err, "[##] 60%  b.mem");
    WriteLine(out, "result");
    WriteLine(err, "warning");
    EndOpenLine();  // none open: nothing
    EXPECT_EQ(StreamText(err), "\r[##] 50%  long-name.mem\r[##] 60%  b.mem        \nwarning\n");
    EXPECT_EQ(StreamText(out), "result\n");
    std::fclose(err);
    std::fclose(out);
}

}  // namespace
