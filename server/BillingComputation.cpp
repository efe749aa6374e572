#include "server/BillingComputation.h"

#include "core/Exception.h"
#include "server/CalculaApuracaoRequest.h"
#include "server/DeliveryExport.h"
#include "server/DeliverySelection.h"
#include "server/Numerador.h"
#include "server/ServerSql.h"
#include "server/SqlTransaction.h"

#include <algorithm>
#include <iterator>
#include <QFile>

namespace {

// The steps of the marking: each takes about this share of the deliveries, so progress
// moves while one large computation runs. Few: every statement more costs SQLite time.
constexpr qint64 kProgressSteps = 5;
constexpr qint64 kMinStep = 2000;

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
    if (totals.withoutFaturamento > 0)
        throw Exception(QStringLiteral("delivery sem número de faturamento no período"));
    m_total = totals.deliveries;
    report(0);
    if (!totals.invoices.empty()) {
        const qint64 first = Numerador(m_sql).reserveNotasFiscais(qint64(totals.invoices.size()));
        for (std::size_t i = 0; i < totals.invoices.size(); ++i)
            totals.invoices[i].number = Numerador::format(first + qint64(i));
        clearInvoiceKeys();
        for (const Invoice& invoice : totals.invoices)
            insertInvoice(invoice);
        markDeliveries(totals.perDay);
    }
    const qint64 pedido = orderNumber(m_r.pedido);
    if (pedido > 0)
        Numerador(m_sql).advancePedido(m_r.filial, m_r.cdcia, pedido);
    m_sql.change(QStringLiteral("UPDATE CTRLAPURFAT SET IDSTATUS = 'F' "
                                "WHERE NRAPURACFAT = :nr AND IDSTATUS = 'P'"),
                 {{"nr", m_nr}});
    QString written;
    if (!exportDir.isEmpty())
        written = DeliveryExport(m_sql, exportDir).write(m_nr);
    try {
        transaction.commit();
    } catch (...) {
        if (!written.isEmpty())
            QFile::remove(written);
        throw;
    }
    report(m_total);
}

void BillingComputation::report(qint64 done) {
    if (m_progress)
        m_progress(
            done, m_total,
            QStringLiteral("Apuração %1: %2 de %3 deliveries").arg(m_nr).arg(done).arg(m_total));
}

// One pass over the selection, grouped by day and invoice key: as many rows as days times
// invoices, however many deliveries there are.
BillingComputation::Totals BillingComputation::sum() const {
    const QStringList& keys = m_selection.keyColumns();
    const QString keyList = keys.isEmpty() ? QString() : QLatin1String(", ") + keys.join(", ");
    QSqlQuery query =
        m_sql.exec(QStringLiteral("SELECT DTDELIVERY%1, COUNT(*), SUM(VRSERVICO), SUM(VRMOEDESTR), "
                                  "SUM(CASE WHEN NRFATURAMENTO IS NULL OR TRIM(NRFATURAMENTO) = '' "
                                  "THEN 1 ELSE 0 END) FROM DELIVERY WHERE %2 GROUP BY DTDELIVERY%1")
                       .arg(keyList, m_selection.where()),
                   m_selection.binds());
    const int at = 1 + int(keys.size());
    std::map<QStringList, Invoice> invoices; // key order numbers the invoices
    Totals totals;
    while (query.next()) {
        QStringList key;
        for (int k = 1; k < at; ++k)
            key.append(query.value(k).toString());
        const qint64 count = query.value(at).toLongLong();
        Invoice& invoice = invoices[key];
        invoice.key = key;
        invoice.value += query.value(at + 1).toLongLong();
        invoice.foreign += query.value(at + 2).toLongLong();
        totals.perDay[ServerSql::toDate(query.value(0))] += count;
        totals.deliveries += count;
        totals.withoutFaturamento += query.value(at + 3).toLongLong();
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

// Day ranges of about one step each, marked by one statement apiece. A range that changes
// another count than summed means another computation took or added deliveries meanwhile:
// the whole computation fails.
void BillingComputation::markDeliveries(const std::map<QDate, qint64>& perDay) {
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
    const qint64 step = std::max(m_total / kProgressSteps, kMinStep);
    auto from = perDay.begin();
    qint64 expected = 0;
    for (auto day = perDay.begin(); day != perDay.end(); ++day) {
        expected += day->second;
        if (expected < step && std::next(day) != perDay.end())
            continue;
        DeliverySelection::Binds binds = m_selection.bindsFor(from->first, day->first);
        binds.append({QStringLiteral("nr"), m_nr});
        const int changed = m_sql.exec(sql, binds).numRowsAffected();
        if (changed != expected)
            throw Exception(
                QStringLiteral("deliveries tomadas por outra apuração durante o cálculo"));
        m_done += expected;
        report(m_done);
        from = std::next(day);
        expected = 0;
    }
}
