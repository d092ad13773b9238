#include "elevation/RecordParser.h"

#include <algorithm>

#include "elevation/FieldParser.h"
#include "elevation/MeshGrid.h"
#include "elevation/MeshReader.h"
#include "elevation/VectorPath.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
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

// Digits, blanks and minus signs of 16 characters, and the numbers of the
// two fields at their start (as if blanks and minus signs were zeros), as
// 32-bit pairs of (first digit, last four digits).
struct PairScan {
    unsigned digitBits, blankBits, minusBits;
    __m128i halves;
    __m128i minusSums;  // per field (64-bit lanes): non-zero when it holds a minus
};

__attribute__((target("ssse3"))) inline PairScan ScanPair(const char* p) {
    const __m128i text = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i values = _mm_sub_epi8(text, _mm_set1_epi8('0'));
    const __m128i isDigit = _mm_cmpeq_epi8(_mm_min_epu8(values, _mm_set1_epi8(9)), values);
    // Each field's five digits to the last five bytes of an 8-byte group.
    const __m128i spread = _mm_setr_epi8(-1, -1, -1, 0, 1, 2, 3, 4, -1, -1, -1, 5, 6, 7, 8, 9);
    __m128i n = _mm_shuffle_epi8(_mm_and_si128(values, isDigit), spread);
    n = _mm_maddubs_epi16(n, _mm_setr_epi8(10, 1, 10, 1, 10, 1, 10, 1, 10, 1, 10, 1, 10, 1, 10, 1));
    n = _mm_madd_epi16(n, _mm_setr_epi16(100, 1, 100, 1, 100, 1, 100, 1));
    const __m128i minus = _mm_cmpeq_epi8(text, _mm_set1_epi8('-'));
    return {static_cast<unsigned>(_mm_movemask_epi8(isDigit)),
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(text, _mm_set1_epi8(' ')))),
            static_cast<unsigned>(_mm_movemask_epi8(minus)), n,
            _mm_sad_epu8(_mm_shuffle_epi8(minus, spread), _mm_setzero_si128())};
}

// Which fields are not in the usual form (bit k: field k), given the
// character classes of 16-character scans of two fields each, the scans in
// 16-bit steps (a 32-bit mask: four fields; 64-bit: eight). A field is in
// it when each character is a blank, a minus or a digit, no character
// follows a digit but a digit, no blank follows anything but a blank, and no
// minus follows a minus: that leaves blanks, at most one minus, then digits
// to the end of the field.
template <typename Bits>
inline unsigned UnusualFields(Bits d, Bits b, Bits m) {
    // The ten characters of a scan's two fields, and those a character of
    // the same field follows.
    constexpr auto kFields = static_cast<Bits>(0x03FF03FF03FF03FFull);
    constexpr auto kFollowed = static_cast<Bits>(0x01EF01EF01EF01EFull);
    const Bits bad = (~(d | b | m) & kFields) | (d & ~(d >> 1) & kFollowed) |
                     ((b >> 1) & ~b & kFollowed) | (m & (m >> 1) & kFollowed);
    if (bad == 0) return 0;
    unsigned fields = 0;
    for (unsigned k = 0; k < sizeof(Bits) / 2 * 2; ++k)
        if (bad >> (16 * (k / 2) + 5 * (k % 2)) & 31) fields |= 1u << k;
    return fields;
}

