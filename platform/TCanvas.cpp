#include "platform/TCanvas.h"

void TCanvas::fillRect(const QRect& rect) {
    Operation op;
    op.kind = Operation::Kind::FillRect;
    op.rect = rect;
    op.brushColor = m_brush.color;
    m_operations.push_back(std::move(op));
}

void TCanvas::textOut(int x, int y, const QString& text) {
    Operation op;
    op.kind = Operation::Kind::TextOut;
    op.position = QPoint(x, y);
    op.text = text;
    op.font = m_font;
    m_operations.push_back(std::move(op));
}

void TCanvas::textRect(const QRect& rect, int x, int y, const QString& text, TAlignment alignment) {
    textOut(x, y, text);
    m_operations.back().rect = rect;
    m_operations.back().alignment = alignment;
}

void TCanvas::brushCopy(const QRect& dest, const TBitmap& bitmap, const QRect& source,
                        TColor replaced) {
    Operation op;
    op.kind = Operation::Kind::BrushCopy;
    op.rect = dest;
    op.bitmap = bitmap;
    // No stretching: only the part both rectangles cover is copied.
    op.sourceRect = QRect(source.topLeft(), QSize(std::min(source.width(), dest.width()),
                                                  std::min(source.height(), dest.height())));
    op.brushColor = m_brush.color;
    op.replacedColor = replaced;
    m_operations.push_back(std::move(op));
}
