#pragma once

#include "bench/BillingEngine.h"

#include <QStringList>

// The billing measurement's databases as SQLite files in one directory; a copy is a file
// copy, with the log beside the file.
class SqliteBillingEngine : public BillingEngine {
public:
    explicit SqliteBillingEngine(const QString& dir);
    QString name() const override { return QStringLiteral("SQLite"); }
    Databases create(const QString& appserver, qint64 n, const QString& company,
                     double* seedSeconds) override;
    QString copyOfB(const QString& tag) override;
    void drop() override;

private:
    static void copy(const QString& from, const QString& to);

    QString m_a;
    QString m_b;
    QStringList m_copies;
};
