// The billing computation (CalculaApuracao): the checks before anything is registered,
// the registration, and the failure of the computation kept as its status.
#include "server/BillingComputation.h"
#include "server/CalculaApuracaoRequest.h"
#include "server/CounterConnection.h"
#include "server/DatabaseBusy.h"
#include "server/DeliveryExport.h"
#include "server/DeliverySelection.h"
#include "server/Numerador.h"
#include "server/ServerFailure.h"
#include "server/ServerSql.h"
#include "server/SqlTransaction.h"
#include "server/TrdmApuracaoZel.h"

#include "core/EDBEngineError.h"

using protocol::RemoteValue;

namespace {

const QChar kMark(0x00BF); // "¿": the screens take the 10 characters after it as a key
const QString kBlank20(20, QLatin1Char(' '));
constexpr int kErrorWidth = 500;

[[noreturn]] void blocked(const QString& key, const QString& value) {
    throw ServerFailure(kMark + key + value + QLatin1Char('*'));
}

QString issueFormType(const ServerSql& sql, const CalculaApuracaoRequest& r) {
    return sql
        .scalar(QStringLiteral("SELECT F.IDTIPEMNF FROM CIAFILI C JOIN FORMEMISNF F "
                               "ON F.CDTIPEMNF = C.CDTIPEMNF "
                               "WHERE C.CDFILIAL = :filial AND C.CDCIA = :cdcia"),
                {{"filial", r.filial}, {"cdcia", r.cdcia}})
        .toString()
        .trimmed();
}

DeliverySelection selectionOf(const CalculaApuracaoRequest& r, const QString& type) {
    DeliverySelection selection(
        {r.filial, r.cdcia, r.start, r.end, r.grupo, type, r.flights, r.allFlights, r.locations});
    if (selection.listTooLong())
        throw CalculaApuracaoRequest::invalidCall();
    return selection;
}

bool anyWithoutFaturamento(const ServerSql& sql, const DeliverySelection& selection) {
    QSqlQuery query =
        sql.exec(QStringLiteral("SELECT 1 FROM DELIVERY WHERE %1 AND (NRFATURAMENTO IS NULL OR "
                                "TRIM(NRFATURAMENTO) = '') LIMIT 1")
                     .arg(selection.where()),
                 selection.binds());
    return query.next();
}

// Registration, ordered per branch and company: on PostgreSQL a registration first locks
// its CIAFILI row, so once this one holds it no other registration of the company is half
// done, and a running computation of the company is a committed row, looked for again here
// and refused at once. Inserting over it instead would wait on the unique index for that
// computation's whole transaction. Registrations of other companies do not wait for this
// one: the number comes from the counter connection (committed at once, so a registration
// refused or failed here leaves a gap), never from a counter locked until this commit. On
// SQLite the write lock orders every registration anyway, and the number is taken in this
// transaction. The unique index stays the last word, for servers that register otherwise.
QString registerComputation(const ServerSql& sql, CounterConnection& counters,
                            const CalculaApuracaoRequest& r, const QString& user,
                            const std::function<void()>& refuseIfRunning) {
    SqlTransaction transaction(sql);
    if (sql.dialect() != TDialect::SQLite)
        sql.exec(QStringLiteral("SELECT 1 FROM CIAFILI WHERE CDFILIAL = :filial AND "
                                "CDCIA = :cdcia FOR NO KEY UPDATE"),
                 {{"filial", r.filial}, {"cdcia", r.cdcia}});
    const QString nr = Numerador::format(counters.nextApuracao());
    refuseIfRunning();
    sql.change(
        QStringLiteral(
            "INSERT INTO CTRLAPURFAT (NRAPURACFAT, IDTIPAPUR, CDFILIALTRAB, CDFILIAL, CDCIA, "
            "CDCLIENTE, DTINIAPURAC, DTFIMAPURAC, DTFATURA, CDSERIE, IDTPIJURTRAN, "
            "NRINSJURTRAN, CDGRUPPROD, NRPEDIDO, IDSTATUS, DTHRINICIO, CDUSUARIO) VALUES (:nr, "
            "'F', :trab, :filial, :cdcia, :cliente, :start, :end, :billing, :serie, :kind, "
            ":carrier, :grupo, :pedido, 'P', :now, :user)"),
        {{"nr", nr},
         {"trab", r.filialTrabalho},
         {"filial", r.filial},
         {"cdcia", r.cdcia},
         {"cliente", r.cliente},
         {"start", ServerSql::bindDate(r.start)},
         {"end", ServerSql::bindDate(r.end)},
         {"billing", ServerSql::bindDate(r.billing)},
         {"serie", ServerSql::textOrNull(r.serie)},
         {"kind", ServerSql::textOrNull(r.carrierKind)},
         {"carrier", ServerSql::textOrNull(r.carrierNumber)},
         {"grupo", ServerSql::textOrNull(r.grupo)},
         {"pedido", ServerSql::textOrNull(r.pedido)},
         {"now", ServerSql::bindDateTime(QDateTime::currentDateTime())},
         {"user", ServerSql::textNotNull(user)}});
    transaction.commit();
    return nr;
}

// Nothing of a failed computation is kept but its status and reason; the client is told
// `text`, or that the computation failed.
[[noreturn]] void failed(const ServerSql& sql, const QString& nr, const QString& reason,
                         const QString& text = {}) {
    try {
        sql.change(QStringLiteral("UPDATE CTRLAPURFAT SET IDSTATUS = 'E', DSERRO = :reason "
                                  "WHERE NRAPURACFAT = :nr AND IDSTATUS = 'P'"),
                   {{"reason", reason.left(kErrorWidth)}, {"nr", nr}});
    } catch (const std::exception&) {
        // The connection is gone: the row stays "P" and reads as interrupted later.
    }
    throw ServerFailure(text.isEmpty() ? QStringLiteral("Falha na apuração %1: %2").arg(nr, reason)
                                       : text);
}

} // namespace

