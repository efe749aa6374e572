#pragma once

#include <QString>
#include <QtGlobal>

// Where the two databases of one billing measurement live: A, seeded by init-db, where the
// server computes; B, a copy of it, where the script computes; and fresh copies of B for each
// round.
class BillingEngine {
public:
    struct Databases {
        QString a; // the server computes here
        QString b; // the script computes here
    };

    virtual ~BillingEngine() = default;
    virtual QString name() const = 0;
    // A seeded with n deliveries of `company` ("BRANCH/COMPANY") by init-db (timed into
    // *seedSeconds), B a copy of it.
    virtual Databases create(const QString& appserver, qint64 n, const QString& company,
                             double* seedSeconds) = 0;
    // One more copy of B as it was created, named `tag`; dropped by drop().
    virtual QString copyOfB(const QString& tag) = 0;
    virtual void drop() = 0;
    // Before each timed run: nothing left over from the one before weighs on it.
    virtual void settle() {}

protected:
    // init-db of the demo data with n deliveries of `company` on `url`; returns its seconds.
    static double seed(const QString& appserver, const QString& url, qint64 n,
                       const QString& company);
};
