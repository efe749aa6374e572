#include "platform/qt/Glyphs.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace qtview {

namespace {

QPixmap canvas() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

QPixmap magnifier() {
    QPixmap pixmap = canvas();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 40, 40), 3.5));
    p.setBrush(QColor(200, 225, 250));
    p.drawEllipse(QRectF(4, 4, 17, 17));
    p.setPen(QPen(QColor(40, 40, 40), 5.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(19, 19), QPointF(28, 28));
    return pixmap;
}

QPixmap tick() {
    QPixmap pixmap = canvas();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 128, 0), 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPainterPath path;
    path.moveTo(5, 17);
    path.lineTo(13, 25);
    path.lineTo(27, 7);
    p.drawPath(path);
    return pixmap;
}

QPixmap cross() {
    QPixmap pixmap = canvas();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(190, 0, 0), 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(7, 7), QPointF(25, 25));
    p.drawLine(QPointF(25, 7), QPointF(7, 25));
    return pixmap;
}

} // namespace

QIcon Glyphs::icon(TButtonGlyph glyph) {
    static QHash<TButtonGlyph, QIcon> cache;
    if (auto it = cache.constFind(glyph); it != cache.constEnd())
        return *it;
    QPixmap pixmap;
    switch (glyph) {
    case TButtonGlyph::bgNone:
        break;
    case TButtonGlyph::bgLookup:
        pixmap = magnifier();
        break;
    case TButtonGlyph::bgConfirm:
        pixmap = tick();
        break;
    case TButtonGlyph::bgCancel:
        pixmap = cross();
        break;
    }
    QIcon result = pixmap.isNull() ? QIcon() : QIcon(pixmap);
    cache.insert(glyph, result);
    return result;
}

} // namespace qtview
