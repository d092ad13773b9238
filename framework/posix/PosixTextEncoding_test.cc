#include <gtest/gtest.h>

#include <clocale>
#include <cwchar>

#include "framework/TextEncoding.h"

namespace {

// "テ" in UTF-8; in escapes, as narrow literals are compiled to code page 932.
const char kUtf8[] = "\xE3\x83\x86";

size_t MultibyteLength(const char* text, size_t size, wchar_t& wide) {
    std::mbstate_t state{};
    return std::mbrtowc(&wide, text, size, &state);
}

TEST(NameTextScopeTest, MultibyteTextIsUtf8InsideAndAsBeforeAfter) {
    ASSERT_NE(std::setlocale(LC_ALL, "C"), nullptr);
    wchar_t wide = 0;
    {
        const CNameTextScope scope(CNameTextScope::Mode::kUtf8);
        EXPECT_EQ(MultibyteLength(kUtf8, 3, wide), 3u);
        EXPECT_EQ(wide, L'\x30C6');
    }
    EXPECT_EQ(MultibyteLength(kUtf8, 3, wide), static_cast<size_t>(-1));
}

TEST(NameTextScopeTest, BytesModeIsTheCLocaleWhateverTheProcessUses) {
    ASSERT_NE(std::setlocale(LC_ALL, "C.UTF-8"), nullptr);
    wchar_t wide = 0;
    {
        const CNameTextScope scope(CNameTextScope::Mode::kBytes);
        EXPECT_EQ(MultibyteLength(kUtf8, 3, wide), static_cast<size_t>(-1));
    }
    EXPECT_EQ(MultibyteLength(kUtf8, 3, wide), 3u);
    std::setlocale(LC_ALL, "C");
}

}  // namespace
