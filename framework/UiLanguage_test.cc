// The user's language from the locale's variables, and messages made from
// program text with system text put in.
#include "framework/UiLanguage.h"

#include <gtest/gtest.h>

#include "framework/Console.h"

namespace {

TEST(UiLanguage, TheFirstVariableSetDecides) {
    EXPECT_TRUE(JapaneseLocaleNamed(nullptr, nullptr, "ja_JP.UTF-8"));
    EXPECT_TRUE(JapaneseLocaleNamed("ja_JP.eucJP", "C", "C"));
    EXPECT_FALSE(JapaneseLocaleNamed("C.UTF-8", "ja_JP.UTF-8", "ja_JP.UTF-8"))
        << "LC_ALL wins over the rest";
    EXPECT_FALSE(JapaneseLocaleNamed(nullptr, "C", "ja_JP.UTF-8")) << "LC_MESSAGES over LANG";
    EXPECT_TRUE(JapaneseLocaleNamed("", "", "ja")) << "an empty variable counts as not set";
    EXPECT_FALSE(JapaneseLocaleNamed(nullptr, nullptr, nullptr));
    EXPECT_FALSE(JapaneseLocaleNamed(nullptr, nullptr, "jv_ID.UTF-8"));
}

TEST(FormatText, AnEnglishPluralFollowsItsNumber) {
    EXPECT_EQ(FormatText("%1 file%s1 from %2 zip%s2", {"1", "2"}), "1 file from 2 zips");
    EXPECT_EQ(FormatText("%1 file%s1", {"0"}), "0 files");
    EXPECT_EQ(FormatText("%1 file%s1", {"11"}), "11 files");
    EXPECT_EQ(FormatText("100%%s1", {"1"}), "100%s1") << "\"%%\" before it";
}

TEST(FormatText, ArgumentsGoInByNumberAsTheyAre) {
    EXPECT_EQ(FormatText("%2 before %1", {"one", "two"}), "two before one");
    EXPECT_EQ(FormatText("%1", {"%2 stays"}), "%2 stays") << "an argument is not read again";
    EXPECT_EQ(FormatText("100%% of %1%", {"x"}), "100% of x%");
    EXPECT_EQ(FormatText("%%1", {"x"}), "%1") << "a '%' that \"%%\" made starts nothing";
    EXPECT_EQ(FormatText("[%3]", {"a"}), "[]") << "an argument not given is left out";
    EXPECT_EQ(FormatText("%0 %a", {"a"}), "%0 %a");
}

TEST(FormatText, TheTemplatesTextIsConvertedAndTheArgumentsAreNot) {
    // "表" and "ソ" end in the byte of '\'; the argument is system text
    // already (UTF-8 "é" here) and must come out byte for byte.
    const std::string argument = "\xC3\xA9";
    EXPECT_EQ(FormatText("表%1ソ", {argument}),
              NativeFromCp932("表") + argument + NativeFromCp932("ソ"));
}

}  // namespace
