#include "elevation/FieldParser.h"

namespace field_parser {
namespace {

constexpr uint32_t ClassOf(unsigned c) {
    if (c == ' ') return 0;
    if (c == '-') return 1;
    if (c >= '0' && c <= '9') return 2;
    return 3;
}

constexpr uint32_t DigitOf(unsigned c) { return c >= '0' && c <= '9' ? c - '0' : 0; }

constexpr std::array<uint32_t, 256> MakeChars() {
    std::array<uint32_t, 256> chars{};
    for (unsigned c = 0; c < 256; ++c) chars[c] = DigitOf(c) | ClassOf(c) << 16;
    return chars;
}

constexpr std::array<uint32_t, 65536> MakePairs() {
    std::array<uint32_t, 65536> pairs{};
    for (unsigned pair = 0; pair < 65536; ++pair) {
        const unsigned first = pair & 0xFF, second = pair >> 8;
        pairs[pair] =
            (DigitOf(first) * 10 + DigitOf(second)) | (ClassOf(first) | ClassOf(second) << 2) << 16;
    }
    return pairs;
}

// The usual form: blanks, at most one minus, then digits up to the end of
// the field (or nothing after the blanks and the minus, worth 0).
constexpr std::array<int8_t, 1024> MakeFormSigns() {
    std::array<int8_t, 1024> signs{};
    for (unsigned form = 0; form < 1024; ++form) {
        auto cls = [form](int k) { return (form >> (2 * k)) & 3; };
        int i = 0;
        while (i < 5 && cls(i) == 0) ++i;
        int8_t sign = 1;
        if (i < 5 && cls(i) == 1) {
            sign = -1;
            ++i;
        }
        while (i < 5 && cls(i) == 2) ++i;
        signs[form] = i == 5 ? sign : 0;
    }
    return signs;
}

}  // namespace

const std::array<uint32_t, 256> kChar = MakeChars();
const std::array<uint32_t, 65536> kPair = MakePairs();
const std::array<int8_t, 1024> kFormSign = MakeFormSigns();

}  // namespace field_parser
