#pragma once

#include <QDate>
#include <QSqlDatabase>
#include <QStringList>

// Fills a freshly created schema. Everything is deterministic: the same calls give the
// same rows on every run and engine (no clock, fixed seeds).
//   fixture(name)      a small named data set for tests (sql/fixtures/NAME.sql, which
//                      documents its rows)
//   demo(today)        a realistic small data set with Brazilian names, its companies'
//                      last closings set so that on `today` the billing screen proposes
//                      the period that closed last
//   demoActivity(today) the demo's deliveries and computations around that date (see
//                      DemoActivity)
//   deliveries(n)      n more deliveries spread over the legs and billing locations
//                      already present, dated from 2024-06-01 to 2026-12-31 (wide
//                      enough that a period typed today still finds some), numbered
//                      "G00000000001" on, each with an NRFATURAMENTO; with `only`
//                      ("FILIAL/CIA") just the legs of that branch and company, so that
//                      one computation can take them all
class SeedData {
public:
    explicit SeedData(QSqlDatabase db);

    static QStringList fixtureNames();
    static bool isFixture(const QString& name);
    void fixture(const QString& name);

    void demo(const QDate& today);
    void demoActivity(const QDate& today);
    // Returns how many were written.
    qint64 deliveries(qint64 count, const QString& only = {});

private:
    void demoReference();
    void demoCompanies(const QDate& today);
    void demoCarriers();

    QSqlDatabase m_db;
};
