#include "server/BillingComputation.h"

#include "core/EDBEngineError.h"
#include "core/Exception.h"
#include "server/CalculaApuracaoRequest.h"
#include "server/CounterConnection.h"
#include "server/DeliveryExport.h"
#include "server/DeliverySelection.h"
#include "server/Numerador.h"
#include "server/ServerSql.h"
#include "server/SqliteRowProgress.h"
#include "server/SqlTransaction.h"
#include "server/StepPacer.h"

#include <algorithm>
#include <iterator>
#include <QElapsedTimer>
#include <QFile>

namespace {

// The smallest step of the sum and of the marking, in deliveries: below it the statements
// would cost more than the work.
constexpr qint64 kMinStep = 2000;

// Runs `step(from, to, count)` over consecutive day ranges of `perDay` holding about
// pacer.next() deliveries each (a day is never split), pacing each step by its time.
template <typename Step>
void forEachDayRange(const std::map<QDate, qint64>& perDay, StepPacer& pacer, Step step) {
    auto from = perDay.begin();
    qint64 count = 0;
    for (auto day = perDay.begin(); day != perDay.end(); ++day) {
        count += day->second;
        if (count < pacer.next() && std::next(day) != perDay.end())
            continue;
        step(from->first, day->first, count);
        pacer.stepDone(count);
        from = std::next(day);
        count = 0;
    }
}

} // namespace

BillingComputation::BillingComputation(const ServerSql& sql, CounterConnection& counters,
                                       const CalculaApuracaoRequest& request,
                                       const DeliverySelection& selection, const QString& nr,
                                       const TrdmApuracaoZel::Progress& progress)
    : m_sql(sql)
    , m_counters(counters)
    , m_r(request)
    , m_selection(selection)
    , m_nr(nr)
    , m_progress(progress) {}

qint64 BillingComputation::orderNumber(const QString& text) {
    if (text.isEmpty())
        return -1;
    for (QChar c : text) {
        if (!c.isDigit())
            return -1;
    }
    bool ok = false;
    const qint64 number = text.toLongLong(&ok);
    return ok ? number : -1;
}

void BillingComputation::run(const QString& exportDir) {
    SqlTransaction transaction(m_sql);
    // Locks the computation's row: a cancel waits for us, or we see that it won.
    if (m_sql.change(QStringLiteral("UPDATE CTRLAPURFAT SET IDSTATUS = 'P' "
                                    "WHERE NRAPURACFAT = :nr AND IDSTATUS = 'P'"),
                     {{"nr", m_nr}}) != 1)
        throw Exception(QStringLiteral("a apuração foi cancelada durante o cálculo"));
    // Summed again inside the transaction: what changed since the checks counts.
    Totals totals = sum();
    if (!totals.invoices.empty()) {
        const qint64 first = m_counters.reserveNotasFiscais(qint64(totals.invoices.size()));
        for (std::size_t i = 0; i < totals.invoices.size(); ++i)
            totals.invoices[i].number = Numerador::format(first + qint64(i));
        clearInvoiceKeys();
        for (const Invoice& invoice : totals.invoices)
            insertInvoice(invoice);
    }
    const qint64 marked = markDeliveries(totals.perDay);
    const qint64 pedido = orderNumber(m_r.pedido);
    if (pedido > 0)
        Numerador(m_sql).advancePedido(m_r.filial, m_r.cdcia, pedido);
    m_sql.change(QStringLiteral("UPDATE CTRLAPURFAT SET IDSTATUS = 'F' "
                                "WHERE NRAPURACFAT = :nr AND IDSTATUS = 'P'"),
                 {{"nr", m_nr}});
    QString written;
    if (!exportDir.isEmpty()) {
        QElapsedTimer sinceReport;
        sinceReport.start();
        qint64 reported = 0;
        report(Phase::Exporting, 0, marked);
        written = DeliveryExport(m_sql, exportDir).write(m_nr, [&](qint64 lines) {
            if (lines > reported &&
                (lines == marked || sinceReport.hasExpired(StepPacer::kTargetMs))) {
                report(Phase::Exporting, lines, marked);
                reported = lines;
                sinceReport.restart();
            }
        });
    }
    try {
        transaction.commit();
    } catch (...) {
        if (!written.isEmpty())
            QFile::remove(written);
        throw;
    }
}

