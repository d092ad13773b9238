// UTF-8 to code page 932 through UTF-16, with the system's own tables.
#include <windows.h>

#include <clocale>
#include <memory>
#include <string>

#include "framework/TextEncoding.h"

std::string Utf8ToCp932(std::string_view utf8) {
    // The system decodes one sequence at a time, so that each malformed one
    // becomes one '?' as with the POSIX backend: whole when its trail bytes
    // are there, the lone lead byte when the sequence is cut short (a
    // conversion of the whole text would give one U+FFFD for either). A
    // character beyond the BMP, which code page 932 does not hold, becomes
    // one '?' instead of one per surrogate.
    std::wstring text;
    for (size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {
            text += static_cast<wchar_t>(lead);
            ++i;
            continue;
        }
        size_t length = Utf8SequenceLength(lead);
        for (size_t k = 1; k < length; ++k) {
            if (i + k >= utf8.size() || (static_cast<unsigned char>(utf8[i + k]) & 0xC0) != 0x80)
                length = 1;
        }
        wchar_t units[2];
        const int got = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data() + i,
                                            static_cast<int>(length), units, 2);
        text += got == 1 ? units[0] : L'?';
        i += length;
    }
    if (text.empty()) return std::string();
    // Without best fit, a character that only a look-alike would stand for
    // comes out as the default '?'.
    const int wide = static_cast<int>(text.size());
    const int narrow =
        WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, text.data(), wide, nullptr, 0, "?", nullptr);
    std::string out(static_cast<size_t>(narrow), '\0');
    WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, text.data(), wide, &out[0], narrow, "?",
                        nullptr);
    return out;
}

CNameTextScope::CNameTextScope(Mode) {
    const char* previous = std::setlocale(LC_CTYPE, nullptr);
    if (previous == nullptr) return;
    // Copied before the next call overwrites it.
    auto name = std::make_unique<std::string>(previous);
    if (std::setlocale(LC_CTYPE, "Japanese_Japan.932") == nullptr) return;
    m_previous = name.release();
}

CNameTextScope::~CNameTextScope() {
    const std::unique_ptr<std::string> previous(static_cast<std::string*>(m_previous));
    if (previous) std::setlocale(LC_CTYPE, previous->c_str());
}
