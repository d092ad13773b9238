#include "dem/DatumShift.h"

#include <cmath>
#include <stdexcept>
#include <string>

#include "dem/MeshSquare.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kMasPerRadian = 180.0 * 3600000.0 / kPi;

struct Ellipsoid {
    double a;   // semi-major axis, metres
    double e2;  // first eccentricity squared
};

constexpr Ellipsoid MakeEllipsoid(double a, double inverseFlattening) {
    const double f = 1.0 / inverseFlattening;
    return {a, f * (2.0 - f)};
}

constexpr Ellipsoid kBessel1841 = MakeEllipsoid(6377397.155, 299.1528128);
constexpr Ellipsoid kGrs80 = MakeEllipsoid(6378137.0, 298.257222101);

// Tokyo to JGD2000, geocentric translation in metres.
constexpr double kDx = -146.414, kDy = 507.337, kDz = 680.507;

// Latitude of a geocentric point on an ellipsoid, by fixed-point iteration
// of the latitude through the prime-vertical radius. For points within a
// kilometre of the surface each step gains about three decimal digits; ten
// steps settle it to the last bit, and a fixed count keeps every build on
// the same path.
double GeodeticLatitude(const Ellipsoid& e, double p, double z) {
    double lat = std::atan2(z, p * (1.0 - e.e2));
    for (int i = 0; i < 10; ++i) {
        const double s = std::sin(lat);
        const double n = e.a / std::sqrt(1.0 - e.e2 * s * s);
        const double h = p / std::cos(lat) - n;
        lat = std::atan2(z, p * (1.0 - e.e2 * n / (n + h)));
    }
    return lat;
}

}  // namespace

GeodeticOffset TokyoToJgdOffset(double latDeg, double lonDeg) {
    const double lat = latDeg * kPi / 180.0;
    const double lon = lonDeg * kPi / 180.0;
    const double s = std::sin(lat);
    const double n = kBessel1841.a / std::sqrt(1.0 - kBessel1841.e2 * s * s);
    const double x = n * std::cos(lat) * std::cos(lon) + kDx;
    const double y = n * std::cos(lat) * std::sin(lon) + kDy;
    const double z = n * (1.0 - kBessel1841.e2) * s + kDz;
    const double newLat = GeodeticLatitude(kGrs80, std::sqrt(x * x + y * y), z);
    const double newLon = std::atan2(y, x);
    return {(newLat - lat) * kMasPerRadian, (newLon - lon) * kMasPerRadian};
}

DatumShift SquareShift(int32_t squareCode, MapDatum datum) {
    const auto corner = SquareCornerOf(squareCode);
    if (!corner)
        throw std::invalid_argument("not a second-level mesh code: " + std::to_string(squareCode));
    if (datum == MapDatum::kJgd) return {};
    constexpr double kMasPerDegree = 3600000.0;
    const GeodeticOffset offset =
        TokyoToJgdOffset((corner->southMas + kSquareHeightMas / 2.0) / kMasPerDegree,
                         (corner->westMas + kSquareWidthMas / 2.0) / kMasPerDegree);
    return {static_cast<int32_t>(std::lround(offset.latMas)),
            static_cast<int32_t>(std::lround(offset.lonMas))};
}
