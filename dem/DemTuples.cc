#include "dem/DemTuples.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "dem/DemTexts.h"
#include "framework/LittleEndian.h"

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

// The value of v centimetres with its sign; -9999 m with any decimals is
// no data.
inline const char* Signed(uint32_t v, bool bNegative, int32_t& value, const char* next) {
    if (bNegative && v >= 999900 && v <= 999999) {
        value = kDemNoData;
    } else {
        value = bNegative ? -static_cast<int32_t>(v) : static_cast<int32_t>(v);
    }
    return next;
}

// Heights no survey of Japan holds, in centimetres: above 4,000 m, or at or
// below -1,000 m (no data aside). A file that holds one is damaged: one such
// point would move a 50 m cell's mean by metres.
constexpr int32_t kHighest = 400000, kLowest = -100000;
inline bool Possible(int32_t value) {
    return value == kDemNoData || (value > kLowest && value <= kHighest);
}

// The kinds of tuple the survey's files use, in UTF-8.
bool IsKnownKind(const char* p, const char* end) {
    static const char* const kKinds[] = {u8"地表面",   u8"表層面", u8"海水面",    u8"内水面",
                                         u8"海水底面", u8"その他", u8"データなし"};
    const auto size = static_cast<size_t>(end - p);
    for (const char* kind : kKinds)
        if (std::strlen(kind) == size && std::memcmp(kind, p, size) == 0) return true;
    return false;
}

// Notes the kind from p to end when it is the first unknown one.
void NoteKind(const char* p, const char* end, std::string* unknown) {
    if (unknown->empty() && !IsKnownKind(p, end)) unknown->assign(p, end);
}

// A kind that is a number: what a tuple without its kind, or with a comma
// for a decimal point ("12,5"), looks like.
bool IsNumber(const char* p, const char* end) {
    for (; p < end; ++p)
        if (!IsDigit(*p) && *p != '.' && *p != '-' && *p != '+') return false;
    return true;
}

constexpr uint64_t kEachByte = 0x0101010101010101u;

inline uint64_t EightBytes(const char* p) { return GetLE64(reinterpret_cast<const uint8_t*>(p)); }

// The forms nearly every value has, one to four digits (heights in Japan
// stay below 10,000 m), a point, two digits or none, and white space, read
// from the eight bytes at p in one 64-bit word instead of digit by digit:
// values of different lengths then cost no mispredicted branch, and no byte
// is read twice. False, with nothing read, for any other form.
inline bool TwoDecimals(const char* p, uint32_t& v, const char*& next) {
    const uint64_t w = EightBytes(p);
    const uint64_t low = w & (0x0F * kEachByte);
    // A byte is a digit when its high half is 3 and its low half at most 9
    // (adding 6 carries into bit 4 exactly when it is more).
    const uint64_t odd = ((w & (0xF0 * kEachByte)) ^ (0x30 * kEachByte)) |
                         ((low + 0x06 * kEachByte) & (0x10 * kEachByte));
    const uint64_t notDigit =
        (((odd & (0x7F * kEachByte)) + 0x7F * kEachByte) | odd) & (0x80 * kEachByte);
    if (notDigit == 0) return false;
    const int whole = __builtin_ctzll(notDigit) / 8;
    if (whole == 0 || whole > 4 || ((w >> (8 * whole)) & 0xFF) != '.') return false;
    // Two decimals, or none as in the survey's "-9999." for no data.
    const bool bDecimals = ((notDigit >> (8 * whole + 8)) & 0x8080) == 0;
    const int length = bDecimals ? whole + 3 : whole + 1;  // at most 7
    if (!IsSpace(static_cast<char>(w >> (8 * length)))) return false;
    next = p + length;
    const uint64_t decimals = bDecimals ? (low >> (8 * whole + 8)) & 0xFFFF : 0;
    // The digits without the point, the last in the lowest byte's place of
    // an eight-digit number, then summed in pairs, fours and eights.
    uint64_t digits = (low & ((uint64_t{1} << (8 * whole)) - 1)) | decimals << (8 * whole);
    digits <<= 8 * (6 - whole);
    digits = digits * 10 + (digits >> 8);
    constexpr uint64_t kPairs = 0x000000FF000000FFu;
    digits = ((digits & kPairs) * (100 + (uint64_t{1000000} << 32)) +
              ((digits >> 16) & kPairs) * (1 + (uint64_t{10000} << 32))) >>
             32;
    v = static_cast<uint32_t>(digits);
    return true;
}

