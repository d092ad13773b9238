#pragma once

#include <array>
#include <cstdint>
#include <cstring>

#include "elevation/MeshReader.h"

// Converts the 5-character fields of a mesh record quickly, with exactly the
// result of the C library's atoi on the field alone (see MeshFieldValue).
//
// Fields are nearly always blanks, an optional minus and digits to the end
// of the field. In that form a blank or minus can stand only before the
// digits, so reading it as a zero digit changes nothing: the field is worth
// (first two characters) x 1000 + (next two) x 10 + (last), each part
// looked up in a table together with the classes of its characters. The
// classes say whether the form holds and which sign it has; any other field
// takes the plain character-by-character path.
namespace field_parser {

// Table entries: the characters' number in the low 16 bits (non-digits as
// 0), their classes above (2 bits a character: 0 blank, 1 minus, 2 digit,
// 3 other; the first character lowest).
extern const std::array<uint32_t, 256> kChar;
extern const std::array<uint32_t, 65536> kPair;
// By the five characters' classes: +1 or -1 for the usual form, 0 otherwise.
extern const std::array<int8_t, 1024> kFormSign;

}  // namespace field_parser

// The value of the 5-character field at p; reads 8 bytes from p, so at least
// 3 readable bytes must follow the field.
inline int FastFieldValue(const char* p) {
    using namespace field_parser;
    uint64_t x;
    std::memcpy(&x, p, sizeof x);
    const uint32_t a = kPair[x & 0xFFFF];
    const uint32_t b = kPair[(x >> 16) & 0xFFFF];
    const uint32_t c = kChar[(x >> 32) & 0xFF];
    const int sign = kFormSign[(a >> 16) | (b >> 16) << 4 | (c >> 16) << 8];
    if (sign == 0) return MeshFieldValue(p, 5);
    return sign * static_cast<int>((a & 0xFFFF) * 1000 + (b & 0xFFFF) * 10 + (c & 0xFFFF));
}
