#include "elevation/FieldParser.h"

namespace field_parser {
namespace {

constexpr std::array<uint8_t, 256> MakeClasses() {
    std::array<uint8_t, 256> classes{};
    for (int c = 0; c < 256; ++c) classes[c] = 3;
    classes[' '] = 0;
    classes['-'] = 1;
    for (int c = '0'; c <= '9'; ++c) classes[c] = 2;
    return classes;
}

constexpr std::array<uint8_t, 65536> MakePairs(const std::array<uint8_t, 256>& classes) {
    std::array<uint8_t, 65536> pairs{};
    for (unsigned pair = 0; pair < 65536; ++pair)
        pairs[pair] = static_cast<uint8_t>(classes[pair & 0xFF] | classes[pair >> 8] << 2);
    return pairs;
}

// The usual form: blanks, at most one minus, then digits up to the end of
// the field (or nothing after the blanks and the minus, worth 0).
constexpr std::array<FormEntry, 1024> MakeForms() {
    std::array<FormEntry, 1024> forms{};
    for (unsigned form = 0; form < 1024; ++form) {
        auto cls = [form](int k) { return (form >> (2 * k)) & 3; };
        int i = 0;
        while (i < 5 && cls(i) == 0) ++i;
        int8_t sign = 1;
        if (i < 5 && cls(i) == 1) {
            sign = -1;
            ++i;
        }
        uint64_t digits = 0;
        bool usual = true;
        for (int k = i; k < 5; ++k) {
            if (cls(k) != 2) usual = false;
            digits |= 0xFFull << (8 * k);
        }
        forms[form] = usual ? FormEntry{digits, sign} : FormEntry{0, 0};
    }
    return forms;
}

}  // namespace

const std::array<uint8_t, 256> kCharClass = MakeClasses();
const std::array<uint8_t, 65536> kPairClass = MakePairs(MakeClasses());
const std::array<FormEntry, 1024> kForms = MakeForms();

}  // namespace field_parser
