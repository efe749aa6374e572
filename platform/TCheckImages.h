#pragma once

#include "platform/TBitmap.h"

// The two 16x16 check marks the selection grids draw: a white box with a black top and
// left edge and a silver shadow, with a tick (imgCheck) or empty (imgUncheck). Olive is
// the colour drawn transparent.
class TCheckImages {
public:
    static const TBitmap& imgCheck();
    static const TBitmap& imgUncheck();
    static constexpr TColor transparentColor = clOlive;
};
