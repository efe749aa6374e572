#include "server/SchemaVersion.h"

#include "core/Exception.h"
#include "server/Schema.h"
#include "server/ServerSql.h"
#include "server/SqlScript.h"
#include "server/SqlTransaction.h"

#include <QSql>

namespace {

const QString kTable = QStringLiteral("VERSAOESQUEMA");

bool hasTable(QSqlDatabase db, const QString& name) {
    return db.tables(QSql::Tables).contains(name, Qt::CaseInsensitive);
}

void refuseNewer(int found) {
    if (found > SchemaVersion::kCurrent)
        throw Exception(QStringLiteral("Banco de dados na versão %1; este servidor conhece até a "
                                       "versão %2.")
                            .arg(found)
                            .arg(SchemaVersion::kCurrent));
}

QString upgradeScript(TDialect dialect, int version) {
    const QString engine =
        dialect == TDialect::PostgreSQL ? QStringLiteral("postgresql") : QStringLiteral("sqlite");
    return SqlScript::resource(
        QStringLiteral(":/server/upgrade_%1_%2.sql").arg(version).arg(engine));
}

void write(const ServerSql& sql, int version, bool tableExists) {
    if (!tableExists)
        sql.exec(
            QStringLiteral("CREATE TABLE VERSAOESQUEMA (NRVERSAO INTEGER NOT NULL PRIMARY KEY)"));
    sql.exec(QStringLiteral("DELETE FROM VERSAOESQUEMA"));
    sql.change(QStringLiteral("INSERT INTO VERSAOESQUEMA (NRVERSAO) VALUES (:version)"),
               {{"version", version}});
}

} // namespace

void SchemaVersion::recordCurrent(QSqlDatabase db) {
    write(ServerSql(db), kCurrent, hasTable(db, kTable));
}

int SchemaVersion::of(QSqlDatabase db) {
    if (!hasTable(db, kTable))
        return Schema::existingTables(db).isEmpty() ? 0 : 1;
    const QVariant version =
        ServerSql(db).scalar(QStringLiteral("SELECT MAX(NRVERSAO) FROM VERSAOESQUEMA"));
    return version.isNull() ? 1 : version.toInt();
}

int SchemaVersion::bringUpToDate(QSqlDatabase db) {
    int found = of(db);
    refuseNewer(found);
    if (found == 0 || found == kCurrent)
        return found;
    const ServerSql sql(db);
    SqlTransaction transaction(sql);
    // Another server starting at the same moment may have upgraded it meanwhile: read the
    // version again once no one else can (SQLite's write transaction already excludes).
    if (sql.dialect() == TDialect::PostgreSQL)
        sql.exec(QStringLiteral("LOCK TABLE CTRLAPURFAT IN ACCESS EXCLUSIVE MODE"));
    found = of(db);
    refuseNewer(found);
    if (found < kCurrent) {
        const bool tableExists = hasTable(db, kTable);
        for (int version = found + 1; version <= kCurrent; ++version)
            SqlScript::run(db, upgradeScript(sql.dialect(), version));
        write(sql, kCurrent, tableExists);
    }
    transaction.commit();
    return found;
}
