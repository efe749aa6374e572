#pragma once

#include "platform/TColor.h"

#include <QHash>
#include <QRect>
#include <QStringList>
#include <vector>

// A small picture held as one colour per pixel. Copies are independent (value semantics),
// which is what a drawing handler's "private copy" of an image needs.
class TBitmap {
public:
    TBitmap() = default;
    TBitmap(int width, int height, TColor fill = clWhite);

    // One string per row, one character per pixel, each character a key of the legend.
    // Raises std::invalid_argument on rows of different lengths or an unknown character.
    static TBitmap fromPixelTable(const QStringList& rows, const QHash<QChar, TColor>& legend);

    int width() const { return m_width; }
    int height() const { return m_height; }
    bool isEmpty() const { return m_width == 0 || m_height == 0; }

    // Raise std::out_of_range outside the bitmap.
    TColor pixel(int x, int y) const;
    void setPixel(int x, int y, TColor color);

    // Makes this bitmap a copy of another.
    void assign(const TBitmap& other) { *this = other; }

    // The pixels of `source` (which may reach past the bitmap), with every pixel of colour
    // `replaced` painted `by`; pixels outside the bitmap are `by` too, so a copy taller
    // than the picture shows the background below it.
    TBitmap region(const QRect& source, TColor replaced, TColor by) const;

    bool operator==(const TBitmap&) const = default;

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<TColor> m_pixels; // row by row
};
