#pragma once

#include <cstdint>

// A colour as 0xRRGGBB. System colours are fixed to the values the view paints them with.
using TColor = std::uint32_t;

constexpr TColor rgb(int r, int g, int b) {
    return (TColor(r & 0xff) << 16) | (TColor(g & 0xff) << 8) | TColor(b & 0xff);
}
constexpr int redOf(TColor c) {
    return int((c >> 16) & 0xff);
}
constexpr int greenOf(TColor c) {
    return int((c >> 8) & 0xff);
}
constexpr int blueOf(TColor c) {
    return int(c & 0xff);
}

constexpr TColor clBlack = rgb(0, 0, 0);
constexpr TColor clWhite = rgb(255, 255, 255);
constexpr TColor clRed = rgb(255, 0, 0);
constexpr TColor clBlue = rgb(0, 0, 255);
constexpr TColor clOlive = rgb(128, 128, 0);
constexpr TColor clSilver = rgb(192, 192, 192);
constexpr TColor clInfoBk = rgb(255, 255, 225);
constexpr TColor clBtnFace = rgb(240, 240, 240);
constexpr TColor clWindow = rgb(255, 255, 255);
constexpr TColor clWindowText = rgb(0, 0, 0);
constexpr TColor clHighlight = rgb(0, 120, 215);
constexpr TColor clHighlightText = rgb(255, 255, 255);
