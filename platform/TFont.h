#pragma once

#include "platform/TColor.h"

#include <QString>

// The few font properties the screens set; the view maps them to a real font.
struct TFont {
    QString name = QStringLiteral("MS Sans Serif");
    int size = 8;
    bool bold = false;
    TColor color = clWindowText;

    bool operator==(const TFont&) const = default;
};
