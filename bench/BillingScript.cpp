#include "bench/BillingScript.h"

#include "core/Exception.h"
#include "db/SqlPlaceholders.h"
#include "external/appserver/TNetConnection.h"
#include "protocol/CalculaApuracaoArgs.h"
#include "server/BillingComputation.h"

#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

using Binds = QHash<QString, QVariant>;

bool isPostgreSql(const QSqlDatabase& db) {
    return db.driverName() == QLatin1String("QPSQL");
}

// Binds only the names the text uses: SQLite refuses values it has no place for.
QSqlQuery run(const QSqlDatabase& db, const QString& sql, const Binds& binds = {}) {
    QSqlQuery query(db);
    query.setForwardOnly(true);
    bool ok = false;
    if (binds.isEmpty()) {
        ok = query.exec(sql);
    } else if (query.prepare(sql)) {
        for (const QString& name : SqlPlaceholders::names(sql))
            query.bindValue(QLatin1Char(':') + name, binds.value(name));
        ok = query.exec();
    }
    if (!ok)
        throw Exception(QStringLiteral("Falha no SQL (%1): %2")
                            .arg(query.lastError().text().trimmed(), sql.simplified().left(120)));
    return query;
}

QVariant single(const QSqlDatabase& db, const QString& sql, const Binds& binds = {}) {
    QSqlQuery query = run(db, sql, binds);
    return query.next() ? query.value(0) : QVariant();
}

QVariant textOrNull(const QString& text) {
    return text.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(text);
}

// The deliveries a computation takes, put where the statements say {selection} (not with
// arg(): printf's "%010d" would read as a marker). PostgreSQL keeps dates as DATE, SQLite
// as ISO text.
const QString kSelectionSqlite = QStringLiteral(
    "CDFILIAL = :filial AND CDCIA = :cdcia AND DTDELIVERY >= :start AND DTDELIVERY <= :end "
    "AND NRAPURACFAT IS NULL");
const QString kSelectionPg =
    QStringLiteral("CDFILIAL = CAST(:filial AS VARCHAR) AND CDCIA = CAST(:cdcia AS VARCHAR) "
                   "AND DTDELIVERY >= CAST(:start AS DATE) AND DTDELIVERY <= CAST(:end AS DATE) "
                   "AND NRAPURACFAT IS NULL");

// A counter shared by every branch starts past every number in use (counters kept per
// branch by older data included), as the server does on first use.
QString ensureCounter(const QString& sequence, const QString& table, const QString& key) {
    return QStringLiteral(
               "INSERT INTO NUMERADOR (CDFILIAL, NMSEQ, NRULTIMO) "
               "SELECT '*', '%1', MAX(N) FROM ("
               "  SELECT COALESCE(MAX(NRULTIMO), 0) AS N FROM NUMERADOR WHERE NMSEQ = '%1'"
               "  UNION ALL SELECT COALESCE(CAST(MAX(%3) AS BIGINT), 0) FROM %2) AS M "
               "WHERE true ON CONFLICT (CDFILIAL, NMSEQ) DO NOTHING")
        .arg(sequence, table, key);
}

const QString kTakeComputationNumber =
    QStringLiteral("UPDATE NUMERADOR SET NRULTIMO = NRULTIMO + 1 "
                   "WHERE CDFILIAL = '*' AND NMSEQ = 'APURACAO'");
const QString kComputationNumber =
    QStringLiteral("SELECT NRULTIMO FROM NUMERADOR WHERE CDFILIAL = '*' AND NMSEQ = 'APURACAO'");

const QString kRegisterSqlite = QStringLiteral(
    "INSERT INTO CTRLAPURFAT (NRAPURACFAT, IDTIPAPUR, CDFILIALTRAB, CDFILIAL, CDCIA, CDCLIENTE, "
    "  DTINIAPURAC, DTFIMAPURAC, DTFATURA, CDSERIE, IDTPIJURTRAN, NRINSJURTRAN, CDGRUPPROD, "
    "  NRPEDIDO, IDSTATUS, DTHRINICIO) "
    "VALUES (:nr, 'F', :trab, :filial, :cdcia, :cliente, :start, :end, :billing, :serie, "
    "  :kind, :carrier, NULL, NULL, 'P', strftime('%Y-%m-%d %H:%M:%S', 'now', 'localtime'))");
const QString kRegisterPg = QStringLiteral(
    "INSERT INTO CTRLAPURFAT (NRAPURACFAT, IDTIPAPUR, CDFILIALTRAB, CDFILIAL, CDCIA, CDCLIENTE, "
    "  DTINIAPURAC, DTFIMAPURAC, DTFATURA, CDSERIE, IDTPIJURTRAN, NRINSJURTRAN, CDGRUPPROD, "
    "  NRPEDIDO, IDSTATUS, DTHRINICIO) "
    "VALUES (:nr, 'F', :trab, :filial, :cdcia, :cliente, CAST(:start AS DATE), "
    "  CAST(:end AS DATE), CAST(:billing AS DATE), :serie, :kind, :carrier, NULL, NULL, 'P', "
    "  LOCALTIMESTAMP(0))");

