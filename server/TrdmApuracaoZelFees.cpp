// The airport-fee computation (CalcApuracTaxa): one fee invoice per billing invoice.
#include "server/CounterConnection.h"
#include "server/DeliverySelection.h"
#include "server/Numerador.h"
#include "server/ServerFailure.h"
#include "server/ServerSql.h"
#include "server/SqlTransaction.h"
#include "server/StepPacer.h"
#include "server/TrdmApuracaoZel.h"

#include "core/EDBEngineError.h"

#include <cmath>
#include <QSet>

using protocol::RemoteValue;

namespace {

const QChar kMark(0x00BF);
const QString kBlank20(20, QLatin1Char(' '));

// Rates are kept with four decimals: 2.5 % is 25000 ten-thousandths of a percent.
constexpr qint64 kRateScale = 10000;

// Invoices a step of the fee computation takes at least; a list no longer than this is
// charged in well under a second and reports nothing.
constexpr qint64 kMinStep = 100;

// Reports progress over one pass through `total` invoices, paced by StepPacer.
class FeeProgress {
public:
    FeeProgress(const TrdmApuracaoZel::Progress& progress, qint64 total)
        : m_progress(total > kMinStep ? progress : TrdmApuracaoZel::Progress())
        , m_total(total)
        , m_pacer(total, kMinStep) {}

    // `done` invoices of the pass are through; `text` takes done and total.
    void advance(qint64 done, const QString& text) {
        if (!m_progress || (done - m_reported < m_pacer.next() && done != m_total && done != 0))
            return;
        if (done > 0)
            m_pacer.stepDone(done - m_reported);
        m_reported = done;
        m_progress(done, m_total, text.arg(done).arg(m_total));
    }

private:
    TrdmApuracaoZel::Progress m_progress;
    qint64 m_total;
    StepPacer m_pacer;
    qint64 m_reported = 0;
};

[[noreturn]] void refuse(const QString& key) {
    throw ServerFailure(kMark + key + kBlank20 + QLatin1Char('*'));
}

[[noreturn]] void notChargeable(const QString& invoice) {
    throw ServerFailure(
        QStringLiteral("Nota fiscal %1 não pode receber taxa aeroportuária.").arg(invoice));
}

// The group's rate in ten-thousandths of a percent; refuses when the group
// has none.
qint64 rateOf(const ServerSql& sql, const QString& grupo) {
    QSqlQuery query =
        sql.exec(QStringLiteral("SELECT PCTAXAAERO FROM GRUPPROD WHERE CDGRUPPROD = :grupo"),
                 {{"grupo", grupo}});
    if (!query.next() || query.value(0).isNull())
        refuse(QStringLiteral("N_Prod_Tax"));
    return std::llround(query.value(0).toDouble() * double(kRateScale));
}

// value x rate / 100, to the cent, halves away from zero.
qint64 feeOf(qint64 cents, qint64 rate) {
    const qint64 divisor = 100 * kRateScale;
    qint64 product = 0;
    if (__builtin_mul_overflow(cents, rate, &product))
        throw Exception(QStringLiteral("valor fora do limite para a taxa"));
    const qint64 half = divisor / 2;
    return product >= 0 ? (product + half) / divisor : -((-product + half) / divisor);
}

} // namespace

