#include "bench/GuiBenchData.h"

#include "core/Exception.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace {

void run(QSqlDatabase& database, const QString& sql) {
    QSqlQuery query(database);
    if (!query.exec(sql))
        throw Exception(QStringLiteral("Falha ao preparar os dados: %1\n%2")
                            .arg(query.lastError().text(), sql));
}

// "WITH RECURSIVE n(i) ... " counting 1..count, for an INSERT ... SELECT over n.
QString numbers(int count) {
    return QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                          "WHERE i < %1) ")
        .arg(count);
}

} // namespace

void GuiBenchData::seed(QSqlDatabase database, const Sizes& sizes) {
    if (!database.transaction())
        throw Exception(database.lastError().text());
    try {
        add(database, sizes);
    } catch (...) {
        database.rollback();
        throw;
    }
    if (!database.commit())
        throw Exception(database.lastError().text());
}

void GuiBenchData::add(QSqlDatabase& database, const Sizes& sizes) {
    const int legs = sizes.legs - kFixtureLegs;
    if (legs > 0) {
        // Flights 10001 on, each on one of a few routes between the fixture's bases.
        run(database,
            numbers(legs) +
                QStringLiteral("INSERT INTO VOOTRECHO (CDFILIAL, CDCIA, NRVOO, SGBASEORI, "
                               "SGBASEDES, IDTIPVOO) SELECT '0001', '0001', CAST(10000 + i AS "
                               "TEXT), CASE i % 3 WHEN 0 THEN 'GRU' WHEN 1 THEN 'GIG' ELSE 'BSB' "
                               "END, CASE i % 4 WHEN 0 THEN 'REC' WHEN 1 THEN 'POA' WHEN 2 THEN "
                               "'MAO' ELSE 'FOR' END, CASE WHEN i % 7 = 0 THEN '2' ELSE '1' END "
                               "FROM n"));
        run(database,
            numbers(legs / 50) +
                QStringLiteral(
                    "INSERT INTO DELIVERY (NRDELIVERY, CDFILIAL, CDCIA, DTDELIVERY, NRVOO, "
                    "SGBASEORI, SGBASEDES, CDLOCAFATCIA, CDGRUPPROD, VRSERVICO, VRMOEDESTR, "
                    "NRFATURAMENTO) SELECT printf('B%011d', i), '0001', '0001', '2024-02-01', "
                    "V.NRVOO, V.SGBASEORI, V.SGBASEDES, 'GRU-TECA', NULL, 1000 * i, 200 * i, "
                    "printf('FB%010d', i) FROM n JOIN VOOTRECHO V ON V.CDFILIAL = '0001' AND "
                    "V.CDCIA = '0001' AND V.NRVOO = CAST(10000 + 50 * i AS TEXT)"));
    }
    const int companies = sizes.companies - kFixtureCompanies;
    if (companies > 0) {
        run(database, numbers(companies) +
                          QStringLiteral("INSERT INTO COMPANHIA (CDCIA, SGCIA, NMCIA, CDCLIENTE, "
                                         "IDNACCIA) SELECT printf('%04d', 1000 + i), "
                                         "printf('C%04d', i), printf('Companhia Aérea %04d', "
                                         "i), printf('CLI%09d', 1000 + i), 'S' FROM n"));
        run(database,
            numbers(companies) +
                QStringLiteral("INSERT INTO CIAFILI (CDFILIAL, CDCIA, DTULTFECH, QTDIASFATURA, "
                               "CDTIPEMNF, CDSERIE, IDPERCANAPUFUT, IDCALCPROXFAT) SELECT "
                               "'0001', printf('%04d', 1000 + i), '2024-01-31', 5, 'FV02', '1', "
                               "'N', 'S' FROM n"));
    }
    if (sizes.invoices > 0) {
        run(database,
            QStringLiteral(
                "INSERT INTO CTRLAPURFAT (NRAPURACFAT, IDTIPAPUR, CDFILIALTRAB, CDFILIAL, CDCIA, "
                "CDCLIENTE, DTINIAPURAC, DTFIMAPURAC, DTFATURA, CDSERIE, IDTPIJURTRAN, "
                "NRINSJURTRAN, NRPEDIDO, IDSTATUS, DTHRINICIO) VALUES ('") +
                kComputation +
                QStringLiteral("', 'F', '0001', '0001', '0001', 'CLI000000001', '2023-12-01', "
                               "'2023-12-31', '2024-01-05', '1', "
                               "'J', '11222333000181', '0000000090', 'F', '2024-01-05 09:00:00')"));
        run(database,
            numbers(sizes.invoices) +
                QStringLiteral("INSERT INTO NOTAFISCAL (NRLANCTONF, CDFILIAL, NRAPURACFAT, "
                               "CDCLIENTE, CDCIA, CDSERIE, DTENTRSAID, VRNOTAFISC, VRTTMOEDESTR, "
                               "NRVOO, IDEMITIDA) SELECT printf('9%09d', i), '0001', '") +
                kComputation +
                QStringLiteral("', 'CLI000000001', '0001', '1', '2024-01-05', 100000 + 37 * i, "
                               "20000 + 7 * i, '1010', 'N' FROM n"));
    }
}
