#include "framework/Cp932Text.h"

int CompareIgnoringAsciiCase(std::string_view a, std::string_view b) {
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        const auto ca = static_cast<unsigned char>(AsciiLower(a[i]));
        const auto cb = static_cast<unsigned char>(AsciiLower(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

std::string UpperCaseAscii(std::string_view text) {
    std::string out(text);
    for (size_t i = 0; i < out.size(); i += Cp932CharLength(out, i)) out[i] = AsciiUpper(out[i]);
    return out;
}
