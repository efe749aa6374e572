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

QIcon Glyphs::icon(const QString& name) {
    static QHash<QString, QIcon> cache;
    const QString key = name.toLower();
    if (auto it = cache.constFind(key); it != cache.constEnd())
        return *it;
    QPixmap pixmap;
    if (key.contains(QLatin1String("pesq")) || key.contains(QLatin1String("lupa")))
        pixmap = magnifier();
    else if (key.contains(QLatin1String("confirm")) || key.contains(QLatin1String("ok")))
        pixmap = tick();
    else if (key.contains(QLatin1String("cancel")) || key.contains(QLatin1String("sair")))
        pixmap = cross();
    QIcon result = pixmap.isNull() ? QIcon() : QIcon(pixmap);
    cache.insert(key, result);
    return result;
}

} // namespace qtview
