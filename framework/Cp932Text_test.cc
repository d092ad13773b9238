#include "framework/Cp932Text.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<size_t> CharacterStarts(std::string_view text) {
    std::vector<size_t> starts;
    for (size_t i = 0; i < text.size(); i += Cp932CharLength(text, i)) starts.push_back(i);
    return starts;
}

TEST(Cp932WalkTest, LeadBytesTakeTheNextByteWhateverItLooksLike) {
    // "ソ" is 0x83 0x5C; lead bytes run 0x81-0x9F and 0xE0-0xFC, and the
    // bytes around those ranges (half-width katakana among them) are single.
    EXPECT_EQ(CharacterStarts("a\x83\x5C\x80\xA0\x9F\x61\xE0\x40\xFC\x7A\xDF\xFDz"),
              (std::vector<size_t>{0, 1, 3, 4, 5, 7, 9, 11, 12, 13}));
    EXPECT_EQ(Cp932CharLength("a\x83", 1), 1u) << "a lead byte at the end stands alone";
    EXPECT_EQ(UpperCaseAscii("c:\\\x83\x61\\a\xFC\x7A.dcm"), "C:\\\x83\x61\\A\xFC\x7A.DCM");
}

TEST(AsciiCaseTest, ComparisonFoldsAsciiLettersOnly) {
    EXPECT_EQ(CompareIgnoringAsciiCase("C:\\Maps\\A.dcm", "c:\\maps\\a.DCM"), 0);
    EXPECT_LT(CompareIgnoringAsciiCase("a.mem", "B.mem"), 0);
    EXPECT_GT(CompareIgnoringAsciiCase("B.mem", "a.mem"), 0);
    EXPECT_LT(CompareIgnoringAsciiCase("a", "a.mem"), 0);
    EXPECT_LT(CompareIgnoringAsciiCase("z", "\x83"), 0) << "bytes compare unsigned";
    EXPECT_GT(CompareIgnoringAsciiCase("\x83", "z"), 0);
    EXPECT_NE(CompareIgnoringAsciiCase("\xC0", "\xE0"), 0) << "no other letters are folded";
    EXPECT_NE(CompareIgnoringAsciiCase("[", "{"), 0);
}

}  // namespace
