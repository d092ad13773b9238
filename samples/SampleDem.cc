#include "samples/SampleDem.h"

#include <cmath>

#include "dem/DatumShift.h"
#include "dem/DemSample.h"

int SampleTerrain(double lat, double lon) {
    const double metres =
        120 + 300 * (lat - 35) + 150 * (lon - 139) + 80 * std::sin(lat * 40) * std::cos(lon * 30);
    return static_cast<int>(std::lround(metres * 10));
}

SquareDegrees SouthWestOf(int code) {
    // The code's digits: first-level row and column, then second-level ones.
    const int row = code / 10000, column = code % 10000 / 100;
    const int row2 = code % 100 / 10, column2 = code % 10;
    return {row * (2.0 / 3) + row2 / 12.0, column + 100 + column2 / 8.0};
}

std::string SampleDemOfSquare(int code) {
    const SquareDegrees corner = SouthWestOf(code);
    const double south = corner.south, west = corner.west;
    const GeodeticOffset shift = TokyoToJgdOffset(south + 2.5 / 60, west + 3.75 / 60);
    DemSample sample = DemSampleOf(DemProduct::k10B);
    sample.mesh = std::to_string(code);
    sample.tuple = [=](int32_t column, int32_t row) {
        const double lat = south + (750 - row - 0.5) * 0.4 / 3600 - shift.latMas / 3.6e6;
        const double lon = west + (column + 0.5) * 0.4 / 3600 - shift.lonMas / 3.6e6;
        return DemTupleText(SampleTerrain(lat, lon) * 10);
    };
    return BuildDemGml(sample);
}

std::string SampleDemName(int code) {
    return "FG-GML-" + std::to_string(code / 100) + "-" + std::to_string(code % 100) +
           "-DEM10B-20161001";
}