// Four fields at a time: two 16-byte loads, the numbers and their signs in
// one register, and (v + 5) / 10 by a multiplication in double precision,
// which truncates exactly here (a quotient that is whole comes out whole,
// any other lies at least a tenth from the next whole number). A field not
// in the usual form is redone one by one afterwards.
__attribute__((target("ssse3"))) int ConvertQuads(const char* fields, size_t available,
                                                  int16_t* out, int j) {
    for (; j + 3 < kMeshSide && static_cast<size_t>(j) * kFieldWidth + 26 <= available; j += 4) {
        const char* p = fields + j * kFieldWidth;
        const PairScan a = ScanPair(p);
        const PairScan b = ScanPair(p + 2 * kFieldWidth);
        const __m128i numbers =
            _mm_madd_epi16(_mm_packs_epi32(a.halves, b.halves),
                           _mm_setr_epi16(10000, 1, 10000, 1, 10000, 1, 10000, 1));

        const unsigned unusual =
            UnusualFields(a.digitBits | b.digitBits << 16, a.blankBits | b.blankBits << 16,
                          a.minusBits | b.minusBits << 16);
        // -1 in the lane of each field that holds a minus.
        const __m128i sums = _mm_unpacklo_epi64(_mm_shuffle_epi32(a.minusSums, 0x08),
                                                _mm_shuffle_epi32(b.minusSums, 0x08));
        const __m128i sign = _mm_cmpgt_epi32(sums, _mm_setzero_si128());
        const __m128i shifted =
            _mm_add_epi32(_mm_sub_epi32(_mm_xor_si128(numbers, sign), sign), _mm_set1_epi32(5));
        const __m128d tenth = _mm_set1_pd(0.1);
        const __m128i low = _mm_cvttpd_epi32(_mm_mul_pd(_mm_cvtepi32_pd(shifted), tenth));
        const __m128i high =
            _mm_cvttpd_epi32(_mm_mul_pd(_mm_cvtepi32_pd(_mm_srli_si128(shifted, 8)), tenth));
        const __m128i metres = _mm_unpacklo_epi64(low, high);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + j), _mm_packs_epi32(metres, metres));

        for (unsigned k = 0, rest = unusual; rest != 0; ++k, rest >>= 1)
            if (rest & 1)
                out[j + k] = TenthsToMetres(MeshFieldValue(p + k * kFieldWidth, kFieldWidth));
    }
    return j;
}

// The same scan over four fields: the two pairs at p and p + 10 in the two
// 128-bit halves, so the character classes come out as UnusualFields takes
// them (the second pair's in the upper 16 bits).
struct QuadScan {
    unsigned digitBits, blankBits, minusBits;
    __m256i halves;     // (first digit, last four digits) of fields 0, 1 | 2, 3
    __m128i minusSums;  // per field (32-bit lanes): non-zero when it holds a minus
};

__attribute__((target("avx2"))) inline QuadScan ScanQuad(const char* p) {
    const __m256i text = _mm256_inserti128_si256(
        _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 2 * kFieldWidth)), 1);
    const __m256i values = _mm256_sub_epi8(text, _mm256_set1_epi8('0'));
    const __m256i isDigit = _mm256_cmpeq_epi8(_mm256_min_epu8(values, _mm256_set1_epi8(9)), values);
    const __m256i spread = _mm256_setr_epi8(-1, -1, -1, 0, 1, 2, 3, 4, -1, -1, -1, 5, 6, 7, 8, 9,
                                            -1, -1, -1, 0, 1, 2, 3, 4, -1, -1, -1, 5, 6, 7, 8, 9);
    __m256i n = _mm256_shuffle_epi8(_mm256_and_si256(values, isDigit), spread);
    n = _mm256_maddubs_epi16(
        n, _mm256_setr_epi8(10, 1, 10, 1, 10, 1, 10, 1, 10, 1, 10, 1, 10, 1, 10, 1, 10, 1, 10, 1,
                            10, 1, 10, 1, 10, 1, 10, 1, 10, 1, 10, 1));
    n = _mm256_madd_epi16(
        n, _mm256_setr_epi16(100, 1, 100, 1, 100, 1, 100, 1, 100, 1, 100, 1, 100, 1, 100, 1));
    const __m256i minus = _mm256_cmpeq_epi8(text, _mm256_set1_epi8('-'));
    // The sums of the four 64-bit lanes sit in their low 32 bits: gather
    // those into one 128-bit register, fields 0 to 3.
    const __m256i sums =
        _mm256_sad_epu8(_mm256_shuffle_epi8(minus, spread), _mm256_setzero_si256());
    const __m256i low =
        _mm256_permutevar8x32_epi32(sums, _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6));
    return {
        static_cast<unsigned>(_mm256_movemask_epi8(isDigit)),
        static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(text, _mm256_set1_epi8(' ')))),
        static_cast<unsigned>(_mm256_movemask_epi8(minus)), n, _mm256_castsi256_si128(low)};
}

