// UTF-8 to code page 932 through UTF-16, with the system's own tables.
#include <windows.h>

#include <string>

#include "framework/TextEncoding.h"

std::string Utf8ToCp932(std::string_view utf8) {
    if (utf8.empty()) return std::string();
    // Without MB_ERR_INVALID_CHARS a malformed byte becomes U+FFFD, which
    // code page 932 does not hold: it comes out as the default '?', as does
    // a character that only a best-fit mapping would give a look-alike.
    const int size = static_cast<int>(utf8.size());
    const int wide = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring text(static_cast<size_t>(wide), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, &text[0], wide);
    const int narrow =
        WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, text.data(), wide, nullptr, 0, "?", nullptr);
    std::string out(static_cast<size_t>(narrow), '\0');
    WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, text.data(), wide, &out[0], narrow, "?",
                        nullptr);
    return out;
}

CUtf8CharacterScope::CUtf8CharacterScope() = default;
CUtf8CharacterScope::~CUtf8CharacterScope() = default;
