#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <cwchar>

#include "framework/TextEncoding.h"

namespace {

// "ソ" in code page 932, whose trail byte is a backslash.
const char kSo[] = "\x83\x5C";

TEST(NameTextScopeTest, MultibyteTextIsCodePage932InsideInEitherModeAndAsBeforeAfter) {
    for (const auto mode : {CNameTextScope::Mode::kUtf8, CNameTextScope::Mode::kBytes}) {
        ASSERT_NE(std::setlocale(LC_ALL, "English_United States.1252"), nullptr);
        wchar_t wide[3] = {};
        {
            const CNameTextScope scope(mode);
            EXPECT_STREQ(std::setlocale(LC_CTYPE, nullptr), "Japanese_Japan.932");
            EXPECT_EQ(std::mbstowcs(wide, kSo, 3), 1u);
            EXPECT_EQ(wide[0], L'\x30BD');
        }
        EXPECT_STREQ(std::setlocale(LC_CTYPE, nullptr), "English_United States.1252");
        // Byte by byte again: the trail byte is a backslash.
        EXPECT_EQ(std::mbstowcs(wide, kSo, 3), 2u);
        EXPECT_EQ(wide[1], L'\\');
    }
    std::setlocale(LC_ALL, "C");
}

}  // namespace
