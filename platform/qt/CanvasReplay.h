#pragma once

class QPainter;
class TCanvas;

namespace qtview {

// Draws what a drawing handler recorded on a TCanvas: fills, texts (clipped and aligned in
// their cell) and bitmap copies with the replaced colour already applied.
class CanvasReplay {
public:
    static void replay(const TCanvas& canvas, QPainter& painter);
};

} // namespace qtview
