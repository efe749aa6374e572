#pragma once

#include "bench/BillingEngine.h"

#include <QStringList>

// The billing measurement's databases on a PostgreSQL server: zelbench_a, zelbench_b and
// their copies, created and dropped through the database `url` names.
class PostgreSqlBillingEngine : public BillingEngine {
public:
    explicit PostgreSqlBillingEngine(const QString& url)
        : m_url(url) {}
    QString name() const override { return QStringLiteral("PostgreSQL"); }
    Databases create(const QString& appserver, qint64 n, const QString& company,
                     double* seedSeconds) override;
    QString copyOfB(const QString& tag) override;
    // The previous run's log written out now, not by a checkpoint in the middle of this one.
    void settle() override { admin(QStringLiteral("CHECKPOINT")); }
    void drop() override;

private:
    static void keepAutovacuumAway(const QString& url);
    int serverVersion() const;
    // On the database named by --pg: CREATE and DROP DATABASE need a connection elsewhere.
    void admin(const QString& statement) const;
    QString urlOf(const QString& database) const;

    QString m_url;
    QStringList m_copies;
};
