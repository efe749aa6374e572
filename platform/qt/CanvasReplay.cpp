#include "platform/qt/CanvasReplay.h"

#include "platform/qt/ViewStyle.h"
#include "platform/TCanvas.h"

#include <QFontMetrics>
#include <QPainter>

namespace qtview {

namespace {

void drawText(const TCanvas::Operation& op, QPainter& painter) {
    QFont font = ViewStyle::font(op.font);
    QString text = op.text;
    if (ViewStyle::isSymbolFont(op.font.name))
        text = ViewStyle::symbolText(text);
    painter.setFont(font);
    painter.setPen(ViewStyle::color(op.font.color));
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(text);
    int x = op.position.x();
    const bool clipped = op.rect.isValid();
    if (clipped) {
        // The margin the handler left on the left is kept on the other side.
        const int margin = x - op.rect.left();
        if (op.alignment == taRightJustify)
            x = op.rect.right() + 1 - margin - width;
        else if (op.alignment == taCenter)
            x = op.rect.left() + (op.rect.width() - width) / 2;
        painter.save();
        painter.setClipRect(op.rect);
    }
    painter.drawText(QPoint(x, op.position.y() + metrics.ascent()), text);
    if (clipped)
        painter.restore();
}

} // namespace

void CanvasReplay::replay(const TCanvas& canvas, QPainter& painter) {
    for (const TCanvas::Operation& op : canvas.operations()) {
        switch (op.kind) {
        case TCanvas::Operation::Kind::FillRect:
            painter.fillRect(op.rect, ViewStyle::color(op.brushColor));
            break;
        case TCanvas::Operation::Kind::TextOut:
            drawText(op, painter);
            break;
        case TCanvas::Operation::Kind::BrushCopy:
            painter.drawImage(op.rect.topLeft(), ViewStyle::image(op.rendered()));
            break;
        }
    }
}

} // namespace qtview
