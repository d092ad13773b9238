#include "elevation/RecordParser.h"

#include <array>

#include "elevation/FieldParser.h"
#include "elevation/MeshGrid.h"
#include "elevation/MeshReader.h"

#if defined(__x86_64__) || defined(__i386__)
#include <tmmintrin.h>
#define ZELVORIN_HAVE_SSSE3_PATH 1
#endif

namespace {

constexpr size_t kFieldWidth = 5;

// Fields [from, kMeshSide) one by one; the fast conversion needs three bytes
// beyond its field, which the last field may not have.
void ConvertTail(const char* fields, size_t available, int16_t* out, int from) {
    for (int j = from; j < kMeshSide; ++j) {
        const char* field = fields + j * kFieldWidth;
        const bool roomy = static_cast<size_t>(j) * kFieldWidth + 8 <= available;
        out[j] = TenthsToMetres(roomy ? FastFieldValue(field) : MeshFieldValue(field, kFieldWidth));
    }
}

#ifdef ZELVORIN_HAVE_SSSE3_PATH

// By the digit and blank bits of a field's five characters (digits in the
// low five bits, blanks above): the bit of the one minus that the usual form
// allows (0 when it has none), or 0xFF when the form does not hold.
constexpr std::array<uint8_t, 1024> MakeMinusBits() {
    std::array<uint8_t, 1024> table{};
    for (unsigned key = 0; key < 1024; ++key) {
        const unsigned digits = key & 31, blanks = key >> 5;
        unsigned i = 0;
        while (i < 5 && (blanks >> i & 1)) ++i;
        unsigned minus = 0;
        if (i < 5 && !(digits >> i & 1) && !(blanks >> i & 1)) minus = 1u << i++;
        while (i < 5 && (digits >> i & 1)) ++i;
        const bool usual = i == 5 && (digits & blanks) == 0;
        table[key] = usual ? static_cast<uint8_t>(minus) : 0xFF;
    }
    return table;
}
constexpr std::array<uint8_t, 1024> kMinusBits = MakeMinusBits();

__attribute__((target("ssse3"))) int ConvertPairs(const char* fields, size_t available, int16_t* out) {
    const __m128i zero = _mm_set1_epi8('0');
    const __m128i nine = _mm_set1_epi8(9);
    const __m128i blank = _mm_set1_epi8(' ');
    const __m128i minus = _mm_set1_epi8('-');
    // Each field's five digits to the last five bytes of an 8-byte group.
    const __m128i spread = _mm_setr_epi8(-1, -1, -1, 0, 1, 2, 3, 4, -1, -1, -1, 5, 6, 7, 8, 9);
    const __m128i tensOnes = _mm_setr_epi8(10, 1, 10, 1, 10, 1, 10, 1, 10, 1, 10, 1, 10, 1, 10, 1);
    const __m128i hundreds = _mm_setr_epi16(100, 1, 100, 1, 100, 1, 100, 1);
    const __m128i tenThousands = _mm_setr_epi16(10000, 1, 10000, 1, 10000, 1, 10000, 1);

    int j = 0;
    for (; j + 1 < kMeshSide && static_cast<size_t>(j) * kFieldWidth + 16 <= available; j += 2) {
        const char* p = fields + j * kFieldWidth;
        const __m128i text = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i values = _mm_sub_epi8(text, zero);
        const __m128i isDigit = _mm_cmpeq_epi8(_mm_min_epu8(values, nine), values);
        const unsigned digitBits = static_cast<unsigned>(_mm_movemask_epi8(isDigit));
        const unsigned blankBits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(text, blank)));
        const unsigned minusBits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(text, minus)));

        __m128i n = _mm_shuffle_epi8(_mm_and_si128(values, isDigit), spread);
        n = _mm_maddubs_epi16(n, tensOnes);
        n = _mm_madd_epi16(n, hundreds);
        n = _mm_packs_epi32(n, n);
        n = _mm_madd_epi16(n, tenThousands);
        const int numbers[2] = {_mm_cvtsi128_si32(n), _mm_cvtsi128_si32(_mm_srli_si128(n, 4))};

        for (int k = 0; k < 2; ++k) {
            const unsigned shift = 5 * static_cast<unsigned>(k);
            const unsigned d = digitBits >> shift & 31, b = blankBits >> shift & 31, m = minusBits >> shift & 31;
            const uint8_t expected = kMinusBits[d | b << 5];
            int value;
            if (expected == m) {
                value = m != 0 ? -numbers[k] : numbers[k];
            } else {
                value = MeshFieldValue(p + shift, kFieldWidth);
            }
            out[j + k] = TenthsToMetres(value);
        }
    }
    return j;
}

bool HasSsse3() {
    static const bool has = __builtin_cpu_supports("ssse3");
    return has;
}

#endif

}  // namespace

void ConvertRecordFields(const char* fields, size_t available, int16_t* out) {
    int done = 0;
#ifdef ZELVORIN_HAVE_SSSE3_PATH
    if (HasSsse3()) done = ConvertPairs(fields, available, out);
#endif
    ConvertTail(fields, available, out, done);
}
