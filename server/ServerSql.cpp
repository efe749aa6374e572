#include "server/ServerSql.h"

#include "core/EDBEngineError.h"

#include <QSqlError>

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
