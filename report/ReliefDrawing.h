#pragma once

#include "report/PngFile.h"
#include "report/ReliefPicture.h"
#include "report/ReliefShading.h"

// What the two halves of the drawing share: the picture's grids, panels and
// image, made with the picture.
struct CReliefPicture::Drawing {
    Drawing(const CReliefPicture& picture)
        : grids{picture.Grid(), picture.Grid()}, image(picture.Width(), picture.Height()) {
        for (CLargeArray<Rgb>& panel : panels) panel = CLargeArray<Rgb>(grids[0].metres.size());
    }

    void PrepareForWriting() {
        for (ReducedGrid& grid : grids) {
            grid.metres.PrepareForWriting();
            grid.has.PrepareForWriting();
        }
        for (CLargeArray<Rgb>& panel : panels) panel.PrepareForWriting();
        image.PrepareForWriting();
    }

    ReducedGrid grids[2];  // before, after
    CLargeArray<Rgb> panels[3];
    CRgbImage image;
    // Each half's lowest and highest metres, and largest change.
    double low[2], high[2], largestChange[2];
    PngPart compressed[2];  // the rest (south half), the opening
};
