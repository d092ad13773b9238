#pragma once

#include <array>
#include <cstdint>
#include <cstring>

// Converts the 5-character fields of a mesh record quickly, with exactly the
// result of the C library's atoi on the field alone (see MeshFieldValue).
//
// Fields are nearly always blanks, an optional minus and digits to the end
// of the field. For those, a table of the five characters' classes says
// whether the form holds and which sign it has (the classes come two
// characters at a time from a table that real files touch only a little of), and the digits are turned
// into a number eight at a time with three multiplications. Any other field
// takes the plain character-by-character path.
namespace field_parser {

struct FormEntry {
    uint64_t digitBytes;  // 0xFF in each byte of the field that is a digit
    int8_t sign;          // +1 or -1; 0: not the usual form
};

extern const std::array<uint8_t, 256> kCharClass;  // 0 blank, 1 minus, 2 digit, 3 other
extern const std::array<uint8_t, 65536> kPairClass;  // two bytes (first in the low 8 bits): 4 bits
extern const std::array<FormEntry, 1024> kForms;    // by the five classes, 2 bits each

// The digits of a field (non-digit bytes already zero), first character in
// the lowest byte, as one number.
inline uint32_t DigitsToNumber(uint64_t digits) {
    uint64_t v = digits << 24;  // three leading zero digits make eight
    v = v * 10 + (v >> 8);
    v = (((v & 0x000000FF000000FFull) * (100 + (1000000ull << 32))) +
         (((v >> 16) & 0x000000FF000000FFull) * (1 + (10000ull << 32)))) >>
        32;
    return static_cast<uint32_t>(v);
}

}  // namespace field_parser

int MeshFieldValue(const char* p, size_t n);

// The value of the 5-character field at p; reads 8 bytes from p, so at least
// 3 readable bytes must follow the field.
inline int FastFieldValue(const char* p) {
    using namespace field_parser;
    uint64_t x;
    std::memcpy(&x, p, sizeof x);
    const unsigned form = kPairClass[x & 0xFFFF] | kPairClass[(x >> 16) & 0xFFFF] << 4 |
                          kCharClass[(x >> 32) & 0xFF] << 8;
    const FormEntry& entry = kForms[form];
    if (entry.sign == 0) return MeshFieldValue(p, 5);
    const uint64_t digits = (x & entry.digitBytes) - (0x3030303030303030ull & entry.digitBytes);
    return entry.sign * static_cast<int>(DigitsToNumber(digits));
}