const QString kLacksBillingNumber =
    QStringLiteral("SELECT COUNT(*) FROM DELIVERY WHERE {selection} "
                   "AND (NRFATURAMENTO IS NULL OR TRIM(NRFATURAMENTO) = '')");

// A write to the counter's row before reading it: a second process waits for our commit.
const QString kLockInvoiceCounter = QStringLiteral("UPDATE NUMERADOR SET NRULTIMO = NRULTIMO "
                                                   "WHERE CDFILIAL = '*' AND NMSEQ = 'NOTAFISCAL'");

// One invoice per flight, numbered after the counter in flight order (the server's order:
// plain byte order, hence COLLATE "C" on PostgreSQL).
const QString kInvoicesSqlite = QStringLiteral(
    "INSERT INTO NOTAFISCAL (NRLANCTONF, CDFILIAL, NRAPURACFAT, CDCLIENTE, CDCIA, CDSERIE, "
    "  DTENTRSAID, VRNOTAFISC, VRTTMOEDESTR, NRVOO, CDLOCAFATCIA, IDEMITIDA) "
    "SELECT printf('%010d', "
    "    (SELECT NRULTIMO FROM NUMERADOR WHERE CDFILIAL = '*' AND NMSEQ = 'NOTAFISCAL') "
    "    + ROW_NUMBER() OVER (ORDER BY NRVOO)), "
    "  :filial, :nr, :cliente, :cdcia, :serie, :billing, SUM(VRSERVICO), SUM(VRMOEDESTR), "
    "  NRVOO, NULL, 'N' "
    "FROM DELIVERY WHERE {selection} GROUP BY NRVOO");
const QString kInvoicesPg = QStringLiteral(
    "INSERT INTO NOTAFISCAL (NRLANCTONF, CDFILIAL, NRAPURACFAT, CDCLIENTE, CDCIA, CDSERIE, "
    "  DTENTRSAID, VRNOTAFISC, VRTTMOEDESTR, NRVOO, CDLOCAFATCIA, IDEMITIDA) "
    "SELECT LPAD(CAST("
    "    (SELECT NRULTIMO FROM NUMERADOR WHERE CDFILIAL = '*' AND NMSEQ = 'NOTAFISCAL') "
    "    + ROW_NUMBER() OVER (ORDER BY NRVOO COLLATE \"C\") AS TEXT), 10, '0'), "
    "  CAST(:filial AS VARCHAR), CAST(:nr AS VARCHAR), CAST(:cliente AS VARCHAR), "
    "  CAST(:cdcia AS VARCHAR), CAST(:serie AS VARCHAR), CAST(:billing AS DATE), "
    "  SUM(VRSERVICO), SUM(VRMOEDESTR), NRVOO, NULL, 'N' "
    "FROM DELIVERY WHERE {selection} GROUP BY NRVOO");

// Each flight's invoice, for the marking to find by flight in one seek (the invoices' own
// index is by computation, which would read every invoice of it for every delivery).
const QString kInvoiceOfFlightTable =
    QStringLiteral("CREATE TEMP TABLE IF NOT EXISTS ZEL_SCRIPT_NOTA (NRVOO VARCHAR(5) NOT NULL "
                   "PRIMARY KEY, NRLANCTONF VARCHAR(10) NOT NULL)");
const QString kInvoiceOfFlight = QStringLiteral(
    "INSERT INTO ZEL_SCRIPT_NOTA (NRVOO, NRLANCTONF) SELECT NRVOO, NRLANCTONF FROM NOTAFISCAL "
    "WHERE NRAPURACFAT = CAST(:nr AS VARCHAR(10))");

const QString kMarkSqlite = QStringLiteral(
    "UPDATE DELIVERY SET NRAPURACFAT = :nr, "
    "  NRLANCTONF = (SELECT N.NRLANCTONF FROM ZEL_SCRIPT_NOTA N WHERE N.NRVOO = DELIVERY.NRVOO) "
    "WHERE {selection}");
const QString kMarkPg = QStringLiteral(
    "UPDATE DELIVERY SET NRAPURACFAT = CAST(:nr AS VARCHAR(10)), NRLANCTONF = N.NRLANCTONF "
    "FROM ZEL_SCRIPT_NOTA N WHERE N.NRVOO = DELIVERY.NRVOO AND {selection}");

const QString kAdvanceInvoiceCounter = QStringLiteral(
    "UPDATE NUMERADOR SET NRULTIMO = NRULTIMO + "
    "  (SELECT COUNT(*) FROM NOTAFISCAL WHERE NRAPURACFAT = CAST(:nr AS VARCHAR(10))) "
    "WHERE CDFILIAL = '*' AND NMSEQ = 'NOTAFISCAL'");

