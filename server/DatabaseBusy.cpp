#include "server/DatabaseBusy.h"

QString DatabaseBusy::text() {
    return QStringLiteral("Banco de dados ocupado por outra apuração; tente novamente.");
}

// SQLite says "database is locked" (SQLITE_BUSY) or, for a table of a shared cache,
// "database table is locked"; PostgreSQL "canceling statement due to lock timeout" or, for
// NOWAIT, "could not obtain lock".
bool DatabaseBusy::is(const EDBEngineError& error) {
    QStringList texts = error.entries();
    texts.append(error.message());
    for (const QString& text : std::as_const(texts)) {
        for (const char* marker : {"database is locked", "database table is locked",
                                   "database is busy", "lock timeout", "could not obtain lock"}) {
            if (text.contains(QLatin1String(marker), Qt::CaseInsensitive))
                return true;
        }
    }
    return false;
}
