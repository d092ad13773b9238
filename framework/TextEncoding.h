#pragma once

#include <string>
#include <string_view>

// UTF-8 text in code page 932, the encoding of every path and message. A
// character that code page 932 cannot hold, and a byte that does not belong
// to a well-formed UTF-8 sequence, become '?'; everything else is
// converted exactly, ASCII unchanged.
std::string Utf8ToCp932(std::string_view utf8);

// While it lives, the C library's multibyte text of this thread is UTF-8 on
// POSIX (the rest of the thread's locale kept), so that libraries which
// convert names to "the current locale" give UTF-8 whatever locale the
// process runs in. On Windows, where they follow the code page, it changes
// nothing. Restores the thread's locale when it ends.
class CUtf8CharacterScope {
  public:
    CUtf8CharacterScope();
    ~CUtf8CharacterScope();
    CUtf8CharacterScope(const CUtf8CharacterScope&) = delete;
    CUtf8CharacterScope& operator=(const CUtf8CharacterScope&) = delete;

  private:
    void* m_utf8 = nullptr;      // the locale in force, when one was made
    void* m_previous = nullptr;  // the thread's locale before
};
