#include "platform/qt/ViewStyle.h"

#include <QLibraryInfo>
#include <QTranslator>

#include "platform/TBitmap.h"

#include <QApplication>
#include <QGuiApplication>
#include <QStringList>
#include <QStyleFactory>
#include <QWidget>

namespace qtview {

namespace {
// Families with the width of the fonts the screens were laid out with come first.
const QStringList& sansFamilies() {
    static const QStringList families{QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                                      QStringLiteral("Nimbus Sans"), QStringLiteral("Arial"),
                                      QStringLiteral("DejaVu Sans")};
    return families;
}
} // namespace

void ViewStyle::install(QApplication& application) {
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        QApplication::setStyle(fusion);
    QLocale::setDefault(locale());
    application.setFont(font(TFont{}));
    // Qt's own dialogs (the file dialog, the standard buttons) speak Portuguese too when the
    // system has Qt's translations.
    static QTranslator qtTexts;
    if (qtTexts.isEmpty() && qtTexts.load(locale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTexts);
}

const QLocale& ViewStyle::locale() {
    static const QLocale brazil(QLocale::Portuguese, QLocale::Brazil);
    return brazil;
}

QFont ViewStyle::font(const TFont& source) {
    QFont result;
    if (isSymbolFont(source.name))
        result.setFamilies(sansFamilies());
    else if (source.name.isEmpty() || source.name == QLatin1String("MS Sans Serif") ||
             source.name == QLatin1String("Tahoma") || source.name == QLatin1String("Arial") ||
             source.name == QLatin1String("Verdana"))
        result.setFamilies(sansFamilies());
    else
        result.setFamilies(QStringList{source.name} + sansFamilies());
    // Truncated rather than rounded: the screens were laid out for the narrow bitmap font
    // of that size, and a pixel less keeps their captions inside their columns.
    result.setPixelSize(qMax(9, source.size * 96 / 72));
    result.setBold(source.bold);
    result.setStyleHint(QFont::SansSerif);
    return result;
}

QImage ViewStyle::image(const TBitmap& bitmap) {
    QImage result(bitmap.width(), bitmap.height(), QImage::Format_RGB32);
    for (int y = 0; y < bitmap.height(); ++y) {
        for (int x = 0; x < bitmap.width(); ++x)
            result.setPixel(x, y, 0xff000000u | bitmap.pixel(x, y));
    }
    return result;
}

bool ViewStyle::isSymbolFont(const QString& name) {
    return name.compare(QLatin1String("Monotype Sorts"), Qt::CaseInsensitive) == 0 ||
           name.compare(QLatin1String("Wingdings"), Qt::CaseInsensitive) == 0;
}

QString ViewStyle::symbolText(const QString& text) {
    if (text == QLatin1String("3"))
        return QStringLiteral("\u2713");
    if (text == QLatin1String("4"))
        return QStringLiteral("\u2714");
    return text;
}

void ViewStyle::bringToFront(QWidget* window) {
    if (QGuiApplication::platformName() != QLatin1String("offscreen"))
        window->raise();
    window->activateWindow();
}

QString ViewStyle::stripAccelerator(const QString& caption) {
    QString result;
    result.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&') && i + 1 < caption.size()) {
            ++i;
        }
        result += caption[i];
    }
    return result;
}

} // namespace qtview