// Eight fields at a time with AVX2, as ConvertQuads does four: the numbers
// of the eight fields in one register, signs applied, and the division by
// ten by a multiplication in single precision. Returns the first field not
// done.
__attribute__((target("avx2"))) int ConvertOctets(const char* fields, size_t available,
                                                  int16_t* out) {
    int j = 0;
    for (; j + 7 < kMeshSide && static_cast<size_t>(j) * kFieldWidth + 46 <= available; j += 8) {
        const char* p = fields + j * kFieldWidth;
        const QuadScan a = ScanQuad(p);
        const QuadScan b = ScanQuad(p + 4 * kFieldWidth);
        // The pack works in 128-bit halves: fields 0, 1, 4, 5 | 2, 3, 6, 7.
        const __m256i mixed =
            _mm256_madd_epi16(_mm256_packs_epi32(a.halves, b.halves),
                              _mm256_setr_epi16(10000, 1, 10000, 1, 10000, 1, 10000, 1, 10000, 1,
                                                10000, 1, 10000, 1, 10000, 1));
        const __m256i numbers =
            _mm256_permutevar8x32_epi32(mixed, _mm256_setr_epi32(0, 1, 4, 5, 2, 3, 6, 7));
        const __m256i sign = _mm256_cmpgt_epi32(
            _mm256_inserti128_si256(_mm256_castsi128_si256(a.minusSums), b.minusSums, 1),
            _mm256_setzero_si256());
        const __m256i shifted = _mm256_add_epi32(
            _mm256_sub_epi32(_mm256_xor_si256(numbers, sign), sign), _mm256_set1_epi32(5));
        // Single precision is exact here too: the sums lie within +-100,004,
        // so x * 0.1f is off x / 10 by less than 0.001; a quotient that is
        // whole comes out whole (0.1f exceeds a tenth, and rounding keeps the
        // product on the far side of the whole number), any other lies at
        // least a tenth from the next whole number.
        const __m256i metres =
            _mm256_cvttps_epi32(_mm256_mul_ps(_mm256_cvtepi32_ps(shifted), _mm256_set1_ps(0.1f)));
        _mm_storeu_si128(
            reinterpret_cast<__m128i*>(out + j),
            _mm_packs_epi32(_mm256_castsi256_si128(metres), _mm256_extracti128_si256(metres, 1)));

        const unsigned unusual = UnusualFields(a.digitBits | uint64_t{b.digitBits} << 32,
                                               a.blankBits | uint64_t{b.blankBits} << 32,
                                               a.minusBits | uint64_t{b.minusBits} << 32);
        for (unsigned k = 0, rest = unusual; rest != 0; ++k, rest >>= 1)
            if (rest & 1)
                out[j + k] = TenthsToMetres(MeshFieldValue(p + k * kFieldWidth, kFieldWidth));
    }
    return j;
}

#endif

}  // namespace

void ConvertRecordFields(const char* fields, size_t available, int16_t* out) {
    int done = 0;
#ifdef ZELVORIN_HAVE_SSSE3_PATH
    if (CurrentVectorPath() == VectorPath::kAvx2) done = ConvertOctets(fields, available, out);
    if (CurrentVectorPath() <= VectorPath::kSsse3)
        done = ConvertQuads(fields, available, out, done);
#endif
    ConvertTail(fields, available, out, done);
}