RemoteValue TrdmApuracaoZel::calculaApuracao(Args& args, const Progress& progress) {
    const CalculaApuracaoRequest r = CalculaApuracaoRequest::decode(args);
    ServerSql sql(m_db);

    r.carriers.apply(sql);

    // The working branch is recorded with the computation: an unknown one is said plainly.
    if (sql.scalar(QStringLiteral("SELECT COUNT(*) FROM FILIAL WHERE CDFILIAL = :filial"),
                   {{"filial", r.filialTrabalho}})
            .toInt() == 0)
        throw ServerFailure(
            QStringLiteral("Filial de trabalho %1 não cadastrada.").arg(r.filialTrabalho));

    const QString type = issueFormType(sql, r);
    if (type.isEmpty())
        blocked(QStringLiteral("TpFt_N_Cad"), kBlank20);

    const auto refuseIfRunning = [&] {
        QSqlQuery running = sql.exec(
            QStringLiteral("SELECT NRAPURACFAT, DTHRINICIO FROM CTRLAPURFAT "
                           "WHERE CDFILIAL = :filial AND CDCIA = :cdcia AND IDSTATUS = 'P'"),
            {{"filial", r.filial}, {"cdcia", r.cdcia}});
        if (!running.next())
            return;
        const QString nr = running.value(0).toString();
        if (ServerSql::toDateTime(running.value(1)) <= leaseLimit())
            blocked(QStringLiteral("Apur_Irreg"), nr.leftJustified(20, QLatin1Char(' ')));
        blocked(QStringLiteral("Deliv_Bloq"), kBlank20);
    };
    refuseIfRunning();

    const DeliverySelection selection = selectionOf(r, type);
    if (anyWithoutFaturamento(sql, selection))
        throw ServerFailure(QStringLiteral("DELVALO_nf"));

    const QString exportDir =
        m_options.exportDir.isEmpty() ? DeliveryExport::directory(sql) : m_options.exportDir;
    if (!exportDir.isEmpty() && !DeliveryExport::isWritableDirectory(exportDir))
        throw ServerFailure(QStringLiteral("dir_n_exists"));

    const TurnQueue::Turn turn = awaitTurn(progress);
    QString nr;
    try {
        nr = registerComputation(sql, *m_counters, r, m_user, refuseIfRunning);
    } catch (const EDBEngineError& e) {
        if (ServerSql::isUniqueViolation(e.message()))
            refuseIfRunning();
        throw;
    }

    try {
        BillingComputation(sql, *m_counters, r, selection, nr, progress).run(exportDir);
    } catch (const EDBEngineError& e) {
        // Another session's write got in between the registration and the computation.
        failed(sql, nr, e.message(), DatabaseBusy::is(e) ? DatabaseBusy::text() : QString());
    } catch (const Exception& e) {
        failed(sql, nr, e.message());
    } catch (const std::exception& e) {
        failed(sql, nr, QString::fromUtf8(e.what()));
    }
    m_lastComputation = nr;
    return nr;
}