// Reads a value from p to the next white space or the end: centimetres, or
// kDemNoData for -9999. Null when the text is no such value.
const char* Centimetres(const char* p, const char* end, int32_t& value) {
    const bool bNegative = p < end && *p == '-';
    if (bNegative) ++p;
    uint32_t v = 0;
    const char* next = nullptr;
    if (end - p >= 8 && TwoDecimals(p, v, next)) return Signed(v, bNegative, value, next);
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
    return Signed(v, bNegative, value, p);
}

// True when the kind's bytes mean the same to the XML parser as they are:
// printable ASCII but for '&', '<' and ']', and UTF-8 sequences of two or
// three bytes that encode characters XML allows. Anything else (fourth-byte
// forms included) is left to the parser.
bool IsPlainKind(const char* p, const char* end) {
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
    return true;
}

// How reading a tuple of a stretch went.
enum class RawStep { kRead, kEnd, kMarkup, kRefused };

// A stretch of a tuple list read straight from the bytes, tuple by tuple,
// its values stored kStride apart from out: upward from the first cell, or
// downward from the last. Where a tuple ends is known only once its value
// is read, so one stretch keeps the processor waiting on each tuple in
// turn; a list is read as two stretches in one loop, which gives it
// independent work, both into the same cells.
template <int kStride>
class CRawLane {
  public:
    // Where a stretch is and how many values it has read: the caller keeps
    // it, so that the compiler holds it in registers from tuple to tuple.
    struct Cursor {
        const char* p;
        size_t count;
    };

    CRawLane(const char* end, int32_t* out, size_t room, std::string* unknownKind)
        : m_end(end), m_out(out), m_room(room), m_unknownKind(unknownKind) {}

    // Reads the next tuple: the last kind again with a value of the common
    // form in a few instructions, anything else by Slow.
    RawStep Next(Cursor& at) {
        const char* p = at.p;
        while (p < m_end && IsSpace(*p)) ++p;
        at.p = p;
        if (p == m_end) return RawStep::kEnd;
        const size_t kindSize = m_quickSize;
        if (static_cast<size_t>(m_end - p) > kindSize + 10 && p[kindSize] == ',' &&
            EightBytes(p) == m_kindHead && EightBytes(p + kindSize - 8) == m_kindTail &&
            at.count < m_room) {
            const char* value = p + kindSize + 1;
            const bool bNegative = *value == '-';
            uint32_t v;
            const char* next;
            if (TwoDecimals(value + bNegative, v, next)) {
                int32_t& cell = Cell(at.count);
                Signed(v, bNegative, cell, next);
                // An impossible height is told by the parser's reading.
                if (!Possible(cell)) return RawStep::kRefused;
                ++at.count;
                at.p = next;
                return RawStep::kRead;
            }
        }
        const SlowRead read = Slow(at);
        at = read.at;
        return read.step;
    }

  private:
    struct SlowRead {
        Cursor at;
        RawStep step;
    };
    SlowRead Slow(Cursor at);
    int32_t& Cell(size_t count) const { return m_out[kStride * static_cast<ptrdiff_t>(count)]; }

    const char* m_end;
    int32_t* m_out;
    size_t m_room;               // the values it may store
    std::string* m_unknownKind;  // the first kind the survey never uses
    // The kind last found plain: runs of one kind are checked once. The
    // quick look above takes kinds of 8 to 16 bytes, as the survey's are,
    // by their first and last eight.
    const char* m_kind = nullptr;
    size_t m_kindSize = 0;
    uint64_t m_kindHead = 0, m_kindTail = 0;
    size_t m_quickSize = SIZE_MAX / 2;  // m_kindSize when the quick look takes the kind
};

template <int kStride>
typename CRawLane<kStride>::SlowRead CRawLane<kStride>::Slow(Cursor at) {
    const char* p = at.p;
    if (*p == '<') return {at, RawStep::kMarkup};
    const char* comma = p;
    while (comma < m_end && *comma != ',' && !IsSpace(*comma)) ++comma;
    if (comma == m_end || *comma != ',') return {at, RawStep::kRefused};
    const size_t kindSize = static_cast<size_t>(comma - p);
    if (m_kind == nullptr || kindSize != m_kindSize || std::memcmp(p, m_kind, kindSize) != 0) {
        if (!IsPlainKind(p, comma) || IsNumber(p, comma)) return {at, RawStep::kRefused};
        NoteKind(p, comma, m_unknownKind);
        m_kind = p;
        m_kindSize = kindSize;
        const bool bQuick = kindSize >= 8 && kindSize <= 16;
        m_quickSize = bQuick ? kindSize : SIZE_MAX / 2;
        m_kindHead = bQuick ? EightBytes(p) : 0;
        m_kindTail = bQuick ? EightBytes(comma - 8) : 0;
    }
    int32_t value;
    const char* next = Centimetres(comma + 1, m_end, value);
    if (next == nullptr || at.count == m_room || !Possible(value)) return {at, RawStep::kRefused};
    Cell(at.count++) = value;
    return {{next, at.count}, RawStep::kRead};
}

}  // namespace

