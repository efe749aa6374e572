#include "server/SqlScript.h"

#include "core/Exception.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>

namespace {

// Index just past the run that starts at `i` and ends with `terminator`.
qsizetype skipTo(const QString& text, qsizetype i, const QString& terminator) {
    const qsizetype end = text.indexOf(terminator, i);
    return end < 0 ? text.size() : end + terminator.size();
}

// "$$" or "$tag$" starting at `i`, empty when there is none.
QString dollarTag(const QString& text, qsizetype i) {
    qsizetype j = i + 1;
    while (j < text.size() && (text[j].isLetterOrNumber() || text[j] == QLatin1Char('_')))
        ++j;
    if (j < text.size() && text[j] == QLatin1Char('$'))
        return text.mid(i, j - i + 1);
    return {};
}

} // namespace

QStringList SqlScript::split(const QString& script) {
    QStringList statements;
    qsizetype start = 0;
    qsizetype i = 0;
    const qsizetype n = script.size();
    // Whether the text since `start` holds more than comments and blanks: a script that
    // only explains why an engine has nothing to change sends nothing.
    bool content = false;
    auto finish = [&](qsizetype end) {
        if (content)
            statements.append(script.mid(start, end - start).trimmed());
        start = end + 1;
        content = false;
    };
    while (i < n) {
        const QChar c = script[i];
        const QChar next = i + 1 < n ? script[i + 1] : QChar();
        const bool comment = (c == QLatin1Char('-') && next == QLatin1Char('-')) ||
                             (c == QLatin1Char('/') && next == QLatin1Char('*'));
        if (!comment && c != QLatin1Char(';') && !c.isSpace())
            content = true;
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            // A doubled quote reads as the end of one run and the start of the next.
            i = skipTo(script, i + 1, QString(c));
        } else if (c == QLatin1Char('-') && next == QLatin1Char('-')) {
            i = skipTo(script, i, QStringLiteral("\n"));
        } else if (c == QLatin1Char('/') && next == QLatin1Char('*')) {
            i = skipTo(script, i + 2, QStringLiteral("*/"));
        } else if (c == QLatin1Char('$') && !dollarTag(script, i).isEmpty()) {
            const QString tag = dollarTag(script, i);
            i = skipTo(script, i + tag.size(), tag);
        } else if (c == QLatin1Char(';')) {
            finish(i);
            ++i;
        } else {
            ++i;
        }
    }
    finish(n);
    return statements;
}

void SqlScript::run(QSqlDatabase db, const QString& script) {
    for (const QString& statement : split(script))
        exec(db, statement);
}

void SqlScript::exec(QSqlDatabase db, const QString& statement) {
    QSqlQuery query(db);
    if (query.exec(statement))
        return;
    const QSqlError error = query.lastError();
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    throw Exception(
        QStringLiteral("%1\nInstrução: %2").arg(text.trimmed(), statement.left(200).simplified()));
}

QString SqlScript::resource(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Recurso interno não encontrado: %1").arg(path));
    return QString::fromUtf8(file.readAll());
}
