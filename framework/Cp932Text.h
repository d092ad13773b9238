#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Code page 932 text, the encoding of every path and message, handled by the
// fixed rules of that code page whatever the system's own code page is.

// True when this build stores narrow literals in code page 932, as the
// product's builds do (GCC's -fexec-charset=CP932); a clang build, kept for
// its checks, stores them in UTF-8, and the texts it shows are not right.
constexpr bool kNarrowLiteralsAreCp932 = sizeof("\u30C6") == 3;  // テ: two bytes and the NUL

// Lead bytes of double-byte characters in code page 932.
constexpr bool IsCp932LeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// The length in bytes (1 or 2) of the character that starts at byte `at`
// of `text`; a lead byte with nothing after it stands alone. Walking from
// the start with it is the only way to tell a second byte from a first.
constexpr size_t Cp932CharLength(std::string_view text, size_t at) {
    return IsCp932LeadByte(static_cast<unsigned char>(text[at])) && at + 1 < text.size() ? 2 : 1;
}

// The ASCII letter in lower or upper case; every other byte as it is.
constexpr char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }
constexpr char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

// Compares byte by byte as unsigned values, the case of ASCII letters
// ignored and nothing else folded: negative, zero or positive as a sorts
// before, with or after b.
int CompareIgnoringAsciiCase(std::string_view a, std::string_view b);

// The text with its ASCII letters upper-cased; the second bytes of double-
// byte characters, which may look like letters, stay as they are.
std::string UpperCaseAscii(std::string_view text);
