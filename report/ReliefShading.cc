#include "report/ReliefShading.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "elevation/VectorPath.h"

namespace {

struct Stop {
    double at;
    Rgb colour;
};

// Land from the lowest to the highest elevation of the area.
constexpr Stop kLand[] = {
    {0.0, {112, 164, 92}}, {0.35, {222, 212, 142}}, {0.7, {166, 116, 74}}, {1.0, {246, 242, 236}}};
constexpr Rgb kShallow{120, 170, 215};
constexpr Rgb kDeep{40, 80, 160};
constexpr Rgb kRaised{200, 32, 32};
constexpr Rgb kLowered{32, 72, 200};
constexpr Rgb kNetZero{170, 170, 170};  // cells changed, their mean did not
constexpr double kLeastChange = 0.2;    // the palest a change is drawn

// Light from the north-west, 45 degrees above the horizon.
constexpr double kLightAltitude = 0.7853981633974483;

// v rounded half away from zero, as lround does, and kept within 0-255;
// without the library's call, as it runs for every channel of a picture.
inline __attribute__((always_inline)) uint8_t Channel(double v) {
    if (!(v > 0)) return 0;
    if (v >= 255) return 255;
    const int whole = static_cast<int>(v);  // exact, and the floor of a positive v
    return static_cast<uint8_t>(whole + (v - whole >= 0.5 ? 1 : 0));
}

inline __attribute__((always_inline)) Rgb Mix(Rgb a, Rgb b, double t) {
    return {Channel(a.r + (b.r - a.r) * t), Channel(a.g + (b.g - a.g) * t),
            Channel(a.b + (b.b - a.b) * t)};
}

inline __attribute__((always_inline)) Rgb Tint(double metres, double low, double high) {
    if (metres < 0) return Mix(kShallow, kDeep, low < 0 ? metres / low : 0);
    const double base = std::max(low, 0.0);
    const double t = high > base ? std::clamp((metres - base) / (high - base), 0.0, 1.0) : 0;
    size_t i = 1;
    while (i + 1 < std::size(kLand) && t > kLand[i].at) ++i;
    const Stop& a = kLand[i - 1];
    const Stop& b = kLand[i];
    return Mix(a.colour, b.colour, (t - a.at) / (b.at - a.at));
}

// Relief is flat at a coarse resolution; the exaggeration grows with the
// spacing so that hills still read in a picture of a large area.
double Exaggeration(const ReducedGrid& grid) {
    return std::clamp(std::sqrt(std::max(grid.xSpacing, grid.ySpacing) / 50.0), 1.0, 8.0);
}

// The value at (x, y) when that lies in the grid and has data, else the
// value at index centre.
double At(const ReducedGrid& grid, int x, int y, size_t centre) {
    if (x < 0 || y < 0 || x >= grid.width || y >= grid.height) return grid.metres[centre];
    const size_t i = static_cast<size_t>(y) * grid.width + x;
    return grid.has[i] ? grid.metres[i] : grid.metres[centre];
}

// Brightness of the surface at (x, y) relative to flat ground.
double Light(const ReducedGrid& grid, int x, int y, double zFactor) {
    const size_t i = static_cast<size_t>(y) * grid.width + x;
    const double east = (At(grid, x + 1, y, i) - At(grid, x - 1, y, i)) / (2 * grid.xSpacing);
    const double north = (At(grid, x, y + 1, i) - At(grid, x, y - 1, i)) / (2 * grid.ySpacing);
    const double nx = -east * zFactor;
    const double ny = -north * zFactor;
    const double horizontal = std::cos(kLightAltitude) / std::sqrt(2.0);
    const double lit = (-nx * horizontal + ny * horizontal + std::sin(kLightAltitude)) /
                       std::sqrt(nx * nx + ny * ny + 1);
    return std::clamp(lit / std::sin(kLightAltitude), 0.3, 1.25);
}

// Light for the cells x in [1, width - 1) of an inner row y: the same
// arithmetic as Light, in plain arrays, which the compiler turns into vector
// code. A neighbour without data stands in as the cell itself.
__attribute__((always_inline)) inline void InnerLightRow(const ReducedGrid& grid, int y,
                                                         double zFactor, double* light) {
    const size_t w = static_cast<size_t>(grid.width);
    const double* m = grid.metres.data() + static_cast<size_t>(y) * w;
    const uint8_t* has = grid.has.data() + static_cast<size_t>(y) * w;
    const double horizontal = std::cos(kLightAltitude) / std::sqrt(2.0);
    const double up = std::sin(kLightAltitude);
    for (size_t x = 1; x + 1 < w; ++x) {
        const double centre = m[x];
        const double east = ((has[x + 1] ? m[x + 1] : centre) - (has[x - 1] ? m[x - 1] : centre)) /
                            (2 * grid.xSpacing);
        const double north = ((has[x + w] ? m[x + w] : centre) - (has[x - w] ? m[x - w] : centre)) /
                             (2 * grid.ySpacing);
        const double nx = -east * zFactor;
        const double ny = -north * zFactor;
        const double lit =
            (-nx * horizontal + ny * horizontal + up) / std::sqrt(nx * nx + ny * ny + 1);
        const double v = lit / up;
        light[x] = v < 0.3 ? 0.3 : (1.25 < v ? 1.25 : v);
    }
}

void InnerLightRowPlain(const ReducedGrid& grid, int y, double zFactor, double* light) {
    InnerLightRow(grid, y, zFactor, light);
}

#if defined(__x86_64__) || defined(__i386__)
// The same loop in registers twice as wide, where the processor has them.
__attribute__((target("avx2"))) void InnerLightRowAvx2(const ReducedGrid& grid, int y,
                                                       double zFactor, double* light) {
    InnerLightRow(grid, y, zFactor, light);
}
#else
void InnerLightRowAvx2(const ReducedGrid& grid, int y, double zFactor, double* light) {
    InnerLightRow(grid, y, zFactor, light);
}
#endif

// The tint's scale for one call: what Tint works out from low and high alone.
struct TintScale {
    double low, high;
    bool water;   // low < 0: under water, metres / low
    double base;  // on land, (metres - base) / span when high > base
    double span;
    bool land;  // high > base
};

// kLand's colours and their steps as Mix takes them, as doubles.
struct StopColours {
    double r, g, b;
};
constexpr StopColours From(Rgb c) { return {double(c.r), double(c.g), double(c.b)}; }
constexpr StopColours Step(Rgb a, Rgb b) {
    return {double(b.r - a.r), double(b.g - a.g), double(b.b - a.b)};
}

// Tint and Channel for `lanes` cells at once in vector registers: the same
// operations in the same order on each cell, with the branches taken as
// selects. Vectors pass by reference, as the four-lane ones would pass
// differently by value to code with and without AVX.
template <int lanes>
struct Lanes {
    typedef double Value __attribute__((vector_size(sizeof(double) * lanes)));
    typedef long long Mask __attribute__((vector_size(sizeof(long long) * lanes)));