// One bar over the whole computation, in deliveries, in eighths: the sum fills the first
// quarter, the marking the rest (on SQLite its first pass, which finds the deliveries, up
// to five eighths), about their shares of the time; an export runs with the bar full. The
// text tells which part runs and how far it has got.
void BillingComputation::report(Phase phase, qint64 count, qint64 total) {
    if (!m_progress)
        return;
    const bool sqlite = m_sql.dialect() == TDialect::SQLite;
    int from = 8;
    int to = 8;
    QString doing;
    switch (phase) {
    case Phase::Summing:
        from = 0;
        to = 2;
        doing = QStringLiteral("somando ");
        break;
    case Phase::Separating:
        from = 2;
        to = 5;
        doing = QStringLiteral("separando ");
        break;
    case Phase::Marking:
        from = sqlite ? 5 : 2;
        break;
    case Phase::Exporting:
        doing = QStringLiteral("exportando ");
        break;
    }
    const qint64 done = (total * from + count * (to - from)) / 8;
    m_progress(done, total,
               QStringLiteral("Apuração %1: %2%3 de %4 deliveries")
                   .arg(m_nr, doing)
                   .arg(count)
                   .arg(total));
}

// How many deliveries of the branch and company each day of the period holds, computed or
// not: the index answers it alone, so it costs a small part of the sum and gives the sum's
// first total (and, on PostgreSQL, its steps).
BillingComputation::PerDay BillingComputation::deliveriesPerDay() const {
    QSqlQuery query = m_sql.exec(QStringLiteral("SELECT DTDELIVERY, COUNT(*) FROM DELIVERY "
                                                "WHERE CDFILIAL = :filial AND CDCIA = :cdcia "
                                                "AND DTDELIVERY >= :start AND DTDELIVERY <= :end "
                                                "GROUP BY DTDELIVERY"),
                                 {{"filial", m_r.filial},
                                  {"cdcia", m_r.cdcia},
                                  {"start", ServerSql::bindDate(m_r.start)},
                                  {"end", ServerSql::bindDate(m_r.end)}});
    PerDay perDay;
    while (query.next())
        perDay[ServerSql::toDate(query.value(0))] += query.value(1).toLongLong();
    return perDay;
}

