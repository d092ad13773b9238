#include "framework/TextEncoding.h"

#include <gtest/gtest.h>

// Utf8ToCp932 of both backends: iconv on POSIX, the system's tables on
// Windows.
namespace {

// Literals in escapes: narrow literals are compiled to code page 932.
TEST(Utf8ToCp932Test, ConvertsJapaneseAndKeepsAscii) {
    EXPECT_EQ(Utf8ToCp932("FG-GML-5339.xml"), "FG-GML-5339.xml");
    // "テスト", and "ソ", whose second byte in code page 932 is a backslash.
    EXPECT_EQ(Utf8ToCp932("\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88.xml"),
              "\x83\x65\x83\x58\x83\x67.xml");
    EXPECT_EQ(Utf8ToCp932("\xE3\x82\xBD/a"), "\x83\x5C/a");
    EXPECT_EQ(Utf8ToCp932(""), "");
}

TEST(Utf8ToCp932Test, UnmappableCharacterBecomesOneQuestionMark) {
    // "é" and an emoji have no code page 932 form; the rest is kept.
    EXPECT_EQ(Utf8ToCp932("caf\xC3\xA9.xml"), "caf?.xml");
    EXPECT_EQ(Utf8ToCp932("\xF0\x9F\x98\x80\xE3\x83\x86"), "?\x83\x65");
}

TEST(Utf8ToCp932Test, MalformedBytesBecomeQuestionMarksAndTheRestIsKept) {
    EXPECT_EQ(Utf8ToCp932("a\xFF"
                          "b"),
              "a?b");
    // A sequence cut short, in the middle and at the end.
    EXPECT_EQ(Utf8ToCp932("\xE3\x83"
                          "A"),
              "??A");
    EXPECT_EQ(Utf8ToCp932("A\xE3\x83"), "A??");
    // Longer than the converter's buffer, so that it fills up on the way.
    const std::string many(1000, 'x');
    EXPECT_EQ(Utf8ToCp932(many + "\xE3\x83\x86" + many), many + "\x83\x65" + many);
}

}  // namespace
