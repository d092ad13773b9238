// The POSIX console's conversion of the tool's code page 932 texts.
#include <gtest/gtest.h>

#include <clocale>

#include "framework/Console.h"
#include "framework/Cp932Text.h"

namespace {

TEST(PosixConsoleTest, TextsAreConvertedToTheLocalesEncoding) {
    if (!kNarrowLiteralsAreCp932) GTEST_SKIP() << "narrow literals are not code page 932 here";
    ASSERT_NE(std::setlocale(LC_ALL, "C.UTF-8"), nullptr);
    // The source is UTF-8 but the literal is stored in code page 932; the
    // bytes below are the UTF-8 the terminal must get.
    EXPECT_EQ(ToOutputEncoding("訂正用数値地図は１つもみつかりません."),
              "\xE8\xA8\x82\xE6\xAD\xA3\xE7\x94\xA8\xE6\x95\xB0\xE5\x80\xA4\xE5\x9C\xB0\xE5\x9B\xB3"
              "\xE3\x81\xAF\xEF\xBC\x91\xE3\x81\xA4\xE3\x82\x82\xE3\x81\xBF\xE3\x81\xA4\xE3\x81\x8B"
              "\xE3\x82\x8A\xE3\x81\xBE\xE3\x81\x9B\xE3\x82\x93.");
    EXPECT_EQ(ToOutputEncoding("a\x83\x5C"
                               "b"),
              "a\xE3\x82\xBD"
              "b")
        << "trail byte 0x5C";
    EXPECT_EQ(ToOutputEncoding("\x81"), "?") << "a cut character";
    std::setlocale(LC_ALL, "C");
}

}  // namespace