// Grouped by day and invoice key: as many rows as days times invoices, however many
// deliveries there are. On SQLite in one statement that counts the deliveries of the period
// as it goes through them, on PostgreSQL a range of days at a time; either way the progress
// says how many of the period's deliveries, computed or not, have been gone through.
BillingComputation::Totals BillingComputation::sum() {
    const bool sqlite = m_sql.dialect() == TDialect::SQLite;
    const QStringList& keys = m_selection.keyColumns();
    const QString keyList = keys.isEmpty() ? QString() : QLatin1String(", ") + keys.join(", ");
    // Counted as the index finds them, before they are read and grouped.
    const QString sql =
        QStringLiteral("SELECT DTDELIVERY%1, COUNT(*), SUM(VRSERVICO), SUM(VRMOEDESTR), "
                       "SUM(CASE WHEN NRFATURAMENTO IS NULL OR TRIM(NRFATURAMENTO) = '' "
                       "THEN 1 ELSE 0 END) FROM DELIVERY WHERE %2%3 GROUP BY DTDELIVERY%1")
            .arg(keyList, m_selection.where(),
                 sqlite ? QStringLiteral(" AND %1(0, 1) = 1")
                              .arg(QLatin1String(SqliteRowProgress::kFunction))
                        : QString());
    const int at = 1 + int(keys.size());
    const PerDay candidates = deliveriesPerDay();
    qint64 inPeriod = 0;
    for (const auto& day : candidates)
        inPeriod += day.second;
    report(Phase::Summing, 0, inPeriod);

    std::map<QStringList, Invoice> invoices; // key order numbers the invoices
    Totals totals;
    const auto add = [&](QSqlQuery& query) {
        while (query.next()) {
            if (query.value(at + 3).toLongLong() > 0)
                throw Exception(QStringLiteral("delivery sem número de faturamento no período"));
            QStringList key;
            for (int k = 1; k < at; ++k)
                key.append(query.value(k).toString());
            const qint64 selected = query.value(at).toLongLong();
            Invoice& invoice = invoices[key];
            invoice.key = key;
            invoice.value += query.value(at + 1).toLongLong();
            invoice.foreign += query.value(at + 2).toLongLong();
            totals.perDay[ServerSql::toDate(query.value(0))] += selected;
            totals.deliveries += selected;
        }
    };
    if (sqlite) {
        SqliteRowProgress counter(m_sql.database(), inPeriod, kMinStep,
                                  [&](const SqliteRowProgress::Counts& rows) {
                                      report(Phase::Summing, std::min(rows[0], inPeriod), inPeriod);
                                  });
        try {
            QSqlQuery query = m_sql.exec(sql, m_selection.binds());
            add(query);
        } catch (const EDBEngineError&) {
            counter.rethrow();
            throw;
        }
    } else {
        qint64 through = 0;
        StepPacer pacer(inPeriod, kMinStep);
        forEachDayRange(candidates, pacer, [&](const QDate& from, const QDate& to, qint64 count) {
            QSqlQuery query = m_sql.exec(sql, m_selection.bindsFor(from, to));
            add(query);
            through += count;
            report(Phase::Summing, through, inPeriod);
        });
    }
    for (auto& entry : invoices)
        totals.invoices.push_back(std::move(entry.second));
    return totals;
}

// The invoice of each key, for the marking to look up. A temporary table is private to
// this connection.
void BillingComputation::clearInvoiceKeys() {
    m_sql.exec(QStringLiteral(
        "CREATE TEMP TABLE IF NOT EXISTS ZEL_NOTA_CHAVE (K1 VARCHAR(20) NOT NULL, "
        "K2 VARCHAR(20) NOT NULL, K3 VARCHAR(20) NOT NULL, NRLANCTONF VARCHAR(10) NOT NULL, "
        "PRIMARY KEY (K1, K2, K3))"));
    m_sql.exec(QStringLiteral("DELETE FROM ZEL_NOTA_CHAVE"));
}

QString BillingComputation::keyPart(const Invoice& invoice, int i) const {
    return i < invoice.key.size() ? invoice.key[i] : QStringLiteral("");
}

void BillingComputation::insertInvoice(const Invoice& invoice) {
    const QStringList& keys = m_selection.keyColumns();
    const auto column = [&](const char* name) {
        const qsizetype i = keys.indexOf(QLatin1String(name));
        return i < 0 ? QString() : invoice.key[i];
    };
    m_sql.change(
        QStringLiteral(
            "INSERT INTO NOTAFISCAL (NRLANCTONF, CDFILIAL, NRAPURACFAT, CDCLIENTE, CDCIA, "
            "CDSERIE, DTENTRSAID, VRNOTAFISC, VRTTMOEDESTR, NRVOO, CDLOCAFATCIA, IDEMITIDA) "
            "VALUES (:nf, :filial, :nr, :cliente, :cdcia, :serie, :data, :valor, :estr, "
            ":voo, :local, 'N')"),
        {{"nf", invoice.number},
         {"filial", m_r.filial},
         {"nr", m_nr},
         {"cliente", m_r.cliente},
         {"cdcia", m_r.cdcia},
         {"serie", ServerSql::textOrNull(m_r.serie)},
         {"data", ServerSql::bindDate(m_r.billing)},
         {"valor", invoice.value},
         {"estr", invoice.foreign},
         {"voo", ServerSql::textOrNull(column("NRVOO"))},
         {"local", ServerSql::textOrNull(column("CDLOCAFATCIA"))}});
    m_sql.change(QStringLiteral("INSERT INTO ZEL_NOTA_CHAVE (K1, K2, K3, NRLANCTONF) "
                                "VALUES (:k1, :k2, :k3, :nf)"),
                 {{"k1", keyPart(invoice, 0)},
                  {"k2", keyPart(invoice, 1)},
                  {"k3", keyPart(invoice, 2)},
                  {"nf", invoice.number}});
}

