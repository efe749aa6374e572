#include "server/BillingComputation.h"

#include "core/EDBEngineError.h"
#include "core/Exception.h"
#include "server/CalculaApuracaoRequest.h"
#include "server/CounterConnection.h"
#include "server/DeliveryExport.h"
#include "server/DeliverySelection.h"
#include "server/Numerador.h"
#include "server/ServerSql.h"
#include "server/SqliteInvoiceLookup.h"
#include "server/SqliteRowProgress.h"
#include "server/SqlTransaction.h"
#include "server/StepPacer.h"

#include <algorithm>
#include <iterator>
#include <QElapsedTimer>
#include <QFile>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <unordered_map>

namespace {

// The smallest step of the marking, in deliveries: below it the statements would cost
// more than the work.
constexpr qint64 kMinStep = 2000;
// A selection of at least this share of the table's rows (one in kPagesShare) is marked
// by ranges of pages on PostgreSQL: reading the whole table in order then costs less than
// finding its rows through an index.
constexpr qint64 kPagesShare = 4;
// A page number past any table's last page (PostgreSQL numbers pages up to 2^32 - 2).
constexpr qint64 kPastLastPage = 4294967295;
// PostgreSQL's reference from a computed delivery to its computation's invoice.
constexpr char kMarkedReference[] = "delivery_nota_apuracao";

// Runs `step(from, to, count)` over consecutive day ranges that cover the whole period
// from `first` to `last`, each holding about pacer.next() of the deliveries counted in
// `perDay` (a day is never split), pacing each step by its time. Days without a counted
// delivery belong to a range too, so that one added there meanwhile is seen.
template <typename Step>
void forEachDayRange(const std::map<QDate, qint64>& perDay, const QDate& first, const QDate& last,
                     StepPacer& pacer, Step step) {
    QDate from = first;
    qint64 count = 0;
    for (auto day = perDay.begin(); day != perDay.end(); ++day) {
        count += day->second;
        const auto next = std::next(day);
        if (count < pacer.next() && next != perDay.end())
            continue;
        const QDate to = next == perDay.end() ? last : next->first.addDays(-1);
        step(from, to, count);
        pacer.stepDone(count);
        from = to.addDays(1);
        count = 0;
    }
}

// The connection's page cache while a computation runs on SQLite, given back after it.
// Its temporary storage stays as it is: the marking's list of rows is in memory anyway,
// and what else it sorts is a row per invoice and day.
class SqliteComputationCache {
public:
    explicit SqliteComputationCache(const ServerSql& sql)
        : m_sql(sql.dialect() == TDialect::SQLite ? &sql : nullptr) {
        if (!m_sql)
            return;
        m_cacheSize = m_sql->scalar(QStringLiteral("PRAGMA cache_size")).toLongLong();
        m_sql->exec(
            QStringLiteral("PRAGMA cache_size = -%1").arg(BillingComputation::kSqliteCacheKiB));
    }
    ~SqliteComputationCache() {
        if (!m_sql)
            return;
        try {
            m_sql->exec(QStringLiteral("PRAGMA cache_size = %1").arg(m_cacheSize));
        } catch (const std::exception&) {
            // The connection is gone, and its cache with it.
        }
#ifdef __GLIBC__
        // The pages given back would stay in this thread's arena otherwise; a small
        // computation's few pages are not worth the walk through the allocator.
        if (m_large)
            malloc_trim(0);
#endif
    }
    SqliteComputationCache(const SqliteComputationCache&) = delete;
    SqliteComputationCache& operator=(const SqliteComputationCache&) = delete;

    // The computation takes `deliveries`: enough to fill much of the cache or not.
    void takes(qint64 deliveries) {
        m_large = deliveries >= kLargeComputation;
    }

private:
    // About the deliveries whose pages fill a tenth of the cache.
    static constexpr qint64 kLargeComputation = 20000;