    // 2^52: a value within [0, 2^52) plus this is that value rounded to a
    // whole number, with no conversion to an integer type.
    static constexpr double kWhole = 4503599627370496.0;

    // Channel in place, as a whole number in a double. v is kept within 0-255,
    // a missing value going to 0, then rounded to the nearest whole number, a
    // half to even; a half rounded down is stepped up, as Channel rounds
    // halves away from zero. The difference from the nearest whole number is
    // exact within 0-255.
    static __attribute__((always_inline)) void Channel(Value& v) {
        const Value zero{};
        Value c = v > 0 ? v : zero;
        c = c < 255 ? c : zero + 255;
        const Value nearest = (c + kWhole) - kWhole;
        v = nearest + (c - nearest == 0.5 ? zero + 1 : zero);
    }

    // Which colours Mix takes for each cell: kShallow to kDeep under water,
    // else the stretch of kLand that t falls in.
    struct Stretch {
        Mask below, second, third;

        __attribute__((always_inline)) void Pick(Value& out, double water, double first,
                                                 double middle, double last) const {
            const Value zero{};
            out = below ? zero + water
                        : (third ? zero + last : (second ? zero + middle : zero + first));
        }

        // One channel of the tint, Mix's share along the stretch given, then
        // scaled by the light.
        __attribute__((always_inline)) void Shade(Value& out, double StopColours::*channel,
                                                  const Value& share, const Value& lit) const {
            constexpr StopColours kWater = From(kShallow), kWaterStep = Step(kShallow, kDeep);
            constexpr StopColours kFrom[] = {From(kLand[0].colour), From(kLand[1].colour),
                                             From(kLand[2].colour)};
            constexpr StopColours kStep[] = {Step(kLand[0].colour, kLand[1].colour),
                                             Step(kLand[1].colour, kLand[2].colour),
                                             Step(kLand[2].colour, kLand[3].colour)};
            Value step;
            Pick(out, kWater.*channel, kFrom[0].*channel, kFrom[1].*channel, kFrom[2].*channel);
            Pick(step, kWaterStep.*channel, kStep[0].*channel, kStep[1].*channel,
                 kStep[2].*channel);
            out = out + step * share;
            Channel(out);
            out = out * lit;
            Channel(out);
        }
    };

