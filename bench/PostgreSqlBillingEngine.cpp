#include "bench/PostgreSqlBillingEngine.h"

#include "bench/PgAdmin.h"
#include "db/TDatabase.h"

#include <QSqlQuery>

BillingEngine::Databases PostgreSqlBillingEngine::create(const QString& appserver, qint64 n,
                                                         const QString& company,
                                                         double* seedSeconds) {
    drop();
    admin(QStringLiteral("CREATE DATABASE zelbench_a"));
    const QString a = urlOf(QStringLiteral("zelbench_a"));
    *seedSeconds = seed(appserver, a, n, company);
    admin(QStringLiteral("CREATE DATABASE zelbench_b TEMPLATE zelbench_a"));
    const QString b = urlOf(QStringLiteral("zelbench_b"));
    keepAutovacuumAway(b);
    return {a, b};
}

QString PostgreSqlBillingEngine::copyOfB(const QString& tag) {
    const QString name = QStringLiteral("zelbench_%1").arg(tag);
    admin(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name));
    // Copied file by file: copied through the shared buffers (the default from version 15
    // on), the copy made last would start with its pages cached and the other not.
    const QString strategy =
        serverVersion() >= 150000 ? QStringLiteral(" STRATEGY = FILE_COPY") : QString();
    admin(QStringLiteral("CREATE DATABASE %1 TEMPLATE zelbench_b%2").arg(name, strategy));
    m_copies.append(name);
    return urlOf(name);
}

void PostgreSqlBillingEngine::drop() {
    for (const QString& name :
         QStringList{QStringLiteral("zelbench_a"), QStringLiteral("zelbench_b")} + m_copies)
        admin(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name));
    m_copies.clear();
}

// The copies are made from B with its tables' settings. Without this, the autovacuum of the
// copy that one side has just marked would run while the other side is timed (and with turns
// alternating over an odd number of rounds, more often during one side's runs than the
// other's). The copies have their statistics already and live for one run.
void PostgreSqlBillingEngine::keepAutovacuumAway(const QString& url) {
    for (const char* table : {"DELIVERY", "NOTAFISCAL", "CTRLAPURFAT", "NUMERADOR"})
        PgAdmin::run(url, QStringLiteral("ALTER TABLE %1 SET (autovacuum_enabled = false)")
                              .arg(QLatin1String(table)));
}

int PostgreSqlBillingEngine::serverVersion() const {
    TDatabase db;
    db.open(m_url);
    QSqlQuery query(db.database());
    return query.exec(QStringLiteral("SHOW server_version_num")) && query.next()
               ? query.value(0).toInt()
               : 0;
}

void PostgreSqlBillingEngine::admin(const QString& statement) const {
    PgAdmin::run(m_url, statement);
}

QString PostgreSqlBillingEngine::urlOf(const QString& database) const {
    return PgAdmin::urlOf(m_url, database);
}
