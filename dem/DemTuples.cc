#include "dem/DemTuples.h"

#include <algorithm>
#include <cstring>

namespace {

// The longest tuple the parser's pieces may cut and the reader joins.
constexpr size_t kMaxTuple = 1024;

inline bool IsSpace(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }
inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The value's text for a message: at most 20 bytes, printable ASCII kept.
std::string Shown(const char* p, const char* end) {
    std::string text(p, std::min<size_t>(end - p, 20));
    for (char& c : text)
        if (c < 0x20 || c > 0x7E) c = '?';
    return text;
}

// Reads a value from p to the next white space or the end: centimetres, or
// kDemNoData for -9999. Null when the text is no such value.
const char* Centimetres(const char* p, const char* end, int32_t& value) {
    const bool bNegative = p < end && *p == '-';
    if (bNegative) ++p;
    uint32_t v = 0;
    int digits = 0;
    for (; p < end && IsDigit(*p); ++p) {
        if (++digits > 7) return nullptr;
        v = v * 10 + static_cast<uint32_t>(*p - '0');
    }
    if (digits == 0) return nullptr;
    int places = 0;
    if (p < end && *p == '.') {
        for (++p; p < end && IsDigit(*p); ++p) {
            if (places < 2) {
                v = v * 10 + static_cast<uint32_t>(*p - '0');
                ++places;
            } else if (*p != '0') {
                return nullptr;
            }
        }
    }
    for (; places < 2; ++places) v *= 10;
    if (p < end && !IsSpace(*p)) return nullptr;
    if (bNegative && v == 999900) {
        value = kDemNoData;
    } else {
        value = bNegative ? -static_cast<int32_t>(v) : static_cast<int32_t>(v);
    }
    return p;
}

}  // namespace

CDemTuples::CDemTuples(std::vector<int32_t>& values, size_t limit)
    : m_values(values), m_limit(limit) {}

bool CDemTuples::ScanRaw(const char* p, const char* end) {
    m_count = 0;
    m_plainKind = nullptr;
    m_plainKindSize = 0;
    for (;;) {
        while (p < end && IsSpace(*p)) ++p;
        if (p == end) return true;
        p = Tuple(p, end, true);
        if (p == nullptr) {
            m_count = 0;
            return false;
        }
    }
}

bool CDemTuples::Feed(const char* p, const char* end) {
    if (!m_carry.empty()) {
        const char* t = p;
        while (t < end && !IsSpace(*t)) ++t;
        m_carry.append(p, t);
        if (t == end && m_carry.size() <= kMaxTuple) return true;
        if (!Finish()) return false;
        p = t;
    }
    for (;;) {
        while (p < end && IsSpace(*p)) ++p;
        if (p == end) return true;
        const char* t = p;
        while (t < end && !IsSpace(*t)) ++t;
        if (t == end) {
            m_carry.assign(p, t);
            return true;
        }
        if (Tuple(p, t, false) == nullptr) return false;
        p = t;
    }
}

bool CDemTuples::Finish() {
    if (m_carry.empty()) return true;
    if (m_carry.size() > kMaxTuple) {
        m_failure = "tuple " + std::to_string(m_count + 1) + " is longer than " +
                    std::to_string(kMaxTuple) + " bytes";
        return false;
    }
    const bool bRead = Tuple(m_carry.data(), m_carry.data() + m_carry.size(), false) != nullptr;
    m_carry.clear();
    return bRead;
}

// Reads the tuple at p (not white space) and returns where it ends; null when
// it does not read, with the failure set unless reading the raw text.
const char* CDemTuples::Tuple(const char* p, const char* end, bool bRaw) {
    // Most tuples repeat the last plain kind: its bytes and a comma are the
    // kind the scan below would find, without looking for the comma.
    const size_t kindSize = m_plainKindSize;
    if (bRaw && m_plainKind != nullptr && static_cast<size_t>(end - p) > kindSize &&
        p[kindSize] == ',' && std::memcmp(p, m_plainKind, kindSize) == 0) {
        int32_t value;
        const char* next = Centimetres(p + kindSize + 1, end, value);
        return next != nullptr && Store(value, true) ? next : nullptr;
    }
    const char* comma = p;
    while (comma < end && *comma != ',' && !IsSpace(*comma)) ++comma;
    if (comma == end || *comma != ',') {
        if (!bRaw) m_failure = "tuple " + std::to_string(m_count + 1) + " has no comma";
        return nullptr;
    }
    if (bRaw && !PlainKind(p, comma)) return nullptr;
    int32_t value;
    const char* next = Centimetres(comma + 1, end, value);
    if (next == nullptr) {
        if (!bRaw) {
            const char* t = comma + 1;
            while (t < end && !IsSpace(*t)) ++t;
            m_failure = "tuple " + std::to_string(m_count + 1) + ": \"" + Shown(comma + 1, t) +
                        "\" is not a height of at most two decimals";
        }
        return nullptr;
    }
    return Store(value, bRaw) ? next : nullptr;
}

bool CDemTuples::Store(int32_t value, bool bRaw) {
    if (m_count == m_values.size()) {
        if (m_count >= m_limit) {
            if (!bRaw)
                m_failure = "more tuples than the grid's " + std::to_string(m_limit) + " cells";
            return false;
        }
        m_values.resize(std::min(m_limit, std::max<size_t>(4096, 2 * m_count)));
    }
    m_values[m_count++] = value;
    return true;
}

// True when the kind's bytes mean the same to the XML parser as they are:
// printable ASCII but for '&', '<' and ']', and UTF-8 sequences of two or
// three bytes that encode characters XML allows. Anything else (fourth-byte
// forms included) is left to the parser.
bool CDemTuples::PlainKind(const char* p, const char* end) {
    const size_t size = static_cast<size_t>(end - p);
    if (size == m_plainKindSize && m_plainKind != nullptr && std::memcmp(p, m_plainKind, size) == 0)
        return true;
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    const auto* e = reinterpret_cast<const unsigned char*>(end);
    while (b < e) {
        const unsigned char c = *b;
        if (c < 0x80) {
            if (c < 0x21 || c > 0x7E || c == '&' || c == '<' || c == ']') return false;
            ++b;
        } else if (c >= 0xC2 && c <= 0xDF) {
            if (e - b < 2 || (b[1] & 0xC0) != 0x80) return false;
            b += 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            if (e - b < 3 || (b[1] & 0xC0) != 0x80 || (b[2] & 0xC0) != 0x80) return false;
            if (c == 0xE0 && b[1] < 0xA0) return false;                   // overlong
            if (c == 0xED && b[1] >= 0xA0) return false;                  // surrogates
            if (c == 0xEF && b[1] == 0xBF && b[2] >= 0xBE) return false;  // U+FFFE, U+FFFF
            b += 3;
        } else {
            return false;
        }
    }
    m_plainKind = p;
    m_plainKindSize = size;
    return true;
}
