#include "bench/LoadSeed.h"

#include "core/Exception.h"
#include "server/BulkInsert.h"

#include <QSqlError>

#include <vector>

namespace {

const QString kFilial = QStringLiteral("0001");
const QString kIssueForm = QStringLiteral("FV02");
const QDate kFirstDay(2020, 1, 1);
// A valid company register, the carrier every desktop keeps choosing.
const QString kCarrier = QStringLiteral("11222333000181");
const char* const kDestinations[] = {"REC", "FOR", "POA"};

QString pad(qint64 n, int width) {
    return QStringLiteral("%1").arg(n, width, 10, QLatin1Char('0'));
}

void insertRows(QSqlDatabase db, const QString& table, const QStringList& columns,
                const std::vector<QVariantList>& rows) {
    BulkInsert insert(db, table, columns);
    for (const QVariantList& row : rows)
        insert.add(row);
    insert.finish();
}

QString flightOf(const LoadCompany& company, int leg) {
    return QString::number(company.cdcia.toInt() * 10 + leg);
}

} // namespace

QList<LoadCompany> LoadSeed::companies(int count, int periods) {
    QList<LoadCompany> companies;
    for (int i = 1; i <= count; ++i) {
        const QString cdcia = pad(i, 4);
        companies.append({kFilial, cdcia, QStringLiteral("C") + pad(i, 3),
                          QStringLiteral("CLI") + cdcia, QStringLiteral("1"), kFirstDay, periods,
                          kLegsPerCompany});
    }
    return companies;
}

QList<LoadCompany> LoadSeed::write(QSqlDatabase db, int count, int periods, int perPeriod) {
    const QList<LoadCompany> list = companies(count, periods);
    if (!db.transaction())
        throw Exception(db.lastError().text());
    try {
        insertRows(db, QStringLiteral("FILIAL"),
                   {"CDFILIAL", "NMFILIAL", "CDEMPRESA", "CDINSCESTA", "CDINSCMUNI"},
                   {{kFilial, "Matriz Guarulhos", "0001", "336001234110", "1234567"}});
        insertRows(db, QStringLiteral("FORMEMISNF"), {"CDTIPEMNF", "DSTIPEMNF", "IDTIPEMNF"},
                   {{kIssueForm, "Por número de vôo", "02"}});
        insertRows(db, QStringLiteral("BASE"), {"SGBASE", "NMBASE"},
                   {{"GRU", "Guarulhos"},
                    {"REC", "Recife"},
                    {"FOR", "Fortaleza"},
                    {"POA", "Porto Alegre"}});
        insertRows(db, QStringLiteral("SERIENF"),
                   {"CDEMPRESA", "CDINSCESTA", "CDINSCMUNI", "CDSERIE", "DSSERIE"},
                   {{"0001", "336001234110", "1234567", "1", "Série 1 Guarulhos"}});
        insertRows(
            db, QStringLiteral("TRANSPORT"),
            {"IDTPIJURTRAN", "NRINSJURTRAN", "NMRAZSOCTRAN", "NMFANTTRAN", "NRINSESTTRAN"},
            {{"J", kCarrier, "Rápido Paulista Transportes Ltda", "Rápido Paulista", QVariant()}});

        std::vector<QVariantList> companies, ciafili, closings, legs, locations, carriers;
        for (const LoadCompany& c : list) {
            companies.push_back({c.cdcia, c.sgcia,
                                 QStringLiteral("Companhia de Carga %1").arg(c.sgcia), c.cliente,
                                 "S"});
            // The day before the first period closed last; the screen proposes what follows.
            ciafili.push_back({c.filial, c.cdcia, c.firstDay.addDays(-1).toString(Qt::ISODate), 5,
                               kIssueForm, c.serie, "N", "S"});
            for (const char* day : {"10", "20", "31"})
                closings.push_back({c.filial, c.cdcia, day});
            for (int leg = 0; leg < c.legs; ++leg)
                legs.push_back({c.filial, c.cdcia, flightOf(c, leg), "GRU",
                                kDestinations[leg % std::size(kDestinations)], "1"});
            locations.push_back({c.filial, c.cdcia, "GRU-TECA", "Teca Guarulhos"});
            carriers.push_back({QStringLiteral("ZEL") + c.sgcia, QStringLiteral("J") + kCarrier});
        }
        insertRows(db, QStringLiteral("COMPANHIA"),
                   {"CDCIA", "SGCIA", "NMCIA", "CDCLIENTE", "IDNACCIA"}, companies);
        insertRows(db, QStringLiteral("CIAFILI"),
                   {"CDFILIAL", "CDCIA", "DTULTFECH", "QTDIASFATURA", "CDTIPEMNF", "CDSERIE",
                    "IDPERCANAPUFUT", "IDCALCPROXFAT"},
                   ciafili);
        insertRows(db, QStringLiteral("PERFECHAM"), {"CDFILIAL", "CDCIA", "DIFECHCIA"}, closings);
        insertRows(db, QStringLiteral("VOOTRECHO"),
                   {"CDFILIAL", "CDCIA", "NRVOO", "SGBASEORI", "SGBASEDES", "IDTIPVOO"}, legs);
        insertRows(db, QStringLiteral("LOCALFATCIA"),
                   {"CDFILIAL", "CDCIA", "CDLOCAFATCIA", "NMLOCAFATCIA"}, locations);
        insertRows(db, QStringLiteral("DIRETORIOS"), {"CDPROGRAMA", "DSDIRETORIO"}, carriers);

        BulkInsert deliveries(db, QStringLiteral("DELIVERY"),
                              {"NRDELIVERY", "CDFILIAL", "CDCIA", "DTDELIVERY", "NRVOO",
                               "SGBASEORI", "SGBASEDES", "CDLOCAFATCIA", "CDGRUPPROD", "VRSERVICO",
                               "VRMOEDESTR", "NRFATURAMENTO", "NRAPURACFAT", "NRLANCTONF"},
                              500);
        qint64 n = 0;
        for (const LoadCompany& c : list) {
            for (int period = 0; period < c.periods; ++period) {
                const QString day = c.firstDay.addDays(period).toString(Qt::ISODate);
                for (int k = 0; k < perPeriod; ++k) {
                    ++n;
                    const int leg = (period + k) % c.legs;
                    const qint64 cents = 5000 + (n * 7919) % 895000;
                    deliveries.add(
                        {QStringLiteral("L%1").arg(pad(n, 11)), c.filial, c.cdcia, day,
                         flightOf(c, leg), "GRU", kDestinations[leg % std::size(kDestinations)],
                         "GRU-TECA", QVariant(), cents, cents * 10 / 55,
                         QStringLiteral("FL%1").arg(pad(n, 10)), QVariant(), QVariant()});
                }
            }
        }
        deliveries.finish();
        if (!db.commit())
            throw Exception(db.lastError().text());
    } catch (...) {
        db.rollback();
        throw;
    }
    return list;
}