RemoteValue TrdmApuracaoZel::calcApuracTaxa(Args& args, const Progress& progress) {
    const QString trabalho = args[0].toString();
    const QString cliente = args[1].toString();
    const QDate start = args[2].toDate();
    const QDate end = args[3].toDate();
    const QString filial = args[4].toString();
    const QString cdcia = args[5].toString();
    const QDate billing = args[6].toDate();
    const QString serie = args[7].toString();
    const QString kind = args[8].toString();
    const QString carrier = args[9].toString();
    const QString grupo = args[10].toString().trimmed();
    if (!billing.isValid())
        throw ServerFailure(QStringLiteral("Chamada inválida: CalcApuracTaxa"));
    ServerSql sql(m_db);

    if (grupo.isEmpty())
        refuse(QStringLiteral("Inf_ProTax"));
    const qint64 rate = rateOf(sql, grupo);

    // Bounded like the billing lists: each invoice costs a query inside the transaction.
    const QStringList listed = DeliverySelection::entries(args[11].toString());
    if (listed.size() > DeliverySelection::kMaxListed)
        throw ServerFailure(QStringLiteral("Chamada inválida: CalcApuracTaxa"));

    struct Charged {
        QString number;
        qint64 value;
        qint64 foreign;
    };
    // Checked inside the transaction so that two fee computations cannot both take an
    // invoice; the unique NRLANCTONFORIG settles what the check cannot see yet. On
    // PostgreSQL the billing computation's row is locked too, as a cancellation locks it
    // before touching its invoices: the cancellation waits for this one, or this one finds
    // it cancelled, never a deadlock (SQLite's write transaction holds the whole database).
    const QString lockRows =
        sql.dialect() == TDialect::PostgreSQL ? QStringLiteral(" FOR SHARE OF C") : QString();
    const TurnQueue::Turn turn = awaitTurn(progress);
    QString nr;
    try {
        SqlTransaction transaction(sql);
        QList<Charged> charged;
        FeeProgress checking(progress, listed.size());
        checking.advance(0,
                         QStringLiteral("Taxa aeroportuária: conferindo %1 de %2 notas fiscais"));
        for (const QString& invoice : listed) {
            QSqlQuery query = sql.exec(
                QStringLiteral(
                    "SELECT N.VRNOTAFISC, N.VRTTMOEDESTR FROM NOTAFISCAL N "
                    "JOIN CTRLAPURFAT C ON C.NRAPURACFAT = N.NRAPURACFAT "
                    "WHERE N.NRLANCTONF = :nf AND C.IDTIPAPUR = 'F' AND C.IDSTATUS = 'F' "
                    "AND C.CDCLIENTE = :cliente AND N.NRLANCTONFORIG IS NULL AND NOT EXISTS "
                    "(SELECT 1 FROM NOTAFISCAL T WHERE T.NRLANCTONFORIG = N.NRLANCTONF)") +
                    lockRows,
                {{"nf", invoice}, {"cliente", cliente}});
            if (!query.next())
                notChargeable(invoice);
            charged.append({invoice, query.value(0).toLongLong(), query.value(1).toLongLong()});
            checking.advance(
                charged.size(),
                QStringLiteral("Taxa aeroportuária: conferindo %1 de %2 notas fiscais"));
        }
        nr = Numerador::format(m_counters->nextApuracao());
        sql.change(
            QStringLiteral(
                "INSERT INTO CTRLAPURFAT (NRAPURACFAT, IDTIPAPUR, CDFILIALTRAB, CDFILIAL, CDCIA, "
                "CDCLIENTE, DTINIAPURAC, DTFIMAPURAC, DTFATURA, CDSERIE, IDTPIJURTRAN, "
                "NRINSJURTRAN, CDGRUPPROD, IDSTATUS, DTHRINICIO, CDUSUARIO) VALUES (:nr, 'T', "
                ":trab, :filial, :cdcia, :cliente, :start, :end, :billing, :serie, :kind, "
                ":carrier, :grupo, 'F', :now, :user)"),
            {{"nr", nr},
             {"trab", trabalho},
             {"filial", filial},
             {"cdcia", cdcia},
             {"cliente", cliente},
             {"start", ServerSql::bindDate(start)},
             {"end", ServerSql::bindDate(end)},
             {"billing", ServerSql::bindDate(billing)},
             {"serie", ServerSql::textOrNull(serie)},
             {"kind", ServerSql::textOrNull(kind)},
             {"carrier", ServerSql::textOrNull(carrier)},
             {"grupo", grupo},
             {"now", ServerSql::bindDateTime(QDateTime::currentDateTime())},
             {"user", ServerSql::textNotNull(m_user)}});
        const qint64 first =
            charged.isEmpty() ? 0 : m_counters->reserveNotasFiscais(charged.size());
        const QString charging = QStringLiteral("Apuração %1: %2 de %3 notas fiscais").arg(nr);
        FeeProgress inserting(progress, charged.size());
        inserting.advance(0, charging);
        for (qsizetype i = 0; i < charged.size(); ++i) {
            sql.change(
                QStringLiteral(
                    "INSERT INTO NOTAFISCAL (NRLANCTONF, CDFILIAL, NRAPURACFAT, CDCLIENTE, CDCIA, "
                    "CDSERIE, DTENTRSAID, VRNOTAFISC, VRTTMOEDESTR, NRLANCTONFORIG, IDEMITIDA) "
                    "VALUES (:nf, :filial, :nr, :cliente, :cdcia, :serie, :data, :valor, :estr, "
                    ":orig, 'N')"),
                {{"nf", Numerador::format(first + i)},
                 {"filial", filial},
                 {"nr", nr},
                 {"cliente", cliente},
                 {"cdcia", cdcia},
                 {"serie", ServerSql::textOrNull(serie)},
                 {"data", ServerSql::bindDate(billing)},
                 {"valor", feeOf(charged[i].value, rate)},
                 {"estr", feeOf(charged[i].foreign, rate)},
                 {"orig", charged[i].number}});
            inserting.advance(i + 1, charging);
        }
        transaction.commit();
    } catch (const EDBEngineError& e) {
        if (!ServerSql::isUniqueViolation(e.message()))
            throw;
        // Another fee computation charged one of them first.
        for (const QString& invoice : listed) {
            if (sql.scalar(QStringLiteral("SELECT COUNT(*) FROM NOTAFISCAL "
                                          "WHERE NRLANCTONFORIG = :nf"),
                           {{"nf", invoice}})
                    .toLongLong() > 0)
                notChargeable(invoice);
        }
        throw;
    }
    m_lastComputation = nr;
    return QStringLiteral("NSEQ") + nr;
}