    // The light-scaled colours of the cells from metres[0] on, each as
    // red + 256 green + 65536 blue.
    static __attribute__((always_inline)) void Shade(Value& packed, const double* metres,
                                                     const double* light, const TintScale& scale) {
        constexpr double kSecond = kLand[1].at;
        constexpr double kThird = kLand[2].at;
        constexpr double kWidth[] = {kLand[1].at - kLand[0].at, kLand[2].at - kLand[1].at,
                                     kLand[3].at - kLand[2].at};
        Value m;
        std::memcpy(&m, metres, sizeof m);
        Value lit;
        std::memcpy(&lit, light, sizeof lit);
        const Value zero{};
        Stretch stretch;
        stretch.below = m < 0;
        // One division serves both: metres / low under water, the share of
        // the land's range above it.
        const Value q = (stretch.below ? m : m - scale.base) /
                        (stretch.below ? zero + scale.low : zero + scale.span);
        // std::clamp's comparisons, which keep a missing value missing.
        const Value raised = q < 0 ? zero : q;
        const Value t = scale.land ? (1 < raised ? zero + 1 : raised) : zero;
        stretch.second = t > kSecond;
        stretch.third = t > kThird;
        const Value at =
            stretch.third ? zero + kThird : (stretch.second ? zero + kSecond : zero + kLand[0].at);
        const Value width = stretch.third ? zero + kWidth[2]
                                          : (stretch.second ? zero + kWidth[1] : zero + kWidth[0]);
        const Value onLand = (t - at) / width;
        const Value share = stretch.below ? (scale.water ? q : zero) : onLand;
        Value red, green, blue;
        stretch.Shade(red, &StopColours::r, share, lit);
        stretch.Shade(green, &StopColours::g, share, lit);
        stretch.Shade(blue, &StopColours::b, share, lit);
        packed = red + green * 256 + blue * 65536;
    }
};

// The colours of cells [from, n) of a row, light holding each cell's light,
// one by one.
void ShadeCells(const double* metres, const uint8_t* has, const double* light, size_t from,
                size_t n, const TintScale& scale, Rgb* out) {
    for (size_t x = from; x < n; ++x) {
        if (!has[x]) {
            out[x] = kNoDataColour;
            continue;
        }
        const Rgb tint = Tint(metres[x], scale.low, scale.high);
        out[x] = {Channel(tint.r * light[x]), Channel(tint.g * light[x]),
                  Channel(tint.b * light[x])};
    }
}

// The colours of cells [0, n) of a row, light holding each cell's light:
// whole groups of `lanes` cells in vector registers, the rest one by one.
template <int lanes>
__attribute__((always_inline)) inline void ShadeRow(const double* metres, const uint8_t* has,
                                                    const double* light, size_t n,
                                                    const TintScale& scale, Rgb* out) {
    using L = Lanes<lanes>;
    static_assert(sizeof(Rgb) == 3);
    constexpr uint32_t kNoDataBytes =
        kNoDataColour.r | kNoDataColour.g << 8 | uint32_t{kNoDataColour.b} << 16;
    auto* bytes = reinterpret_cast<unsigned char*>(out);
    size_t x = 0;
    // Each cell is stored as four bytes, the fourth overwritten by the next
    // cell's red; the last cell of the row is left to the loop below, so that
    // no store reaches past the row.
    for (; x + lanes < n; x += lanes) {
        typename L::Value packed;
        L::Shade(packed, metres + x, light + x, scale);
        packed = packed + L::kWhole;
        long long bits[lanes];
        std::memcpy(bits, &packed, sizeof bits);
        for (int k = 0; k < lanes; ++k) {
            // kWhole's bits are all above the 24 of the colour.
            const uint32_t value = has[x + k] ? static_cast<uint32_t>(bits[k]) : kNoDataBytes;
            unsigned char* cell = bytes + 3 * (x + k);
            if constexpr (__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__) {
                std::memcpy(cell, &value, sizeof value);
            } else {
                cell[0] = static_cast<unsigned char>(value);
                cell[1] = static_cast<unsigned char>(value >> 8);
                cell[2] = static_cast<unsigned char>(value >> 16);
            }
        }
    }
    ShadeCells(metres, has, light, x, n, scale, out);
}

// Two lanes of SSE2 registers take longer than the cells one by one, whose
// branches are mostly predicted over smooth ground.
void ShadeRowPlain(const double* metres, const uint8_t* has, const double* light, size_t n,
                   const TintScale& scale, Rgb* out) {
    ShadeCells(metres, has, light, 0, n, scale, out);
}

#if defined(__x86_64__) || defined(__i386__)
// Four cells at a time, where the processor has the registers.
__attribute__((target("avx2"))) void ShadeRowAvx2(const double* metres, const uint8_t* has,
                                                  const double* light, size_t n,
                                                  const TintScale& scale, Rgb* out) {
    ShadeRow<4>(metres, has, light, n, scale, out);
}
#else
void ShadeRowAvx2(const double* metres, const uint8_t* has, const double* light, size_t n,
                  const TintScale& scale, Rgb* out) {
    ShadeCells(metres, has, light, 0, n, scale, out);
}
#endif

}  // namespace

