#include "server/BillingComputation.h"

#include "core/Exception.h"
#include "server/CalculaApuracaoRequest.h"
#include "server/DeliveryExport.h"
#include "server/DeliverySelection.h"
#include "server/Numerador.h"
#include "server/ServerSql.h"
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

BillingComputation::BillingComputation(const ServerSql& sql, const CalculaApuracaoRequest& request,
                                       const DeliverySelection& selection, const QString& nr,
                                       const TrdmApuracaoZel::Progress& progress)
    : m_sql(sql)
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
        const qint64 first = Numerador(m_sql).reserveNotasFiscais(qint64(totals.invoices.size()));
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
        report(Phase::Exporting, 0, marked);
        written = DeliveryExport(m_sql, exportDir).write(m_nr, [&](qint64 lines) {
            if (lines == marked || sinceReport.hasExpired(StepPacer::kTargetMs)) {
                report(Phase::Exporting, lines, marked);
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

// One bar over the whole computation, in deliveries: the sum fills its first quarter and
// the marking the rest, about their shares of the time on SQLite; an export runs with the
// bar full. The text tells which part runs and how far it has got.
void BillingComputation::report(Phase phase, qint64 count, qint64 total) {
    if (!m_progress)
        return;
    qint64 done = total;
    QString doing;
    switch (phase) {
    case Phase::Summing:
        done = count / 4;
        doing = QStringLiteral("somando ");
        break;
    case Phase::Marking:
        done = (total + 3 * count) / 4;
        break;
    case Phase::Exporting:
        doing = QStringLiteral("exportando ");
        break;
    }
    m_progress(done, total,
               QStringLiteral("Apuração %1: %2%3 de %4 deliveries")
                   .arg(m_nr, doing)
                   .arg(count)
                   .arg(total));
}

// How many deliveries of the branch and company each day of the period holds, computed or
// not: the index answers it alone, so it costs a small part of the sum and tells how to
// split the sum into steps and how far it has got.
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

// Grouped by day and invoice key, a range of days at a time: as many rows as days times
// invoices, however many deliveries there are. While it runs the total is what was
// selected so far plus what the days still to sum may hold, so it only shrinks, to the
// exact count at the end.
BillingComputation::Totals BillingComputation::sum() {
    const QStringList& keys = m_selection.keyColumns();
    const QString keyList = keys.isEmpty() ? QString() : QLatin1String(", ") + keys.join(", ");
    const QString sql =
        QStringLiteral("SELECT DTDELIVERY%1, COUNT(*), SUM(VRSERVICO), SUM(VRMOEDESTR), "
                       "SUM(CASE WHEN NRFATURAMENTO IS NULL OR TRIM(NRFATURAMENTO) = '' "
                       "THEN 1 ELSE 0 END) FROM DELIVERY WHERE %2 GROUP BY DTDELIVERY%1")
            .arg(keyList, m_selection.where());
    const int at = 1 + int(keys.size());
    const PerDay candidates = deliveriesPerDay();
    qint64 pending = 0;
    for (const auto& day : candidates)
        pending += day.second;
    report(Phase::Summing, 0, pending);

    std::map<QStringList, Invoice> invoices; // key order numbers the invoices
    Totals totals;
    StepPacer pacer(pending, kMinStep);
    forEachDayRange(candidates, pacer, [&](const QDate& from, const QDate& to, qint64 count) {
        QSqlQuery query = m_sql.exec(sql, m_selection.bindsFor(from, to));
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
        pending -= count;
        report(Phase::Summing, totals.deliveries, totals.deliveries + pending);
    });
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

// Day ranges of about one step each, marked by one statement apiece. A range that changes
// another count than summed means another computation took or added deliveries meanwhile:
// the whole computation fails.
qint64 BillingComputation::markDeliveries(const PerDay& perDay) {
    qint64 total = 0;
    for (const auto& day : perDay)
        total += day.second;
    report(Phase::Marking, 0, total);
    if (total == 0)
        return 0;
    const QStringList& keys = m_selection.keyColumns();
    QStringList match;
    for (int i = 0; i < 3; ++i)
        match.append(QStringLiteral("K.K%1 = %2")
                         .arg(i + 1)
                         .arg(i < keys.size() ? QStringLiteral("DELIVERY.") + keys[i]
                                              : QStringLiteral("''")));
    const QString sql =
        QStringLiteral("UPDATE DELIVERY SET NRAPURACFAT = :nr, NRLANCTONF = (SELECT "
                       "K.NRLANCTONF FROM ZEL_NOTA_CHAVE K WHERE %1) WHERE %2")
            .arg(match.join(QStringLiteral(" AND ")), m_selection.where());
    qint64 done = 0;
    StepPacer pacer(total, kMinStep);
    forEachDayRange(perDay, pacer, [&](const QDate& from, const QDate& to, qint64 expected) {
        DeliverySelection::Binds binds = m_selection.bindsFor(from, to);
        binds.append({QStringLiteral("nr"), m_nr});
        const int changed = m_sql.exec(sql, binds).numRowsAffected();
        if (changed != expected)
            throw Exception(
                QStringLiteral("deliveries tomadas por outra apuração durante o cálculo"));
        done += expected;
        report(Phase::Marking, done, total);
    });
    return done;
}
