#include "platform/TCheckImages.h"

namespace {

const QHash<QChar, TColor>& legend() {
    static const QHash<QChar, TColor> map{
        {u'o', clOlive},
        {u'K', clBlack},
        {u'W', clWhite},
        {u'S', clSilver},
    };
    return map;
}

} // namespace

const TBitmap& TCheckImages::imgCheck() {
    static const TBitmap bitmap = TBitmap::fromPixelTable(
        {
            QStringLiteral("oooooooooooooooo"),
            QStringLiteral("oooooooooooooSoo"),
            QStringLiteral("ooKKKKKKKKKKoSoo"),
            QStringLiteral("ooKWWWWWWWWWoSoo"),
            QStringLiteral("ooKWWWWWWWKWoSoo"),
            QStringLiteral("ooKWWWWWWKKWoSoo"),
            QStringLiteral("ooKWKWWWKKKWoSoo"),
            QStringLiteral("ooKWKKWKKKWWoSoo"),
            QStringLiteral("ooKWKKKKKWWWoSoo"),
            QStringLiteral("ooKWWKKKWWWWoSoo"),
            QStringLiteral("ooKWWWKWWWWWoSoo"),
            QStringLiteral("ooKWWWWWWWWWoSoo"),
            QStringLiteral("oooooooooooooSoo"),
            QStringLiteral("oSSSSSSSSSSSSSoo"),
            QStringLiteral("oooooooooooooooo"),
            QStringLiteral("oooooooooooooooo"),
        },
        legend());
    return bitmap;
}

const TBitmap& TCheckImages::imgUncheck() {
    static const TBitmap bitmap = TBitmap::fromPixelTable(
        {
            QStringLiteral("oooooooooooooooo"),
            QStringLiteral("oooooooooooooSoo"),
            QStringLiteral("ooKKKKKKKKKKoSoo"),
            QStringLiteral("ooKWWWWWWWWWoSoo"),
            QStringLiteral("ooKWWWWWWWWWoSoo"),
            QStringLiteral("ooKWWWWWWWWWoSoo"),
            QStringLiteral("ooKWWWWWWWWWoSoo"),
            QStringLiteral("ooKWWWWWWWWWoSoo"),
            QStringLiteral("ooKWWWWWWWWWoSoo"),
            QStringLiteral("ooKWWWWWWWWWoSoo"),
            QStringLiteral("ooKWWWWWWWWWoSoo"),
            QStringLiteral("ooKWWWWWWWWWoSoo"),
            QStringLiteral("oooooooooooooSoo"),
            QStringLiteral("oSSSSSSSSSSSSSoo"),
            QStringLiteral("oooooooooooooooo"),
            QStringLiteral("oooooooooooooooo"),
        },
        legend());
    return bitmap;
}
