#pragma once

#include <QString>

class QSqlDatabase;

// What the screen benchmark adds to the "basic" fixture: ABC at branch 0001 (by flight,
// closing on the 10th, 20th and 31st) gets `legs` flight legs in all, one in fifty with a
// delivery of the period the billing screen proposes; branch 0001 gets `companies` companies
// in all; a finished computation of ABC, kComputation, gets `invoices` invoices.
class GuiBenchData {
public:
    struct Sizes {
        int legs = 5000;
        int invoices = 10000;
        int companies = 5000;
    };
    static inline const QString kComputation = QStringLiteral("0000000090");
    // What the fixture has already.
    static constexpr int kFixtureLegs = 4;
    static constexpr int kFixtureCompanies = 6;

    // All or nothing: raises Exception with the database's text when a statement fails.
    static void seed(QSqlDatabase database, const Sizes& sizes);

private:
    static void add(QSqlDatabase& database, const Sizes& sizes);
};
