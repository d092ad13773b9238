#pragma once

#include <cstdint>
#include <vector>

#include "framework/LargeArray.h"

// Colours of the before-and-after picture: shaded relief over an elevation
// tint, and a diverging scale for the change.
struct Rgb {
    uint8_t r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const Rgb& o) const { return !(*this == o); }
};

constexpr Rgb kNoDataColour{150, 110, 170};  // no shaded tint reaches blue > red > green
constexpr Rgb kUnchangedColour{236, 236, 236};
constexpr Rgb kDataGainedColour{40, 160, 70};  // lost data shows in kNoDataColour
constexpr Rgb kSeparatorColour{40, 40, 40};

// An elevation grid reduced to the picture's resolution: width x height
// values, row 0 the southernmost, spaced xSpacing by ySpacing metres;
// has[i] is false where the grid has no data.
struct ReducedGrid {
    int width = 0;
    int height = 0;
    double xSpacing = 1;
    double ySpacing = 1;
    CLargeArray<double> metres;
    CLargeArray<uint8_t> has;  // 0 or 1; bytes, read in every pixel's neighbourhood
};

// Colours for the values of rows [rowBegin, rowEnd) of grid, into colours
// (the grid's size, in its order): the elevation's tint within [low, high],
// lit from the north-west; kNoDataColour where there is no data. Rows apart
// can be shaded at once.
void ShadeRows(const ReducedGrid& grid, double low, double high, int rowBegin, int rowEnd,
               Rgb* colours);

// The colour of a change of `metres` on a scale whose ends are +-`scale`
// metres (red up, blue down). A change is never drawn as pale as to pass for
// no change: even a zero net change of cells that did change shows.
Rgb ChangeColour(double metres, double scale);

// The same for many changes on one scale: the scale's part worked out once.
class CChangeColours {
  public:
    explicit CChangeColours(double scale);
    Rgb operator()(double metres) const;

  private:
    double m_dLogScale;
};
