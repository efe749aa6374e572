#include "server/ServerSql.h"

#include "core/EDBEngineError.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>

#include <optional>

namespace {

QString errorText(const QSqlError& error) {
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.driverText().trimmed();
    return text.isEmpty() ? error.text().trimmed() : text;
}

[[noreturn]] void fail(const QSqlError& error) {
    throw EDBEngineError(errorText(error), {error.driverText(), error.databaseText()});
}

const QString kIsoDateTime = QStringLiteral("yyyy-MM-dd HH:mm:ss");

bool isNameChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_';
}

// A value written as the PostgreSQL driver writes the values of a prepared statement's
// EXECUTE, which is where its prepared statements put them anyway.
QString literal(const QVariant& value, const QSqlDriver* driver) {
    QSqlField field;
    field.setMetaType(value.metaType());
    if (!value.isValid() || value.isNull())
        field.clear();
    else
        field.setValue(value);
    return driver->formatValue(field);
}

// `sql` with each named placeholder (":name", outside quotes, not a "::" cast) replaced by
// the literal of its value; empty when a placeholder has no value. A prepared statement
// costs PostgreSQL three round trips (PREPARE, EXECUTE, DEALLOCATE) for what this sends in
// one: under many desktops the round trips, each a wake-up of three processes, are what a
// short call waits for.
template <typename Lookup>
QString inlined(const QString& sql, const QSqlDriver* driver, Lookup valueOf) {
    QString out;
    out.reserve(sql.size() + 64);
    QChar quote;
    const qsizetype n = sql.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = sql.at(i);
        if (!quote.isNull()) {
            out += c;
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == u'\'' || c == u'"') {
            quote = c;
            out += c;
            continue;
        }
        if (c == u':' && i + 1 < n && isNameChar(sql.at(i + 1)) &&
            (i == 0 || sql.at(i - 1) != u':')) {
            qsizetype end = i + 1;
            while (end < n && isNameChar(sql.at(end)))
                ++end;
            const std::optional<QVariant> value = valueOf(QStringView(sql).mid(i + 1, end - i - 1));
            if (!value)
                return {};
            out += literal(*value, driver);
            i = end - 1;
            continue;
        }
        out += c;
    }
    return out;
}

} // namespace

ServerSql::ServerSql(QSqlDatabase db)
    : m_db(std::move(db))
    , m_dialect(m_db.driverName() == QLatin1String("QPSQL") ? TDialect::PostgreSQL
                                                            : TDialect::SQLite) {}

QSqlQuery ServerSql::exec(const QString& sql, Binds binds) const {
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    // Statements without parameters run unprepared: PostgreSQL cannot prepare BEGIN.
    if (binds.size() == 0) {
        if (!query.exec(sql))
            fail(query.lastError());
        return query;
    }
    if (m_dialect == TDialect::PostgreSQL) {
        const QString text =
            inlined(sql, m_db.driver(), [&](QStringView name) -> std::optional<QVariant> {
                for (const auto& [bound, value] : binds) {
                    if (name == QLatin1String(bound))
                        return value;
                }
                return std::nullopt;
            });
        if (!text.isEmpty()) {
            if (!query.exec(text))
                fail(query.lastError());
            return query;
        }
    }
    if (!query.prepare(sql))
        fail(query.lastError());
    for (const auto& [name, value] : binds)
        query.bindValue(QStringLiteral(":") + QString::fromLatin1(name), value);
    if (!query.exec())
        fail(query.lastError());
    return query;
}

QSqlQuery ServerSql::exec(const QString& sql,
                          const QList<std::pair<QString, QVariant>>& binds) const {
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (m_dialect == TDialect::PostgreSQL && !binds.isEmpty()) {
        const QString text =
            inlined(sql, m_db.driver(), [&](QStringView name) -> std::optional<QVariant> {
                for (const auto& [bound, value] : binds) {
                    if (name == bound)
                        return value;
                }
                return std::nullopt;
            });
        if (!text.isEmpty()) {
            if (!query.exec(text))
                fail(query.lastError());
            return query;
        }
    }
    if (!query.prepare(sql))
        fail(query.lastError());
    for (const auto& [name, value] : binds)
        query.bindValue(QStringLiteral(":") + name, value);
    if (!query.exec())
        fail(query.lastError());
    return query;
}

int ServerSql::change(const QString& sql, Binds binds) const {
    return exec(sql, binds).numRowsAffected();
}

QVariant ServerSql::scalar(const QString& sql, Binds binds) const {
    QSqlQuery query = exec(sql, binds);
    return query.next() ? query.value(0) : QVariant();
}

QVariant ServerSql::bindDate(const QDate& date) {
    if (!date.isValid())
        return QVariant(QMetaType::fromType<QString>());
    return date.toString(Qt::ISODate);
}

QVariant ServerSql::bindDateTime(const QDateTime& moment) {
    if (!moment.isValid())
        return QVariant(QMetaType::fromType<QString>());
    return moment.toString(kIsoDateTime);
}

QVariant ServerSql::textOrNull(const QString& text) {
    return text.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(text);
}

QVariant ServerSql::textNotNull(const QString& text) {
    return text.isNull() ? QVariant(QStringLiteral("")) : QVariant(text);
}

QDate ServerSql::toDate(const QVariant& value) {
    if (value.isNull())
        return {};
    switch (value.typeId()) {
    case QMetaType::QDate:
        return value.toDate();
    case QMetaType::QDateTime:
        return value.toDateTime().date();
    default:
        return QDate::fromString(value.toString().left(10), Qt::ISODate);
    }
}

QDateTime ServerSql::toDateTime(const QVariant& value) {
    if (value.isNull())
        return {};
    switch (value.typeId()) {
    case QMetaType::QDateTime:
        return value.toDateTime();
    case QMetaType::QDate:
        return value.toDate().startOfDay();
    default: {
        const QString text = value.toString().left(19).replace(QLatin1Char('T'), QLatin1Char(' '));
        QDateTime moment = QDateTime::fromString(text, kIsoDateTime);
        return moment.isValid() ? moment : toDate(value).startOfDay();
    }
    }
}

bool ServerSql::isUniqueViolation(const QString& driverText) {
    // PostgreSQL: "duplicate key value violates unique constraint"; SQLite: "UNIQUE
    // constraint failed".
    return driverText.contains(QLatin1String("unique"), Qt::CaseInsensitive);
}
