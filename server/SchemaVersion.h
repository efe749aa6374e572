#pragma once

#include <QSqlDatabase>

// The version of a database's schema, kept in table VERSAOESQUEMA (one row, NRVERSAO),
// and the upgrades that bring an older database to the current version: script
// sql/upgrade_N_ENGINE.sql takes version N-1 to N. A database made before versions were
// recorded has no such table and is version 1.
class SchemaVersion {
public:
    // The version this code creates and serves.
    static constexpr int kCurrent = 4;

    // Records kCurrent in a database whose tables the current scripts just created, inside
    // the caller's transaction.
    static void recordCurrent(QSqlDatabase db);
    // The version of the database; 0 when it has none of the system's tables.
    static int of(QSqlDatabase db);
    // Brings the database up to kCurrent in one transaction, or refuses one of a newer
    // version with the platform's Exception ("Banco de dados na versão N; este servidor
    // conhece até a versão M."). Returns the version the database had; a database
    // without tables is left alone. Safe when several servers start at once.
    static int bringUpToDate(QSqlDatabase db);
};
