#include "server/Schema.h"

#include "core/Exception.h"
#include "server/SchemaVersion.h"
#include "server/SqlScript.h"

#include <QSql>

const QStringList& Schema::tableNames() {
    static const QStringList names{
        QStringLiteral("FILIAL"),      QStringLiteral("COMPANHIA"),  QStringLiteral("FORMEMISNF"),
        QStringLiteral("CIAFILI"),     QStringLiteral("SERIENF"),    QStringLiteral("TRANSPORT"),
        QStringLiteral("GRUPPROD"),    QStringLiteral("DIRETORIOS"), QStringLiteral("PERFECHAM"),
        QStringLiteral("BASE"),        QStringLiteral("VOOTRECHO"),  QStringLiteral("LOCALFATCIA"),
        QStringLiteral("CTRLAPURFAT"), QStringLiteral("NOTAFISCAL"), QStringLiteral("DELIVERY"),
        QStringLiteral("NUMERADOR"),
    };
    return names;
}

QString Schema::script(TDialect dialect) {
    switch (dialect) {
    case TDialect::SQLite:
        return SqlScript::resource(QStringLiteral(":/server/schema_sqlite.sql"));
    case TDialect::PostgreSQL:
        return SqlScript::resource(QStringLiteral(":/server/schema_postgresql.sql"));
    default:
        throw Exception(QStringLiteral("Não há esquema para bancos %1.").arg(dialectName(dialect)));
    }
}

void Schema::create(QSqlDatabase db, TDialect dialect) {
    SqlScript::run(db, script(dialect));
    SchemaVersion::recordCurrent(db);
}

QStringList Schema::existingTables(QSqlDatabase db) {
    const QStringList present = db.tables(QSql::Tables);
    QStringList found;
    for (const QString& name : tableNames()) {
        if (present.contains(name, Qt::CaseInsensitive))
            found.append(name);
    }
    return found;
}
