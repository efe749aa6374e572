#pragma once

#include <QLocale>
#include <QString>

// Numeric display formats of fields ("#,##0.00", "0.000", "#,##0.00;(#,##0.00);-"):
// sections for positive;negative;zero, '0' a required digit, '#' an optional one, '.'
// where the decimal separator goes, ',' anywhere among the digits turns on thousands
// grouping, quoted text and other characters are copied. Separators are Brazilian
// Portuguese, whatever the system locale is.
class DisplayFormat {
public:
    static QString formatFloat(const QString& pattern, double value);
    // The locale of every text a user sees.
    static const QLocale& locale();
};
