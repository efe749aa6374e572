#pragma once

#include "platform/TAlignment.h"
#include "platform/TBitmap.h"
#include "platform/TColor.h"
#include "platform/TFont.h"

#include <QPoint>
#include <QRect>
#include <QString>
#include <vector>

struct TBrush {
    TColor color = clWhite;
};

// A drawing surface that records what is drawn instead of drawing it. Grid handlers paint
// on it; tests read the record, and the Qt view replays it with a painter.
class TCanvas {
public:
    struct Operation {
        enum class Kind { FillRect, TextOut, BrushCopy };
        Kind kind = Kind::FillRect;
        QRect rect; // FillRect: the area; BrushCopy: the destination; TextOut: the clip, if any
        TColor brushColor = 0; // FillRect: the fill; BrushCopy: what replaces `replacedColor`
        QPoint position;       // TextOut
        QString text;          // TextOut
        TAlignment alignment = taLeftJustify; // TextOut inside a clip rectangle
        TFont font;                           // TextOut: name, bold, colour at the time
        TBitmap bitmap;                       // BrushCopy: the picture as it was when copied
        QRect sourceRect;                     // BrushCopy
        TColor replacedColor = 0;

        // BrushCopy: the pixels that land on the destination, transparency applied.
        TBitmap rendered() const { return bitmap.region(sourceRect, replacedColor, brushColor); }
    };

    TBrush& brush() { return m_brush; }
    const TBrush& brush() const { return m_brush; }
    TFont& font() { return m_font; }
    const TFont& font() const { return m_font; }

    void fillRect(const QRect& rect);
    void textOut(int x, int y, const QString& text);
    // Text clipped to `rect`; with right or centre alignment the view places it inside
    // `rect` (x keeps the margin), since only the view knows how wide the text is.
    void textRect(const QRect& rect, int x, int y, const QString& text,
                  TAlignment alignment = taLeftJustify);
    // Copies `source` of the bitmap unscaled to `dest` (the smaller of the two sizes
    // counts), drawing pixels of colour `replaced` in the current brush colour.
    void brushCopy(const QRect& dest, const TBitmap& bitmap, const QRect& source, TColor replaced);

    const std::vector<Operation>& operations() const { return m_operations; }
    void clear() { m_operations.clear(); }

private:
    TBrush m_brush;
    TFont m_font;
    std::vector<Operation> m_operations;
};
