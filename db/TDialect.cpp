#include "db/TDialect.h"

QString dialectName(TDialect dialect) {
    switch (dialect) {
    case TDialect::SQLite:
        return QStringLiteral("SQLite");
    case TDialect::PostgreSQL:
        return QStringLiteral("PostgreSQL");
    case TDialect::InterBase:
        return QStringLiteral("InterBase");
    case TDialect::Oracle:
        return QStringLiteral("Oracle");
    }
    return {};
}
