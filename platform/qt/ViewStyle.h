#pragma once

#include "platform/TColor.h"
#include "platform/TFont.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QLocale>
#include <QString>

class QApplication;
class QWidget;
class TBitmap;

namespace qtview {

// How model fonts, colours and pictures look on screen, and the locale of every text shown.
class ViewStyle {
public:
    // Fusion style, Brazilian Portuguese locale and Qt's Portuguese texts, the default font:
    // call once after the QApplication exists.
    static void install(QApplication& application);
    static const QLocale& locale();

    // The screens name the fonts of the platform they were drawn on; those become a sans
    // serif of similar width, at the pixel size the point size had on a 96 dpi screen.
    static QFont font(const TFont& font);
    static QColor color(TColor color) {
        return QColor(redOf(color), greenOf(color), blueOf(color));
    }
    // The text colour of disabled display fields: darker than Qt's default so that values
    // stay readable on the button-face background.
    static QColor disabledText() { return QColor(70, 70, 70); }

    static QImage image(const TBitmap& bitmap);
    // The symbol fonts of the check-column titles have no equivalent here: their check-mark
    // characters ("3", "4") become the Unicode check marks in the default font.
    static bool isSymbolFont(const QString& name);
    static QString symbolText(const QString& text);

    // Raises and activates a window (the offscreen platform cannot raise: skipped there).
    static void bringToFront(QWidget* window);

    // Removes the accelerator marks of a caption ("&Transp." -> "Transp.", "&&" -> "&").
    static QString stripAccelerator(const QString& caption);
};

} // namespace qtview