const QString kFinish = QStringLiteral(
    "UPDATE CTRLAPURFAT SET IDSTATUS = 'F' WHERE NRAPURACFAT = :nr AND IDSTATUS = 'P'");

Binds bindsOf(const BillingScope& s) {
    return {{QStringLiteral("trab"), s.filialTrabalho},
            {QStringLiteral("filial"), s.filial},
            {QStringLiteral("cdcia"), s.cdcia},
            {QStringLiteral("cliente"), s.cliente},
            {QStringLiteral("serie"), textOrNull(s.serie)},
            {QStringLiteral("kind"), textOrNull(s.carrierKind)},
            {QStringLiteral("carrier"), textOrNull(s.carrierNumber)},
            {QStringLiteral("start"), s.start.toString(Qt::ISODate)},
            {QStringLiteral("end"), s.end.toString(Qt::ISODate)},
            {QStringLiteral("billing"), s.billing.toString(Qt::ISODate)}};
}

QString withSelection(QString sql, const QString& selection) {
    return sql.replace(QLatin1String("{selection}"), selection);
}

QString steps(const QSqlDatabase& db, Binds binds) {
    const bool pg = isPostgreSql(db);
    const QString selection = pg ? kSelectionPg : kSelectionSqlite;
    run(db, ensureCounter(QStringLiteral("APURACAO"), QStringLiteral("CTRLAPURFAT"),
                          QStringLiteral("NRAPURACFAT")));
    run(db, ensureCounter(QStringLiteral("NOTAFISCAL"), QStringLiteral("NOTAFISCAL"),
                          QStringLiteral("NRLANCTONF")));
    run(db, kTakeComputationNumber);
    const QString nr =
        QStringLiteral("%1").arg(single(db, kComputationNumber).toLongLong(), 10, 10, QChar('0'));
    binds.insert(QStringLiteral("nr"), nr);
    run(db, pg ? kRegisterPg : kRegisterSqlite, binds);
    if (single(db, withSelection(kLacksBillingNumber, selection), binds).toLongLong() > 0)
        throw Exception(QStringLiteral("delivery sem número de faturamento no período"));
    run(db, kLockInvoiceCounter);
    run(db, withSelection(pg ? kInvoicesPg : kInvoicesSqlite, selection), binds);
    run(db, kInvoiceOfFlightTable);
    run(db, QStringLiteral("DELETE FROM ZEL_SCRIPT_NOTA"));
    run(db, kInvoiceOfFlight, binds);
    run(db, withSelection(pg ? kMarkPg : kMarkSqlite, selection), binds);
    run(db, kAdvanceInvoiceCounter, binds);
    run(db, kFinish, binds);
    return nr;
}

} // namespace

BillingScope BillingScope::of(QSqlDatabase db, const QString& filial, const QString& cdcia,
                              const QDate& start, const QDate& end, const QDate& billing) {
    QSqlQuery query = run(db,
                          QStringLiteral("SELECT C.CDCLIENTE, F.CDSERIE FROM COMPANHIA C "
                                         "JOIN CIAFILI F ON F.CDCIA = C.CDCIA "
                                         "WHERE F.CDFILIAL = :filial AND C.CDCIA = :cdcia"),
                          {{QStringLiteral("filial"), filial}, {QStringLiteral("cdcia"), cdcia}});
    if (!query.next())
        throw Exception(
            QStringLiteral("A companhia %1 não está cadastrada na filial %2.").arg(cdcia, filial));
    BillingScope scope;
    scope.filialTrabalho = filial;
    scope.filial = filial;
    scope.cdcia = cdcia;
    scope.cliente = query.value(0).toString();
    scope.serie = query.value(1).toString();
    scope.carrierKind = QStringLiteral("J");
    scope.carrierNumber = QStringLiteral("11222333000181");
    scope.start = start;
    scope.end = end;
    scope.billing = billing;
    return scope;
}

void tuneForBilling(QSqlDatabase db) {
    if (isPostgreSql(db)) {
        // The sums' hash table and sort in memory.
        run(db, QStringLiteral("SET work_mem = '64MB'"));
        return;
    }
    // The page cache the server's computation gets, and temporary b-trees in memory.
    run(db, QStringLiteral("PRAGMA cache_size = -%1").arg(BillingComputation::kSqliteCacheKiB));
    run(db, QStringLiteral("PRAGMA temp_store = MEMORY"));
}

