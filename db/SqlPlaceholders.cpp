#include "db/SqlPlaceholders.h"

namespace {

bool isNameStart(QChar c) {
    return c.isLetter() || c == QLatin1Char('_');
}

bool isNameChar(QChar c) {
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

// Index just past a quoted run that starts at `i` with `quote`; a doubled quote is an
// escaped one. An unterminated run ends the text.
qsizetype skipQuoted(const QString& sql, qsizetype i, QChar quote) {
    const qsizetype n = sql.size();
    for (++i; i < n; ++i) {
        if (sql[i] != quote)
            continue;
        if (i + 1 < n && sql[i + 1] == quote) {
            ++i;
            continue;
        }
        return i + 1;
    }
    return n;
}

qsizetype skipLineComment(const QString& sql, qsizetype i) {
    const qsizetype end = sql.indexOf(QLatin1Char('\n'), i);
    return end < 0 ? sql.size() : end + 1;
}

qsizetype skipBlockComment(const QString& sql, qsizetype i) {
    const qsizetype end = sql.indexOf(QLatin1String("*/"), i + 2);
    return end < 0 ? sql.size() : end + 2;
}

} // namespace

QList<SqlPlaceholders::Occurrence> SqlPlaceholders::find(const QString& sql) {
    QList<Occurrence> found;
    const qsizetype n = sql.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = sql[i];
        const QChar next = i + 1 < n ? sql[i + 1] : QChar();
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            i = skipQuoted(sql, i, c);
        } else if (c == QLatin1Char('-') && next == QLatin1Char('-')) {
            i = skipLineComment(sql, i);
        } else if (c == QLatin1Char('/') && next == QLatin1Char('*')) {
            i = skipBlockComment(sql, i);
        } else if (c == QLatin1Char(':') && next == QLatin1Char(':')) {
            i += 2; // a cast, "x::text"
        } else if (c == QLatin1Char(':') && isNameStart(next) &&
                   (i == 0 || !isNameChar(sql[i - 1]))) {
            qsizetype end = i + 1;
            while (end < n && isNameChar(sql[end]))
                ++end;
            found.append({i, end - i, sql.mid(i + 1, end - i - 1)});
            i = end;
        } else {
            ++i;
        }
    }
    return found;
}

QStringList SqlPlaceholders::names(const QString& sql) {
    QStringList result;
    for (const Occurrence& o : find(sql)) {
        if (!result.contains(o.name, Qt::CaseInsensitive))
            result.append(o.name);
    }
    return result;
}

QString SqlPlaceholders::withCasts(const QString& sql,
                                   const std::function<QString(const QString& name)>& typeOf) {
    QString result;
    result.reserve(sql.size() + 32);
    qsizetype copied = 0;
    for (const Occurrence& o : find(sql)) {
        result += QStringView(sql).mid(copied, o.position - copied);
        result += QStringLiteral("CAST(:%1 AS %2)").arg(o.name, typeOf(o.name));
        copied = o.position + o.length;
    }
    result += QStringView(sql).mid(copied);
    return result;
}
