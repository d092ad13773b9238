#pragma once

#include <cstdint>

// The datum a map's coordinates are in. The DEM is in JGD2000 (JGD2011 and
// JGD2024 taken as the same); a map in the Tokyo datum is moved into the
// DEM's frame square by square before it is resampled.
enum class MapDatum : uint8_t { kJgd, kTokyo };

// How far the DEM's frame lies from the map's at one square, in whole
// milliarcseconds: a point's DEM coordinates are its map coordinates plus
// this.
struct DatumShift {
    int32_t latMas = 0;
    int32_t lonMas = 0;
};

// The Tokyo-to-JGD2000 move of a point on the ellipsoid (height 0) at
// latDeg, lonDeg (Tokyo datum, degrees), in milliarcseconds, unrounded: the
// three-parameter geocentric translation (dX -146.414 m, dY +507.337 m,
// dZ +680.507 m) from Bessel 1841 to GRS80.
struct GeodeticOffset {
    double latMas = 0;
    double lonMas = 0;
};
GeodeticOffset TokyoToJgdOffset(double latDeg, double lonDeg);

// The shift used for every cell of the second-level square squareCode: none
// for a JGD map; for a Tokyo map the move of the square's centre, rounded to
// whole milliarcseconds (half away from zero). Throws std::invalid_argument
// when squareCode is not a second-level code.
DatumShift SquareShift(int32_t squareCode, MapDatum datum);
