#include "platform/DisplayFormat.h"

#include <cmath>
#include <QStringList>

namespace {

// A section split into the text before the digits, the digit pattern and the text after.
struct Section {
    QString prefix;
    QString suffix;
    int minInt = 0;
    int minDec = 0;
    int maxDec = 0;
    bool grouping = false;
    bool hasDigits = false;
};

bool isPlaceholder(QChar c) {
    return c == u'0' || c == u'#';
}

QStringList splitSections(const QString& pattern) {
    QStringList sections;
    QString current;
    QChar quote;
    for (QChar c : pattern) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'"' || c == u'\'') {
            quote = c;
        } else if (c == u';') {
            sections << current;
            current.clear();
            continue;
        }
        current += c;
    }
    sections << current;
    return sections;
}

// Appends a literal character, dropping the quotes around quoted text.
void appendLiteral(QString& out, const QString& text, int& i) {
    const QChar c = text[i];
    if (c == u'"' || c == u'\'') {
        int end = text.indexOf(c, i + 1);
        if (end < 0)
            end = text.size();
        out += text.mid(i + 1, end - i - 1);
        i = end;
    } else {
        out += c;
    }
}

Section parseSection(const QString& text) {
    Section s;
    int first = -1;
    int last = -1;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'"' || c == u'\'') {
            const int end = text.indexOf(c, i + 1);
            i = end < 0 ? text.size() : end;
            continue;
        }
        if (isPlaceholder(c)) {
            if (first < 0)
                first = i;
            last = i;
        }
    }
    if (first < 0) {
        for (int i = 0; i < text.size(); ++i)
            appendLiteral(s.prefix, text, i);
        return s;
    }
    s.hasDigits = true;
    // A decimal point right before the first digit ("#.00" written as ".00") still counts.
    if (first > 0 && text[first - 1] == u'.')
        --first;
    for (int i = 0; i < first; ++i)
        appendLiteral(s.prefix, text, i);
    for (int i = last + 1; i < text.size(); ++i)
        appendLiteral(s.suffix, text, i);
    bool afterPoint = false;
    for (int i = first; i <= last; ++i) {
        const QChar c = text[i];
        if (c == u'.') {
            afterPoint = true;
        } else if (c == u',') {
            s.grouping = true;
        } else if (isPlaceholder(c)) {
            if (afterPoint) {
                ++s.maxDec;
                if (c == u'0')
                    s.minDec = s.maxDec;
            } else if (c == u'0') {
                ++s.minInt;
            }
        }
    }
    return s;
}

QString groupDigits(const QString& digits, const QString& separator) {
    QString out;
    const int n = digits.size();
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += separator;
        out += digits[i];
    }
    return out;
}

// Formats a non-negative value by one section.
QString formatAbs(const Section& s, double value) {
    if (!s.hasDigits)
        return s.prefix;
    const QString fixed = QString::number(value, 'f', s.maxDec);
    const int point = fixed.indexOf(u'.');
    QString intPart = point < 0 ? fixed : fixed.left(point);
    QString decPart = point < 0 ? QString() : fixed.mid(point + 1);
    while (decPart.size() > s.minDec && decPart.endsWith(u'0'))
        decPart.chop(1);
    if (intPart == u"0" && s.minInt == 0)
        intPart.clear();
    while (intPart.size() < s.minInt)
        intPart.prepend(u'0');
    const QLocale& loc = DisplayFormat::locale();
    if (s.grouping)
        intPart = groupDigits(intPart, loc.groupSeparator());
    QString out = s.prefix + intPart;
    if (!decPart.isEmpty())
        out += loc.decimalPoint() + decPart;
    return out + s.suffix;
}

// True when the value shows as zero with the section's number of decimals.
bool roundsToZero(const Section& s, double value) {
    return std::fabs(value) < 0.5 * std::pow(10.0, -s.maxDec);
}

} // namespace

const QLocale& DisplayFormat::locale() {
    static const QLocale loc(QLocale::Portuguese, QLocale::Brazil);
    return loc;
}

QString DisplayFormat::formatFloat(const QString& pattern, double value) {
    if (std::isnan(value) || std::isinf(value))
        return QString();
    const QStringList sections = splitSections(pattern);
    const Section positive = parseSection(sections[0]);
    if (roundsToZero(positive, value)) {
        if (sections.size() > 2 && !sections[2].isEmpty())
            return formatAbs(parseSection(sections[2]), 0.0);
        return formatAbs(positive, 0.0);
    }
    if (value < 0) {
        if (sections.size() > 1 && !sections[1].isEmpty())
            return formatAbs(parseSection(sections[1]), -value);
        return u'-' + formatAbs(positive, -value);
    }
    return formatAbs(positive, value);
}