QString runSetBasedBilling(QSqlDatabase db, const BillingScope& scope) {
    tuneForBilling(db);
    if (!db.transaction())
        throw Exception(
            QStringLiteral("Não foi possível iniciar a transação: %1").arg(db.lastError().text()));
    try {
        const QString nr = steps(db, bindsOf(scope));
        if (!db.commit())
            throw Exception(
                QStringLiteral("Falha ao confirmar a transação: %1").arg(db.lastError().text()));
        return nr;
    } catch (...) {
        db.rollback();
        throw;
    }
}

qint64 BillingOutcome::invoiceTotal() const {
    qint64 total = 0;
    for (const InvoiceLine& line : invoices)
        total += line.value;
    return total;
}

BillingOutcome outcomeOf(QSqlDatabase db, const QString& nr) {
    const Binds binds = {{QStringLiteral("nr"), nr}};
    BillingOutcome outcome;
    outcome.status =
        single(db, QStringLiteral("SELECT IDSTATUS FROM CTRLAPURFAT WHERE NRAPURACFAT = :nr"),
               binds)
            .toString();
    outcome.markedDeliveries =
        single(db, QStringLiteral("SELECT COUNT(*) FROM DELIVERY WHERE NRAPURACFAT = :nr"), binds)
            .toLongLong();
    QSqlQuery query = run(
        db,
        QStringLiteral("SELECT N.NRLANCTONF, N.NRVOO, N.VRNOTAFISC, N.VRTTMOEDESTR, "
                       "  (SELECT COUNT(*) FROM DELIVERY D WHERE D.NRLANCTONF = N.NRLANCTONF "
                       "     AND D.NRAPURACFAT = N.NRAPURACFAT), "
                       "  (SELECT COALESCE(SUM(D.VRSERVICO), 0) FROM DELIVERY D "
                       "     WHERE D.NRLANCTONF = N.NRLANCTONF AND D.NRAPURACFAT = N.NRAPURACFAT) "
                       "FROM NOTAFISCAL N WHERE N.NRAPURACFAT = :nr ORDER BY N.NRLANCTONF"),
        binds);
    while (query.next())
        outcome.invoices.append({query.value(0).toString(), query.value(1).toString(),
                                 query.value(2).toLongLong(), query.value(3).toLongLong(),
                                 query.value(4).toLongLong(), query.value(5).toLongLong()});
    outcome.lastInvoiceNumber =
        single(db, QStringLiteral("SELECT NRULTIMO FROM NUMERADOR "
                                  "WHERE CDFILIAL = '*' AND NMSEQ = 'NOTAFISCAL'"))
            .toLongLong();
    return outcome;
}

qint64 distinctFlights(QSqlDatabase db, const BillingScope& scope) {
    const bool pg = isPostgreSql(db);
    const QString period = pg ? QStringLiteral("CAST(:start AS DATE) AND CAST(:end AS DATE)")
                              : QStringLiteral(":start AND :end");
    return single(db,
                  QStringLiteral("SELECT COUNT(DISTINCT NRVOO) FROM DELIVERY WHERE CDFILIAL = "
                                 ":filial AND CDCIA = :cdcia AND DTDELIVERY BETWEEN %1")
                      .arg(period),
                  bindsOf(scope))
        .toLongLong();
}

QString BillingScope::calculaApuracao(TNetConnection& net) const {
    const BillingScope& s = *this;
    namespace Args = protocol::CalculaApuracaoArgs;
    QString branch = s.filialTrabalho;
    QString flights;
    QString allFlights = QStringLiteral("T");
    QString group;
    protocol::RemoteValue changes;
    QString locations;
    QList<TRemoteArg> args = Args::inOrder<TRemoteArg>({
        {Args::WorkingBranch, TRemoteArg::R(&branch)},
        {Args::BranchCode, TRemoteArg::S(s.filial)},
        {Args::CustomerCode, TRemoteArg::S(s.cliente)},
        {Args::DeliveryPeriodStart, TRemoteArg::D(s.start)},
        {Args::DeliveryPeriodEnd, TRemoteArg::D(s.end)},
        {Args::BillingDate, TRemoteArg::D(s.billing)},
        {Args::CompanyKey, TRemoteArg::S(s.cdcia)},
        {Args::FlightList, TRemoteArg::R(&flights)},
        {Args::AllFlightsFlag, TRemoteArg::R(&allFlights)},
        {Args::InvoiceSeries, TRemoteArg::S(s.serie)},
        {Args::CarrierKind, TRemoteArg::S(s.carrierKind)},
        {Args::CarrierNumber, TRemoteArg::S(s.carrierNumber)},
        {Args::ProductGroup, TRemoteArg::R(&group)},
        {Args::CarrierChangePacket, TRemoteArg::V(&changes)},
        {Args::LocationList, TRemoteArg::R(&locations)},
        {Args::ClosedFlightList, TRemoteArg::S(QStringLiteral("_"))},
        {Args::OrderNumber, TRemoteArg::S(QString())},
    });
    return net.AppServer().call(QLatin1String(Args::kMethod), args).toString();
}
