#include "framework/UiLanguage.h"

#include <cstring>

#include "framework/Console.h"

bool JapaneseLocaleNamed(const char* lcAll, const char* lcMessages, const char* lang) {
    for (const char* name : {lcAll, lcMessages, lang})
        if (name != nullptr && *name != '\0') return std::strncmp(name, "ja", 2) == 0;
    return false;
}

std::string FormatText(const std::string& cp932, const std::vector<std::string>& args) {
    // Byte by byte: '%' is never the second byte of a code page 932
    // character, so no cut falls inside one.
    std::string out;
    size_t start = 0;  // of the template's text not yet converted
    const auto isNumber = [](char c) { return c >= '1' && c <= '9'; };
    for (size_t i = 0; i + 1 < cp932.size(); ++i) {
        const char next = cp932[i + 1];
        const bool plural = next == 's' && i + 2 < cp932.size() && isNumber(cp932[i + 2]);
        if (cp932[i] != '%' || (next != '%' && !isNumber(next) && !plural)) continue;
        // "%%" keeps its first '%' with the text before it.
        out += NativeFromCp932(cp932.substr(start, i - start + (next == '%' ? 1 : 0)));
        const auto number = static_cast<size_t>(cp932[i + (plural ? 2 : 1)] - '1');
        if (plural) {
            // "%sN": the plural "s" of English, unless argument N is 1.
            if (number >= args.size() || args[number] != "1") out += 's';
        } else if (next != '%' && number < args.size()) {
            out += args[number];
        }
        start = i + (plural ? 3 : 2);
        i = start - 1;
    }
    return out + NativeFromCp932(cp932.substr(start));
}

std::string InUserLanguage(const TextPair& text, const std::vector<std::string>& args) {
    static const bool japanese = UserReadsJapanese();
    return FormatText(japanese ? text.japanese : text.english, args);
}
