#pragma once

#include <QDate>
#include <QList>
#include <QSqlDatabase>
#include <QString>

// One company of the load benchmark's database, as its desktop needs to know it: the
// billing screen would have read these from the database itself.
struct LoadCompany {
    QString filial;
    QString cdcia;
    QString sgcia;
    QString cliente;
    QString serie;
    QDate firstDay; // its periods are the days from here on, one computation each
    int periods = 0;
    int legs = 0;
};

// Fills an empty schema (made by `zel-appserver init-db URL`) for the load benchmark:
// branch 0001, `companies` companies billed by flight number with their branch link,
// closing days, legs, carrier and billing location, and for each company `periods`
// consecutive days holding `perPeriod` deliveries each, spread over its legs. Deterministic,
// in one transaction.
class LoadSeed {
public:
    static constexpr int kLegsPerCompany = 3;

    static QList<LoadCompany> write(QSqlDatabase db, int companies, int periods, int perPeriod);
    // The companies write() makes, without touching a database.
    static QList<LoadCompany> companies(int count, int periods);
};
