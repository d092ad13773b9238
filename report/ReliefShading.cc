#include "report/ReliefShading.h"

#include <algorithm>
#include <cmath>

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

}  // namespace

std::vector<Rgb> ShadeRelief(const ReducedGrid& grid, double low, double high) {
    std::vector<Rgb> colours(grid.metres.size(), kNoDataColour);
    const double zFactor = Exaggeration(grid);
    const auto innerRow =
        CurrentVectorPath() == VectorPath::kAvx2 ? InnerLightRowAvx2 : InnerLightRowPlain;
    std::vector<double> light(static_cast<size_t>(grid.width));
    for (int y = 0; y < grid.height; ++y) {
        const bool inner = y > 0 && y + 1 < grid.height && grid.width > 2;
        if (inner) innerRow(grid, y, zFactor, light.data());
        for (int x = 0; x < grid.width; ++x) {
            const size_t i = static_cast<size_t>(y) * grid.width + x;
            if (!grid.has[i]) continue;
            const Rgb tint = Tint(grid.metres[i], low, high);
            const bool edge = !inner || x == 0 || x + 1 == grid.width;
            const double lit = edge ? Light(grid, x, y, zFactor) : light[x];
            colours[i] = {Channel(tint.r * lit), Channel(tint.g * lit), Channel(tint.b * lit)};
        }
    }
    return colours;
}

Rgb ChangeColour(double metres, double scale) { return CChangeColours(scale)(metres); }

CChangeColours::CChangeColours(double scale) : m_dLogScale(std::log1p(std::max(scale, 1.0))) {}

Rgb CChangeColours::operator()(double metres) const {
    if (metres == 0) return kNetZero;
    const double t = std::log1p(std::fabs(metres)) / m_dLogScale;
    return Mix(kUnchangedColour, metres > 0 ? kRaised : kLowered, std::clamp(t, kLeastChange, 1.0));
}