void ShadeRows(const ReducedGrid& grid, double low, double high, int rowBegin, int rowEnd,
               Rgb* colours) {
    const double zFactor = Exaggeration(grid);
    const double base = std::max(low, 0.0);
    const TintScale scale{low, high, (low < 0), base, high - base, (high > base)};
    const bool avx2 = CurrentVectorPath() == VectorPath::kAvx2;
    const auto innerRow = avx2 ? InnerLightRowAvx2 : InnerLightRowPlain;
    const auto shadeRow = avx2 ? ShadeRowAvx2 : ShadeRowPlain;
    const size_t w = static_cast<size_t>(grid.width);
    std::vector<double> light(w);
    for (int y = rowBegin; y < rowEnd; ++y) {
        const size_t row = static_cast<size_t>(y) * w;
        const uint8_t* has = grid.has.data() + row;
        // Every cell's light: the vector loops read it for cells without
        // data too, whose colour does not use it (an edge cell's is 1).
        const bool inner = y > 0 && y + 1 < grid.height && grid.width > 2;
        if (inner) {
            innerRow(grid, y, zFactor, light.data());
            for (const int x : {0, grid.width - 1})
                light[x] = has[x] ? Light(grid, x, y, zFactor) : 1.0;
        } else {
            for (int x = 0; x < grid.width; ++x)
                light[x] = has[x] ? Light(grid, x, y, zFactor) : 1.0;
        }
        shadeRow(grid.metres.data() + row, has, light.data(), w, scale, colours + row);
    }
}

Rgb ChangeColour(double metres, double scale) { return CChangeColours(scale)(metres); }

CChangeColours::CChangeColours(double scale) : m_dLogScale(std::log1p(std::max(scale, 1.0))) {}

Rgb CChangeColours::operator()(double metres) const {
    if (metres == 0) return kNetZero;
    const double t = std::log1p(std::fabs(metres)) / m_dLogScale;
    return Mix(kUnchangedColour, metres > 0 ? kRaised : kLowered, std::clamp(t, kLeastChange, 1.0));
}
