#include "bench/PgAdmin.h"

#include "core/Exception.h"
#include "db/TDatabase.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

void PgAdmin::run(const QString& url, const QString& statement) {
    TDatabase db;
    db.open(url);
    QSqlQuery query(db.database());
    // DROP ... IF EXISTS would print a notice for a database not there.
    query.exec(QStringLiteral("SET client_min_messages = warning"));
    if (!query.exec(statement))
        throw Exception(
            QStringLiteral("%1 falhou: %2").arg(statement, query.lastError().text().trimmed()));
}

QString PgAdmin::urlOf(const QString& url, const QString& database) {
    QUrl changed(url);
    changed.setPath(QLatin1Char('/') + database);
    return changed.toString();
}