CDemTuples::CDemTuples(std::vector<int32_t>& values, size_t limit)
    : m_values(values), m_limit(limit) {}

const char* CDemTuples::ScanRaw(const char* p, const char* end) {
    m_count = 0;
    m_unknownKind.clear();
    if (m_limit == 0) return nullptr;  // the parser says what is wrong
    if (m_values.size() < m_limit) m_values.resize(m_limit);
    // Tuples are apart by white space: the text is cut at the first after
    // its middle. The first stretch's values go up from the first cell, the
    // second's down from the last, and are turned round after the first's
    // once both are read: no room is needed beside the grid's. They meet
    // only when there are more tuples than cells, which is refused. When the
    // list ends before the cut, the second stretch reads markup and what it
    // read is not looked at.
    const char* cut = p + (end - p) / 2;
    while (cut < end && !IsSpace(*cut)) ++cut;
    int32_t* values = m_values.data();
    // The second stretch's unknown kind counts only where the first found none.
    std::string laterUnknown;
    CRawLane<1> first(cut, values, m_limit, &m_unknownKind);
    CRawLane<-1> second(end, values + m_limit - 1, m_limit, &laterUnknown);
    CRawLane<1>::Cursor one{p, 0};
    CRawLane<-1>::Cursor two{cut, 0};
    RawStep a, b;
    do {
        a = first.Next(one);
        b = second.Next(two);
    } while (a == RawStep::kRead && b == RawStep::kRead);
    while (a == RawStep::kRead) a = first.Next(one);
    if (a == RawStep::kEnd)
        while (b == RawStep::kRead) b = second.Next(two);
    // Refused, the parser reads the list again and finds its kinds itself.
    if (a == RawStep::kRefused || one.count + two.count > m_limit) {
        m_unknownKind.clear();
        return nullptr;
    }
    if (a == RawStep::kMarkup) {
        m_count = one.count;
        return one.p;
    }
    if (b == RawStep::kRefused) {
        m_unknownKind.clear();
        return nullptr;
    }
    if (m_unknownKind.empty()) m_unknownKind = std::move(laterUnknown);
    int32_t* later = values + m_limit - two.count;
    std::reverse(later, values + m_limit);
    std::memmove(values + one.count, later, two.count * sizeof(int32_t));
    m_count = one.count + two.count;
    return two.p;
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
        if (!Tuple(p, t)) return false;
        p = t;
    }
}

bool CDemTuples::Finish() {
    if (m_carry.empty()) return true;
    if (m_carry.size() > kMaxTuple) {
        m_failure = SayDem(DemText::kTupleTooLong,
                           {std::to_string(m_count + 1), std::to_string(kMaxTuple)});
        return false;
    }
    const bool bRead = Tuple(m_carry.data(), m_carry.data() + m_carry.size());
    m_carry.clear();
    return bRead;
}

// Reads the tuple from p (not white space) to end; false, with the failure
// set, when it does not read.
bool CDemTuples::Tuple(const char* p, const char* end) {
    const char* comma = p;
    while (comma < end && *comma != ',' && !IsSpace(*comma)) ++comma;
    if (comma == end || *comma != ',') {
        m_failure = SayDem(DemText::kTupleNoComma, {std::to_string(m_count + 1)});
        return false;
    }
    const std::string tuple = std::to_string(m_count + 1);
    if (IsNumber(p, comma)) {
        m_failure = p == comma ? SayDem(DemText::kTupleNoKind, {tuple})
                               : SayDem(DemText::kTupleKindNumber, {tuple, Shown(p, comma)});
        return false;
    }
    NoteKind(p, comma, &m_unknownKind);
    int32_t value;
    if (Centimetres(comma + 1, end, value) == nullptr) {
        m_failure = SayDem(DemText::kTupleNotHeight, {tuple, Shown(comma + 1, end)});
        return false;
    }
    if (!Possible(value)) {
        m_failure = SayDem(DemText::kTupleImpossible, {tuple, Shown(comma + 1, end)});
        return false;
    }
    if (m_count == m_values.size()) {
        if (m_count >= m_limit) {
            m_failure = SayDem(DemText::kTooManyTuples, {std::to_string(m_limit)});
            return false;
        }
        m_values.resize(std::min(m_limit, std::max<size_t>(4096, 2 * m_count)));
    }
    m_values[m_count++] = value;
    return true;
}