    const ServerSql* m_sql;
    qint64 m_cacheSize = 0;
    bool m_large = false;
};

Exception changedMeanwhile(qint64 marked, qint64 counted) {
    return Exception(
        marked > counted
            ? QStringLiteral("deliveries incluídas durante o cálculo")
            : QStringLiteral("deliveries tomadas por outra apuração durante o cálculo"));
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
    SqliteComputationCache cache(m_sql);
    SqlTransaction transaction(m_sql);
    // Locks the computation's row: a cancel waits for us, or we see that it won.
    if (m_sql.change(QStringLiteral("UPDATE CTRLAPURFAT SET IDSTATUS = 'P' "
                                    "WHERE NRAPURACFAT = :nr AND IDSTATUS = 'P'"),
                     {{"nr", m_nr}}) != 1)
        throw Exception(QStringLiteral("a apuração foi cancelada durante o cálculo"));
    // Counted again inside the transaction: what changed since the checks counts.
    Plan plan = count();
    cache.takes(plan.deliveries);
    if (anyWithoutFaturamento())
        throw Exception(QStringLiteral("delivery sem número de faturamento no período"));
    if (!plan.invoices.empty()) {
        const qint64 first = m_counters.reserveNotasFiscais(qint64(plan.invoices.size()));
        for (std::size_t i = 0; i < plan.invoices.size(); ++i) {
            plan.invoices[i].number = Numerador::format(first + qint64(i));
            insertInvoice(plan.invoices[i]);
        }
    }
    // The sums are taken as the deliveries are marked, in the same pass.
    const std::vector<Invoice> invoices =
        m_sql.dialect() == TDialect::SQLite ? markOnSqlite(plan) : markOnPostgreSql(plan);
    for (const Invoice& invoice : invoices) {
        // Its deliveries were all taken while others of another invoice were added.
        if (invoice.deliveries == 0)
            throw Exception(
                QStringLiteral("deliveries tomadas por outra apuração durante o cálculo"));
        setInvoiceValues(invoice);
    }
    const qint64 marked = plan.deliveries;
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

// One bar over the whole computation, in deliveries, in eighths. On SQLite the marking
// first finds its deliveries (the first three eighths), then writes them; on PostgreSQL
// it writes from the start. An export runs with the bar full. The text tells which part
// runs and how far it has got.
void BillingComputation::report(Phase phase, qint64 count, qint64 total) {
    if (!m_progress)
        return;
    const bool sqlite = m_sql.dialect() == TDialect::SQLite;
    int from = 8;
    int to = 8;
    QString doing;
    switch (phase) {
    case Phase::Separating:
        from = 0;
        to = sqlite ? 3 : 0;
        doing = sqlite ? QStringLiteral("separando ") : QString();
        break;
    case Phase::Marking:
        from = sqlite ? 3 : 0;
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

// The selected deliveries per invoice key and day, from the index of the deliveries not
// computed yet alone: as many rows as days times invoices, however many deliveries there
// are. The keys in order number the invoices; the days step the marking on PostgreSQL.
BillingComputation::Plan BillingComputation::count() const {
    const QStringList& keys = m_selection.keyColumns();
    const QString keyList = keys.isEmpty() ? QString() : QLatin1String(", ") + keys.join(", ");
    QSqlQuery query =
        m_sql.exec(QStringLiteral("SELECT DTDELIVERY%1, COUNT(*) FROM DELIVERY WHERE %2 "
                                  "GROUP BY DTDELIVERY%1")
                       .arg(keyList, m_selection.where()),
                   m_selection.binds());
    const int at = 1 + int(keys.size());
    std::map<QStringList, Invoice> invoices; // key order numbers the invoices
    Plan plan;
    while (query.next()) {
        QStringList key;
        for (int k = 1; k < at; ++k)
            key.append(query.value(k).toString());
        const qint64 selected = query.value(at).toLongLong();
        Invoice& invoice = invoices[key];
        invoice.key = key;
        invoice.deliveries += selected;
        plan.perDay[ServerSql::toDate(query.value(0))] += selected;
        plan.deliveries += selected;
    }
    for (auto& entry : invoices)
        plan.invoices.push_back(std::move(entry.second));
    return plan;
}

// Again inside the transaction, through the index of the few deliveries without one.
bool BillingComputation::anyWithoutFaturamento() const {
    return m_sql
        .exec(QStringLiteral("SELECT 1 FROM DELIVERY WHERE %1 AND (NRFATURAMENTO IS NULL OR "
                             "TRIM(NRFATURAMENTO) = '') LIMIT 1")
                  .arg(m_selection.where()),
              m_selection.binds())
        .next();
}

QString BillingComputation::keyColumn(const Invoice& invoice, const char* name) const {
    const qsizetype i = m_selection.keyColumns().indexOf(QLatin1String(name));
    return i < 0 ? QString() : invoice.key[i];
}

// Written before the marking, so that every delivery's reference is checked as it is
// marked; the values follow once the marking has summed them.
void BillingComputation::insertInvoice(const Invoice& invoice) {
    m_sql.change(
        QStringLiteral(
            "INSERT INTO NOTAFISCAL (NRLANCTONF, CDFILIAL, NRAPURACFAT, CDCLIENTE, CDCIA, "
            "CDSERIE, DTENTRSAID, VRNOTAFISC, VRTTMOEDESTR, NRVOO, CDLOCAFATCIA, IDEMITIDA) "
            "VALUES (:nf, :filial, :nr, :cliente, :cdcia, :serie, :data, 0, 0, "
            ":voo, :local, 'N')"),
        {{"nf", invoice.number},
         {"filial", m_r.filial},
         {"nr", m_nr},
         {"cliente", m_r.cliente},
         {"cdcia", m_r.cdcia},
         {"serie", ServerSql::textOrNull(m_r.serie)},
         {"data", ServerSql::bindDate(m_r.billing)},
         {"voo", ServerSql::textOrNull(keyColumn(invoice, "NRVOO"))},
         {"local", ServerSql::textOrNull(keyColumn(invoice, "CDLOCAFATCIA"))}});
}

void BillingComputation::setInvoiceValues(const Invoice& invoice) {
    m_sql.change(QStringLiteral("UPDATE NOTAFISCAL SET VRNOTAFISC = :valor, VRTTMOEDESTR = :estr "
                                "WHERE NRLANCTONF = :nf"),
                 {{"valor", invoice.value}, {"estr", invoice.foreign}, {"nf", invoice.number}});
}

// The key columns of the selection as the three parts of an invoice key, '' for the parts
// the key lacks.
QStringList BillingComputation::keyParts(const QString& table) const {
    const QStringList& keys = m_selection.keyColumns();
    QStringList parts;
    for (int i = 0; i < 3; ++i)
        parts.append(i < keys.size() ? table + keys[i] : QStringLiteral("''"));
    return parts;
}

// One statement that finds the deliveries (counted in its WHERE clause), then writes
// each with its invoice, summing the invoices as it goes. A delivery of a key not counted
// before ends it with an error; a count other than counted fails the computation.
std::vector<BillingComputation::Invoice> BillingComputation::markOnSqlite(const Plan& plan) {
    const qint64 total = plan.deliveries;
    if (total == 0)
        return {};
    report(Phase::Separating, 0, total);
    SqliteInvoiceLookup lookup(m_sql.database(), plan.invoices);
    SqliteRowProgress rows(m_sql.database(), 2 * total, kMinStep,
                           [&](const SqliteRowProgress::Counts& counts) {
                               if (counts[1] == 0)
                                   report(Phase::Separating, std::min(counts[0], total), total);
                               else
                                   report(Phase::Marking, counts[1], total);
                           });
    const QString counter = QLatin1String(SqliteRowProgress::kFunction);
    const QString sql =
        QStringLiteral("UPDATE DELIVERY SET NRAPURACFAT = %1(1, :nr), NRLANCTONF = "
                       "%2(%3, VRSERVICO, VRMOEDESTR) WHERE %4 AND %1(0, 1) = 1")
            .arg(counter, QLatin1String(SqliteInvoiceLookup::kFunction),
                 keyParts(QString()).join(QStringLiteral(", ")), m_selection.where());
    DeliverySelection::Binds binds = m_selection.binds();
    binds.append({QStringLiteral("nr"), m_nr});
    try {
        const qint64 marked = m_sql.exec(sql, binds).numRowsAffected();
        if (marked != total)
            throw changedMeanwhile(marked, total);
    } catch (const EDBEngineError&) {
        rows.rethrow();
        throw;
    }
    report(Phase::Marking, total, total);
    return lookup.invoices();
}

// The invoice of each key for the marking to join: every key the company's deliveries can
// have (their legs or billing locations), numbered for the keys counted, so that a
// delivery of another key added meanwhile is marked with none and seen. A temporary table
// is private to this connection.
void BillingComputation::fillInvoiceKeys(const Plan& plan) {
    m_sql.exec(
        QStringLiteral("CREATE TEMP TABLE IF NOT EXISTS ZEL_NOTA_CHAVE (K1 VARCHAR(20) NOT NULL, "
                       "K2 VARCHAR(20) NOT NULL, K3 VARCHAR(20) NOT NULL, NRLANCTONF VARCHAR(10), "
                       "PRIMARY KEY (K1, K2, K3))"));
    m_sql.exec(QStringLiteral("DELETE FROM ZEL_NOTA_CHAVE"));
    for (const Invoice& invoice : plan.invoices) {
        const auto part = [&](int i) {
            return i < invoice.key.size() ? invoice.key[i] : QStringLiteral("");
        };
        m_sql.change(QStringLiteral("INSERT INTO ZEL_NOTA_CHAVE (K1, K2, K3, NRLANCTONF) "
                                    "VALUES (:k1, :k2, :k3, :nf)"),
                     {{"k1", part(0)}, {"k2", part(1)}, {"k3", part(2)}, {"nf", invoice.number}});
    }
    const QStringList& keys = m_selection.keyColumns();
    const QString source = keys.isEmpty() ? QString()
                           : keys.contains(QLatin1String("CDLOCAFATCIA"))
                               ? QStringLiteral("LOCALFATCIA")
                               : QStringLiteral("VOOTRECHO");
    const QStringList parts = keyParts(QString());
    m_sql.exec(QStringLiteral("INSERT INTO ZEL_NOTA_CHAVE (K1, K2, K3) SELECT DISTINCT %1 %2 "
                              "ON CONFLICT (K1, K2, K3) DO NOTHING")
                   .arg(parts.join(QStringLiteral(", ")),
                        source.isEmpty() ? QString()
                                         : QStringLiteral("FROM %1 WHERE CDFILIAL = :filial "
                                                          "AND CDCIA = :cdcia")
                                               .arg(source)),
               {{"filial", m_r.filial}, {"cdcia", m_r.cdcia}});
}

// In steps of about StepPacer's size, every statement marking its deliveries and returning
// their sums per invoice. When the selection is most of the table the steps are ranges of
// the table's pages, so that each page is read once, in the order it is stored, as one
// statement over the table would; otherwise ranges of days through the index, which read
// only the selected rows. A count other than counted, or a delivery of no invoice, means
// another session took or added deliveries meanwhile: the whole computation fails.
std::vector<BillingComputation::Invoice> BillingComputation::markOnPostgreSql(const Plan& plan) {
    const qint64 total = plan.deliveries;
    if (total == 0)
        return {};
    fillInvoiceKeys(plan);
    std::vector<Invoice> invoices = plan.invoices;
    std::unordered_map<QString, std::size_t> byNumber;
    for (std::size_t i = 0; i < invoices.size(); ++i) {
        byNumber.emplace(invoices[i].number, i);
        invoices[i].value = invoices[i].foreign = invoices[i].deliveries = 0;
    }
    QStringList match;
    const QStringList parts = keyParts(QStringLiteral("DELIVERY."));
    for (int i = 0; i < 3; ++i)
        match.append(QStringLiteral("K.K%1 = %2").arg(i + 1).arg(parts[i]));
    // Under two steps' worth the marking is one statement either way: the catalog is not
    // asked.
    const TablePages pages = total >= 2 * kMinStep ? tablePages() : TablePages{};
    const bool byPages = pages.rows > 0 && total * kPagesShare >= pages.rows;
    const QString sql =
        QStringLiteral("WITH M AS (UPDATE DELIVERY SET NRAPURACFAT = :nr, NRLANCTONF = "
                       "K.NRLANCTONF FROM ZEL_NOTA_CHAVE K WHERE %1 AND %2%3 RETURNING "
                       "K.NRLANCTONF AS NF, DELIVERY.VRSERVICO AS V, DELIVERY.VRMOEDESTR "
                       "AS E, DELIVERY.NRFATURAMENTO AS F) "
                       "SELECT NF, COUNT(*), SUM(V), SUM(E), SUM(CASE WHEN F IS NULL OR "
                       "TRIM(F) = '' THEN 1 ELSE 0 END) FROM M GROUP BY NF")
            .arg(m_selection.where(), match.join(QStringLiteral(" AND ")),
                 byPages ? QStringLiteral(" AND DELIVERY.ctid >= CAST(:pg_from AS TID) AND "
                                          "DELIVERY.ctid < CAST(:pg_to AS TID)")
                         : QString());
    // Returns how many it marked.
    const auto markStep = [&](DeliverySelection::Binds binds) {
        binds.append({QStringLiteral("nr"), m_nr});
        QSqlQuery query;
        try {
            query = m_sql.exec(sql, binds);
        } catch (const EDBEngineError& e) {
            // A delivery of a key not counted was marked with the computation and no
            // invoice, which its reference refuses at once: it came in meanwhile.
            if (e.message().contains(QLatin1String(kMarkedReference), Qt::CaseInsensitive))
                throw Exception(QStringLiteral("deliveries incluídas durante o cálculo"));
            throw;
        }
        qint64 marked = 0;
        while (query.next()) {
            const auto found = byNumber.find(query.value(0).toString());
            // The reference refuses a delivery without an invoice; this one is not ours.
            if (found == byNumber.end())
                throw Exception(QStringLiteral("deliveries incluídas durante o cálculo"));
            if (query.value(4).toLongLong() > 0)
                throw Exception(QStringLiteral("delivery sem número de faturamento no período"));
            Invoice& invoice = invoices[found->second];
            const qint64 count = query.value(1).toLongLong();
            invoice.deliveries += count;
            invoice.value += query.value(2).toLongLong();
            invoice.foreign += query.value(3).toLongLong();
            marked += count;
        }
        return marked;
    };
    // The references of the marked deliveries exist by now: checked statement by
    // statement they cost the same, and the commit is not left with a million checks
    // and no progress to show.
    m_sql.exec(QStringLiteral("SET CONSTRAINTS ALL IMMEDIATE"));
    report(Phase::Marking, 0, total);
    qint64 done = 0;
    if (byPages) {
        // Paced in pages, about as many deliveries a page as the table holds.
        StepPacer pacer(pages.pages, std::max<qint64>(1, kMinStep * pages.pages / pages.rows));
        for (qint64 from = 0; from < pages.pages;) {
            const qint64 to = std::min(pages.pages, from + pacer.next());
            DeliverySelection::Binds binds = m_selection.binds();
            binds.append({QStringLiteral("pg_from"), QStringLiteral("(%1,0)").arg(from)});
            // The last step goes on to the table's end as it is then: a delivery added
            // meanwhile most likely went there.
            binds.append({QStringLiteral("pg_to"),
                          QStringLiteral("(%1,0)").arg(to < pages.pages ? to : kPastLastPage)});
            done += markStep(binds);
            if (done > total)
                throw changedMeanwhile(done, total);
            pacer.stepDone(to - from);
            report(Phase::Marking, done, total);
            from = to;
        }
        if (done != total)
            throw changedMeanwhile(done, total);
        return invoices;
    }
    StepPacer pacer(total, kMinStep);
    forEachDayRange(plan.perDay, m_r.start, m_r.end, pacer,
                    [&](const QDate& from, const QDate& to, qint64 expected) {
                        const qint64 marked = markStep(m_selection.bindsFor(from, to));
                        if (marked != expected)
                            throw changedMeanwhile(marked, expected);
                        done += expected;
                        report(Phase::Marking, done, total);
                    });
    return invoices;
}

// The pages the deliveries take now and how many rows the planner's statistics count in
// them (0 when it has none).
BillingComputation::TablePages BillingComputation::tablePages() const {
    QSqlQuery query = m_sql.exec(QStringLiteral(
        "SELECT pg_relation_size('delivery') / current_setting('block_size')::BIGINT, "
        "GREATEST(reltuples, 0)::BIGINT FROM pg_class WHERE oid = 'delivery'::regclass"));
    TablePages pages;
    if (query.next()) {
        pages.pages = query.value(0).toLongLong();
        pages.rows = query.value(1).toLongLong();
    }
    return pages;
}