// Every selected delivery gets the computation and its key's invoice: on SQLite in one
// statement that counts its rows as it goes, on PostgreSQL by day ranges of about one step
// each. A count changed other than summed means another computation took or added
// deliveries meanwhile: the whole computation fails.
qint64 BillingComputation::markDeliveries(const PerDay& perDay) {
    qint64 total = 0;
    for (const auto& day : perDay)
        total += day.second;
    const bool sqlite = m_sql.dialect() == TDialect::SQLite;
    report(sqlite ? Phase::Separating : Phase::Marking, 0, total);
    if (total == 0)
        return 0;
    const QStringList& keys = m_selection.keyColumns();
    QStringList match;
    for (int i = 0; i < 3; ++i)
        match.append(QStringLiteral("K.K%1 = %2")
                         .arg(i + 1)
                         .arg(i < keys.size() ? QStringLiteral("DELIVERY.") + keys[i]
                                              : QStringLiteral("''")));
    // SQLite finds the rows first (counted in the WHERE clause), then writes them (counted
    // in what it writes).
    const QString counter = QLatin1String(SqliteRowProgress::kFunction);
    const QString sql =
        QStringLiteral("UPDATE DELIVERY SET NRAPURACFAT = %1, NRLANCTONF = (SELECT "
                       "K.NRLANCTONF FROM ZEL_NOTA_CHAVE K WHERE %2) WHERE %3%4")
            .arg(sqlite ? QStringLiteral("%1(1, :nr)").arg(counter) : QStringLiteral(":nr"),
                 match.join(QStringLiteral(" AND ")), m_selection.where(),
                 sqlite ? QStringLiteral(" AND %1(0, 1) = 1").arg(counter) : QString());
    const auto mark = [&](DeliverySelection::Binds binds, qint64 expected) {
        binds.append({QStringLiteral("nr"), m_nr});
        if (m_sql.exec(sql, binds).numRowsAffected() != expected)
            throw Exception(
                QStringLiteral("deliveries tomadas por outra apuração durante o cálculo"));
    };
    if (sqlite) {
        SqliteRowProgress rows(m_sql.database(), 2 * total, kMinStep,
                               [&](const SqliteRowProgress::Counts& counts) {
                                   if (counts[1] == 0)
                                       report(Phase::Separating, std::min(counts[0], total), total);
                                   else
                                       report(Phase::Marking, counts[1], total);
                               });
        try {
            mark(m_selection.binds(), total);
        } catch (const EDBEngineError&) {
            rows.rethrow();
            throw;
        }
        report(Phase::Marking, total, total);
    } else {
        // The references of the marked deliveries exist by now: checked statement by
        // statement they cost the same, and the commit is not left with a million checks
        // and no progress to show.
        m_sql.exec(QStringLiteral("SET CONSTRAINTS ALL IMMEDIATE"));
        qint64 done = 0;
        StepPacer pacer(total, kMinStep);
        forEachDayRange(perDay, pacer, [&](const QDate& from, const QDate& to, qint64 expected) {
            mark(m_selection.bindsFor(from, to), expected);
            done += expected;
            report(Phase::Marking, done, total);
        });
    }
    return total;
}
