#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// UTF-8 text in code page 932, the encoding of every path and message. A
// character that code page 932 cannot hold, and a byte that does not belong
// to a well-formed UTF-8 sequence, become '?'; everything else is
// converted exactly, ASCII unchanged.
std::string Utf8ToCp932(std::string_view utf8);

// The length of the UTF-8 sequence that starts with this byte, as its lead
// byte says, at least 1: how much one '?' stands for when it cannot be
// converted.
inline size_t Utf8SequenceLength(unsigned char lead) {
    if (lead >= 0xF0) return 4;
    if (lead >= 0xE0) return 3;
    if (lead >= 0xC0) return 2;
    return 1;
}

// While it lives, libraries that convert names to and from the C library's
// multibyte text ("the current locale") do so in a known encoding instead of
// the process's. On POSIX this thread's LC_CTYPE becomes UTF-8 (kUtf8), or
// "C", which takes bytes as they are (kBytes); the rest of its locale is
// kept. On Windows, whose C runtime has no per-thread locale, the process's
// LC_CTYPE becomes Japanese, code page 932, in either mode: libraries then
// give names in code page 932, split multibyte names at their characters
// (not at a trail byte that equals '\\'), and, as its ANSI and OEM code
// pages are the same, libarchive passes zip names without the UTF-8 flag
// through unchanged. Restores the locale when it ends; changes nothing when
// the system lacks the locale.
class CNameTextScope {
  public:
    enum class Mode { kUtf8, kBytes };

    explicit CNameTextScope(Mode mode);
    ~CNameTextScope();
    CNameTextScope(const CNameTextScope&) = delete;
    CNameTextScope& operator=(const CNameTextScope&) = delete;

  private:
    void* m_locale = nullptr;    // the locale in force, when one was made (POSIX)
    void* m_previous = nullptr;  // the locale before: a locale_t, or the name of it (Windows)
};
