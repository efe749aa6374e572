#pragma once

#include "db/TDialect.h"

#include <QSqlDatabase>
#include <QStringList>

// The tables of the billing database, one script per engine (sql/schema_*.sql), at the
// current version of the schema (SchemaVersion, which keeps its own table beside these).
class Schema {
public:
    // Every table the scripts create, in creation order.
    static const QStringList& tableNames();
    static QString script(TDialect dialect);
    // Runs the script and records the current version; raises the platform's Exception on
    // the first failure.
    static void create(QSqlDatabase db, TDialect dialect);
    // Which of tableNames() the database already has.
    static QStringList existingTables(QSqlDatabase db);
};
