#include "server/TrdmApuracaoZel.h"

#include "core/EDBEngineError.h"
#include "core/Exception.h"

#include "protocol/CalculaApuracaoArgs.h"
#include "server/ComputationCancel.h"
#include "server/CounterConnection.h"
#include "server/DatabaseBusy.h"
#include "server/Numerador.h"
#include "server/ServerFailure.h"
#include "server/ServerSql.h"

#include <QRegularExpression>

using protocol::ArgKind;
using protocol::RemoteValue;

namespace {

constexpr int kFree = -1; // a text argument without a column: no width limit

struct MethodShape {
    QList<ArgKind> kinds;
    QList<int> widths; // per argument: the column width of a text, kFree, or 0 (not text)
};

MethodShape shape(const char* letters, QList<int> widths) {
    MethodShape result{{}, std::move(widths)};
    protocol::parseArgKinds(QString::fromLatin1(letters), &result.kinds);
    return result;
}

MethodShape calculaApuracaoShape() {
    namespace Args = protocol::CalculaApuracaoArgs;
    MethodShape result{{Args::kKinds.begin(), Args::kKinds.end()}, QList<int>(Args::kCount, 0)};
    result.widths[Args::WorkingBranch] = 4;
    result.widths[Args::BranchCode] = 4;
    result.widths[Args::CustomerCode] = 21;
    result.widths[Args::CompanyKey] = 4;
    result.widths[Args::FlightList] = kFree;
    result.widths[Args::AllFlightsFlag] = 1;
    result.widths[Args::InvoiceSeries] = 5;
    result.widths[Args::CarrierKind] = 1;
    result.widths[Args::CarrierNumber] = 20;
    result.widths[Args::ProductGroup] = 10;
    result.widths[Args::LocationList] = kFree;
    result.widths[Args::ClosedFlightList] = kFree;
    result.widths[Args::OrderNumber] = 10;
    return result;
}

// The remote methods, their argument kinds and the widths of the columns their texts
// are compared with. A longer text can match nothing and is refused as a bad call.
const QHash<QString, MethodShape>& methodShapes() {
    static const QHash<QString, MethodShape> shapes = {
        {QStringLiteral("GetNotaFiscal"), shape("R R", {4, kFree})},
        {QStringLiteral("GetCtrlApurTaxa"), shape("S S S S", {4, 21, 10, 1})},
        {QStringLiteral("GetNotasApuradas"), shape("S D D S S", {21, 0, 0, 10, 1})},
        {QStringLiteral("CalcApuracTaxa"),
         shape("S S D D S S D S S S S S", {4, 21, 0, 0, 4, 4, 0, 5, 1, 20, 10, kFree})},
        {QStringLiteral("GetPerFecham"), shape("S S S", {4, 4, 2})},
        {QStringLiteral("GetDiretorios"), shape("S", {8})},
        {QLatin1String(protocol::CalculaApuracaoArgs::kMethod), calculaApuracaoShape()},
        {QStringLiteral("GetFormemIsNF"), shape("S S", {4, 4})},
        {QStringLiteral("GetVooTrecho"), shape("S S R D D", {4, 4, 1, 0, 0})},
        {QStringLiteral("GetLocalFatu"), shape("S S", {4, 4})},
        {QStringLiteral("GetCtrlApurFat"), shape("S", {21})},
        {QStringLiteral("GetUltimoNrPedido"), shape("S S", {4, 4})},
        {QStringLiteral("GetApuracoes"), shape("S S V V S S", {4, 4, 0, 0, 1, 1})},
        {QStringLiteral("CancelaApuracao"), shape("S", {kFree})},
    };
    return shapes;
}

void checkCall(const QString& method, const MethodShape& shape, const QList<RemoteValue>& args) {
    const QList<ArgKind>& kinds = shape.kinds;
    const ServerFailure invalid(QStringLiteral("Chamada inválida: ") + method);
    if (args.size() != kinds.size())
        throw invalid;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (!protocol::fitsArgKind(kinds[i], args[i]))
            throw invalid;
        const int width = shape.widths[i];
        if (width > 0 && args[i].type() == RemoteValue::Type::Text &&
            args[i].toString().size() > width)
            throw invalid;
    }
}

TFieldDef field(const char* name, TFieldType type, int size = 0, const QString& label = {}) {
    TFieldDef def;
    def.name = QString::fromLatin1(name);
    def.type = type;
    def.size = size;
    def.displayLabel = label;
    return def;
}

QString text(const QVariant& value) {
    return value.isNull() ? QString() : value.toString();
}

// A date column as the screens' date-time fields take it.
QVariant dateTimeField(const QVariant& value) {
    const QDate date = ServerSql::toDate(value);
    return date.isValid() ? QVariant(date.startOfDay()) : QVariant();
}

double money(qint64 cents) {
    return double(cents) / 100.0;
}

QVariant dateTimeOrNull(const QVariant& value) {
    const QDateTime moment = ServerSql::toDateTime(value);
    return moment.isValid() ? QVariant(moment) : QVariant();
}

// A V argument that must be a date or nothing.
bool optionalDate(const RemoteValue& value, QDate* date) {
    if (value.isNull()) {
        *date = QDate();
        return true;
    }
    if (value.type() != RemoteValue::Type::Date)
        return false;
    *date = value.toDate();
    return true;
}

constexpr int kMaxComputationRows = 1000;

} // namespace

TrdmApuracaoZel::TrdmApuracaoZel(QSqlDatabase db, ServerOptions options, QString user)
    : m_db(std::move(db))
    , m_counters(std::make_unique<CounterConnection>(m_db))
    , m_options(options)
    , m_user(std::move(user)) {}

TrdmApuracaoZel::~TrdmApuracaoZel() = default;

const QHash<QString, QList<ArgKind>>& TrdmApuracaoZel::signatures() {
    static const QHash<QString, QList<ArgKind>> signatures = [] {
        QHash<QString, QList<ArgKind>> result;
        const auto& shapes = methodShapes();
        for (auto it = shapes.begin(); it != shapes.end(); ++it)
            result.insert(it.key(), it.value().kinds);
        return result;
    }();
    return signatures;
}

RemoteValue TrdmApuracaoZel::call(const QString& method, QList<RemoteValue>& args,
                                  const Progress& progress) {
    try {
        return dispatch(method, args, progress);
    } catch (const EDBEngineError& e) {
        // The write that waited its lock out was rolled back as its transaction unwound.
        if (DatabaseBusy::is(e))
            throw ServerFailure(DatabaseBusy::text());
        throw;
    }
}

RemoteValue TrdmApuracaoZel::dispatch(const QString& method, QList<RemoteValue>& args,
                                      const Progress& progress) {
    const auto& shapes = methodShapes();
    const auto shape = shapes.find(method);
    if (shape == shapes.end())
        throw ServerFailure(QStringLiteral("Método desconhecido: ") + method);
    checkCall(method, shape.value(), args);

    using Handler = RemoteValue (TrdmApuracaoZel::*)(Args&);
    static const QHash<QString, Handler> handlers = {
        {QStringLiteral("GetNotaFiscal"), &TrdmApuracaoZel::getNotaFiscal},
        {QStringLiteral("GetCtrlApurTaxa"), &TrdmApuracaoZel::getCtrlApurTaxa},
        {QStringLiteral("GetNotasApuradas"), &TrdmApuracaoZel::getNotasApuradas},
        {QStringLiteral("GetPerFecham"), &TrdmApuracaoZel::getPerFecham},
        {QStringLiteral("GetDiretorios"), &TrdmApuracaoZel::getDiretorios},
        {QStringLiteral("GetFormemIsNF"), &TrdmApuracaoZel::getFormemIsNF},
        {QStringLiteral("GetVooTrecho"), &TrdmApuracaoZel::getVooTrecho},
        {QStringLiteral("GetLocalFatu"), &TrdmApuracaoZel::getLocalFatu},
        {QStringLiteral("GetCtrlApurFat"), &TrdmApuracaoZel::getCtrlApurFat},
        {QStringLiteral("GetUltimoNrPedido"), &TrdmApuracaoZel::getUltimoNrPedido},
        {QStringLiteral("GetApuracoes"), &TrdmApuracaoZel::getApuracoes},
        {QStringLiteral("CancelaApuracao"), &TrdmApuracaoZel::cancelaApuracao},
    };
    if (method == QLatin1String(protocol::CalculaApuracaoArgs::kMethod))
        return calculaApuracao(args, stopAware(progress));
    if (method == QLatin1String("CalcApuracTaxa"))
        return calcApuracTaxa(args, stopAware(progress));
    return (this->*handlers.value(method))(args);
}

TrdmApuracaoZel::Progress TrdmApuracaoZel::stopAware(const Progress& progress) const {
    if (!m_options.stopping)
        return progress;
    return
        [stopping = m_options.stopping, progress](qint64 done, qint64 total, const QString& text) {
            if (*stopping)
                throw Exception(QStringLiteral("servidor encerrado antes do fim do cálculo"));
            if (progress)
                progress(done, total, text);
        };
}

// Dozens of computations at once on a machine of a few processors all run slowly together,
// and every short call of every other desktop waits behind them for a processor; a few at a
// time finish sooner each, and the short calls stay quick. A wait short enough not to be
// seen is not reported.
TurnQueue::Turn TrdmApuracaoZel::awaitTurn(const Progress& progress) const {
    constexpr int kReportMs = 250;
    if (!m_options.computations)
        return {};
    return TurnQueue::wait(
        m_options.computations,
        [&](int ahead) {
            // Nothing was registered yet: the client may simply try again.
            if (m_options.stopping && *m_options.stopping)
                throw ServerFailure(QStringLiteral("Servidor encerrando: a apuração não foi "
                                                   "iniciada; tente novamente."));
            if (progress)
                progress(0, 0,
                         ahead == 1 ? QStringLiteral("Aguardando a vez: 1 apuração à frente "
                                                     "neste servidor.")
                                    : QStringLiteral("Aguardando a vez: %1 apurações à frente "
                                                     "neste servidor.")
                                          .arg(ahead));
        },
        kReportMs);
}

QDateTime TrdmApuracaoZel::leaseLimit() const {
    return QDateTime::currentDateTime().addSecs(-m_options.leaseSeconds);
}

RemoteValue TrdmApuracaoZel::getDiretorios(Args& args) {
    ServerSql sql(m_db);
    QSqlQuery query = sql.exec(
        QStringLiteral("SELECT CDPROGRAMA, DSDIRETORIO FROM DIRETORIOS WHERE CDPROGRAMA = :key"),
        {{"key", args[0].toString()}});
    TDataPacket packet;
    packet.fields = {field("CDPROGRAMA", TFieldType::ftString, 8),
                     field("DSDIRETORIO", TFieldType::ftString, 100)};
    while (query.next())
        packet.rows.push_back({text(query.value(0)), query.value(1).isNull()
                                                         ? QVariant()
                                                         : QVariant(query.value(1).toString())});
    return packet;
}

RemoteValue TrdmApuracaoZel::getFormemIsNF(Args& args) {
    ServerSql sql(m_db);
    QSqlQuery query = sql.exec(
        QStringLiteral("SELECT C.CDCIA, C.CDTIPEMNF, F.IDTIPEMNF "
                       "FROM CIAFILI C LEFT JOIN FORMEMISNF F ON F.CDTIPEMNF = C.CDTIPEMNF "
                       "WHERE C.CDFILIAL = :filial AND C.CDCIA = :cdcia"),
        {{"filial", args[0].toString()}, {"cdcia", args[1].toString()}});
    TDataPacket packet;
    packet.fields = {field("CDCIA", TFieldType::ftString, 4),
                     field("CDTIPEMNF", TFieldType::ftString, 4),
                     field("IDTIPEMNF", TFieldType::ftString, 2)};
    while (query.next())
        packet.rows.push_back({text(query.value(0)), text(query.value(1)), text(query.value(2))});
    return packet;
}

RemoteValue TrdmApuracaoZel::getUltimoNrPedido(Args& args) {
    ServerSql sql(m_db);
    const qint64 last = Numerador(sql).lastPedido(args[0].toString(), args[1].toString());
    return QList<RemoteValue>{RemoteValue(QString::number(last + 1))};
}

RemoteValue TrdmApuracaoZel::getVooTrecho(Args& args) {
    const QString tipo = args[2].toString();
    const QDate start = args[3].toDate();
    const QDate end = args[4].toDate();
    const bool counts = start.isValid() && end.isValid();
    const QString pending =
        counts ? QStringLiteral("(SELECT COUNT(*) FROM DELIVERY D WHERE D.CDFILIAL = V.CDFILIAL "
                                "AND D.CDCIA = V.CDCIA AND D.NRVOO = V.NRVOO "
                                "AND D.SGBASEORI = V.SGBASEORI AND D.SGBASEDES = V.SGBASEDES "
                                "AND D.DTDELIVERY >= :start AND D.DTDELIVERY <= :end "
                                "AND D.NRAPURACFAT IS NULL)")
               : QStringLiteral("0");
    const QString sqlText =
        QStringLiteral("SELECT V.NRVOO, V.SGBASEORI, V.SGBASEDES, V.IDTIPVOO, %1 "
                       "FROM VOOTRECHO V WHERE V.CDFILIAL = :filial AND V.CDCIA = :cdcia "
                       "AND (V.IDTIPVOO = :tipo OR :todos = 'T') "
                       "ORDER BY V.NRVOO, V.SGBASEORI, V.SGBASEDES")
            .arg(pending);
    ServerSql sql(m_db);
    const QString todos = tipo.isEmpty() ? QStringLiteral("T") : QStringLiteral("N");
    QSqlQuery query = counts ? sql.exec(sqlText, {{"filial", args[0].toString()},
                                                  {"cdcia", args[1].toString()},
                                                  {"tipo", tipo},
                                                  {"todos", todos},
                                                  {"start", ServerSql::bindDate(start)},
                                                  {"end", ServerSql::bindDate(end)}})
                             : sql.exec(sqlText, {{"filial", args[0].toString()},
                                                  {"cdcia", args[1].toString()},
                                                  {"tipo", tipo},
                                                  {"todos", todos}});
    TDataPacket packet;
    packet.fields = {field("IDMARCVOO", TFieldType::ftString, 1, QStringLiteral("3")),
                     field("NRVOO", TFieldType::ftString, 5, QStringLiteral("Vôo")),
                     field("SGBASEORI", TFieldType::ftString, 5, QStringLiteral("Base Origem")),
                     field("SGBASEDES", TFieldType::ftString, 5, QStringLiteral("Base Destino")),
                     field("IDTIPVOO", TFieldType::ftString, 1, QStringLiteral("Tipo do Vôo")),
                     field("QTDE_SERVICO", TFieldType::ftFloat)};
    while (query.next())
        packet.rows.push_back({QStringLiteral("N"), text(query.value(0)), text(query.value(1)),
                               text(query.value(2)), text(query.value(3)),
                               double(query.value(4).toLongLong())});
    return packet;
}

RemoteValue TrdmApuracaoZel::getLocalFatu(Args& args) {
    ServerSql sql(m_db);
    QSqlQuery query = sql.exec(QStringLiteral("SELECT CDLOCAFATCIA, NMLOCAFATCIA FROM LOCALFATCIA "
                                              "WHERE CDFILIAL = :filial AND CDCIA = :cdcia "
                                              "ORDER BY CDLOCAFATCIA"),
                               {{"filial", args[0].toString()}, {"cdcia", args[1].toString()}});
    TDataPacket packet;
    packet.fields = {field("IDMARCADO", TFieldType::ftFixedChar, 1),
                     field("CDLOCAFATCIA", TFieldType::ftString, 20, QStringLiteral("Código")),
                     field("NMLOCAFATCIA", TFieldType::ftString, 30, QStringLiteral("Nome"))};
    while (query.next())
        packet.rows.push_back({QStringLiteral("N"), text(query.value(0)), text(query.value(1))});
    return packet;
}

RemoteValue TrdmApuracaoZel::getPerFecham(Args& args) {
    bool numeric = false;
    int day = args[2].toString().trimmed().toInt(&numeric);
    if (!numeric)
        day = 0;
    ServerSql sql(m_db);
    QSqlQuery query =
        sql.exec(QStringLiteral(
                     "SELECT DIFECHCIA FROM PERFECHAM WHERE CDFILIAL = :filial AND CDCIA = :cdcia"),
                 {{"filial", args[0].toString()}, {"cdcia", args[1].toString()}});
    // Closing days are texts: "5" and "05" are the same day, so compare them as numbers.
    int next = 0;
    while (query.next()) {
        bool ok = false;
        const int closing = query.value(0).toString().trimmed().toInt(&ok);
        if (ok && closing > day && (next == 0 || closing < next))
            next = closing;
    }
    TDataPacket packet;
    packet.fields = {field("MIN(DIFECHCIA)", TFieldType::ftString, 2)};
    packet.rows.push_back(
        {next == 0 ? QString() : QStringLiteral("%1").arg(next, 2, 10, QLatin1Char('0'))});
    return packet;
}

RemoteValue TrdmApuracaoZel::getCtrlApurFat(Args& args) {
    ServerSql sql(m_db);
    QSqlQuery query = sql.exec(
        QStringLiteral("SELECT NRAPURACFAT, IDSTATUS FROM CTRLAPURFAT "
                       "WHERE CDCLIENTE = :cliente AND IDTIPAPUR = 'F' AND (IDSTATUS = 'E' OR "
                       "(IDSTATUS = 'P' AND DTHRINICIO <= :limit)) "
                       "ORDER BY DTHRINICIO DESC, NRAPURACFAT DESC"),
        {{"cliente", args[0].toString()}, {"limit", ServerSql::bindDateTime(leaseLimit())}});
    TDataPacket packet;
    packet.fields = {field("NRAPURACFAT", TFieldType::ftString, 10),
                     field("IDSTATUS", TFieldType::ftString, 1)};
    while (query.next())
        packet.rows.push_back({text(query.value(0)), text(query.value(1))});
    return packet;
}

RemoteValue TrdmApuracaoZel::getNotaFiscal(Args& args) {
    const QString key = args[1].toString();
    static const QRegularExpression number(QStringLiteral("^[0-9]{10}$"));
    QString nr;
    QString trabalho;
    if (key.isEmpty()) {
        nr = m_lastComputation;
    } else if (number.match(key).hasMatch()) {
        nr = key;
        trabalho = args[0].toString();
    } else {
        throw ServerFailure(QStringLiteral("Nenhuma apuração encontrada para: ") + key);
    }
    TDataPacket packet;
    packet.fields = {
        field("NRLANCTONF", TFieldType::ftString, 10, QStringLiteral("Nº do Lançamento")),
        field("VRNOTAFISC", TFieldType::ftFloat, 0, QStringLiteral("Valor Nota Fiscal")),
        field("VRTTMOEDESTR", TFieldType::ftFloat, 0, QStringLiteral("Valor Moeda Estrangeira")),
        field("VRTOTAAPUR", TFieldType::ftFloat), field("VRTOTAAPURESTR", TFieldType::ftFloat)};
    if (nr.isEmpty())
        return packet;
    ServerSql sql(m_db);
    // The session's own computation is its own whichever branch asks.
    QSqlQuery query = sql.exec(
        QStringLiteral("SELECT N.NRLANCTONF, N.VRNOTAFISC, N.VRTTMOEDESTR FROM NOTAFISCAL N "
                       "JOIN CTRLAPURFAT C ON C.NRAPURACFAT = N.NRAPURACFAT "
                       "WHERE N.NRAPURACFAT = :nr AND (C.CDFILIALTRAB = :trab OR :own = 'S') "
                       "ORDER BY N.NRLANCTONF"),
        {{"nr", nr},
         {"trab", trabalho},
         {"own", trabalho.isEmpty() ? QStringLiteral("S") : QStringLiteral("N")}});
    struct Invoice {
        QString number;
        qint64 value;
        qint64 foreign;
    };
    QList<Invoice> invoices;
    qint64 total = 0;
    qint64 totalForeign = 0;
    while (query.next()) {
        invoices.append(
            {text(query.value(0)), query.value(1).toLongLong(), query.value(2).toLongLong()});
        total += invoices.last().value;
        totalForeign += invoices.last().foreign;
    }
    for (const Invoice& invoice : invoices)
        packet.rows.push_back({invoice.number, money(invoice.value), money(invoice.foreign),
                               money(total), money(totalForeign)});
    return packet;
}

RemoteValue TrdmApuracaoZel::getCtrlApurTaxa(Args& args) {
    const bool one = args[3].toString() == QLatin1String("N");
    ServerSql sql(m_db);
    QSqlQuery query = sql.exec(
        QStringLiteral("SELECT NRAPURACFAT, CDFILIAL, DTINIAPURAC, DTFIMAPURAC FROM CTRLAPURFAT "
                       "WHERE IDTIPAPUR = 'F' AND IDSTATUS = 'F' AND CDFILIAL = :filial "
                       "AND CDCLIENTE = :cliente AND (NRAPURACFAT = :nr OR :todos = 'T') "
                       "ORDER BY DTHRINICIO DESC, NRAPURACFAT DESC"),
        {{"filial", args[0].toString()},
         {"cliente", args[1].toString()},
         {"nr", args[2].toString()},
         {"todos", one ? QStringLiteral("N") : QStringLiteral("T")}});
    TDataPacket packet;
    packet.fields = {
        field("NRAPURACFAT", TFieldType::ftString, 10, QStringLiteral("Nº Apuração")),
        field("CDFILIAL", TFieldType::ftString, 4, QStringLiteral("Filial")),
        field("DTINIAPURAC", TFieldType::ftDateTime, 0, QStringLiteral("Data Inicial")),
        field("DTFIMAPURAC", TFieldType::ftDateTime, 0, QStringLiteral("Data Final"))};
    while (query.next())
        packet.rows.push_back({text(query.value(0)), text(query.value(1)),
                               dateTimeField(query.value(2)), dateTimeField(query.value(3))});
    return packet;
}

RemoteValue TrdmApuracaoZel::getNotasApuradas(Args& args) {
    const bool one = args[4].toString() == QLatin1String("N");
    // A missing bound leaves that side of the period open.
    const QDate start = one ? QDate() : args[1].toDate();
    const QDate end = one ? QDate() : args[2].toDate();
    ServerSql sql(m_db);
    QSqlQuery query = sql.exec(
        QStringLiteral(
            "SELECT N.CDFILIAL, N.NRLANCTONF, N.VRNOTAFISC, N.DTENTRSAID FROM NOTAFISCAL N "
            "JOIN CTRLAPURFAT C ON C.NRAPURACFAT = N.NRAPURACFAT "
            "WHERE C.IDTIPAPUR = 'F' AND C.IDSTATUS = 'F' AND C.CDCLIENTE = :cliente "
            "AND N.NRLANCTONFORIG IS NULL "
            "AND NOT EXISTS (SELECT 1 FROM NOTAFISCAL T WHERE T.NRLANCTONFORIG = N.NRLANCTONF) "
            "AND (N.NRAPURACFAT = :nr OR :todos = 'T') "
            "AND (N.DTENTRSAID >= :start OR :nostart = 'S') "
            "AND (N.DTENTRSAID <= :end OR :noend = 'S') "
            "ORDER BY N.NRLANCTONF"),
        {{"cliente", args[0].toString()},
         {"nr", args[3].toString()},
         {"todos", one ? QStringLiteral("N") : QStringLiteral("T")},
         {"start", ServerSql::bindDate(start.isValid() ? start : QDate(1, 1, 1))},
         {"nostart", start.isValid() ? QStringLiteral("N") : QStringLiteral("S")},
         {"end", ServerSql::bindDate(end.isValid() ? end : QDate(9999, 12, 31))},
         {"noend", end.isValid() ? QStringLiteral("N") : QStringLiteral("S")}});
    TDataPacket packet;
    packet.fields = {
        field("IDCHECK", TFieldType::ftFixedChar, 1), field("CDFILIAL", TFieldType::ftString, 4),
        field("NRLANCTONF", TFieldType::ftString, 10, QStringLiteral("No. Lançamento")),
        field("VRNOTAFISC", TFieldType::ftFloat, 0, QStringLiteral("Total da Nota")),
        field("DTENTRSAID", TFieldType::ftDateTime, 0, QStringLiteral("Data Saída"))};
    while (query.next())
        packet.rows.push_back({QStringLiteral("N"), text(query.value(0)), text(query.value(1)),
                               money(query.value(2).toLongLong()), dateTimeField(query.value(3))});
    return packet;
}

RemoteValue TrdmApuracaoZel::getApuracoes(Args& args) {
    const ServerFailure invalid(QStringLiteral("Chamada inválida: GetApuracoes"));
    QDate start;
    QDate end;
    if (!optionalDate(args[2], &start) || !optionalDate(args[3], &end))
        throw invalid;
    const QString cdcia = args[1].toString();
    const QString status = args[4].toString();
    const QString kind = args[5].toString();
    // "P" and "I" are both stored as "P"; the lease tells them apart.
    static const QHash<QString, QString> byStatus = {
        {QString(), QStringLiteral("1 = 1")},
        {QStringLiteral("P"), QStringLiteral("C.IDSTATUS = 'P' AND C.DTHRINICIO > :limit")},
        {QStringLiteral("I"), QStringLiteral("C.IDSTATUS = 'P' AND C.DTHRINICIO <= :limit")},
        {QStringLiteral("E"), QStringLiteral("C.IDSTATUS = 'E'")},
        {QStringLiteral("F"), QStringLiteral("C.IDSTATUS = 'F'")},
        {QStringLiteral("C"), QStringLiteral("C.IDSTATUS = 'C'")},
    };
    const auto statusCondition = byStatus.find(status);
    if (statusCondition == byStatus.end() ||
        !(kind.isEmpty() || kind == QLatin1String("F") || kind == QLatin1String("T")))
        throw invalid;
    const QDateTime limit = leaseLimit();
    QList<std::pair<QString, QVariant>> binds = {
        {QStringLiteral("filial"), args[0].toString()},
        {QStringLiteral("cdcia"), cdcia},
        {QStringLiteral("todas"), cdcia.isEmpty() ? QStringLiteral("S") : QStringLiteral("N")},
        {QStringLiteral("start"), ServerSql::bindDate(start.isValid() ? start : QDate(1, 1, 1))},
        {QStringLiteral("nostart"), start.isValid() ? QStringLiteral("N") : QStringLiteral("S")},
        {QStringLiteral("end"), ServerSql::bindDate(end.isValid() ? end : QDate(9999, 12, 31))},
        {QStringLiteral("noend"), end.isValid() ? QStringLiteral("N") : QStringLiteral("S")},
        {QStringLiteral("kind"), kind},
        {QStringLiteral("bothkinds"), kind.isEmpty() ? QStringLiteral("S") : QStringLiteral("N")},
    };
    if (status == QLatin1String("P") || status == QLatin1String("I"))
        binds.append({QStringLiteral("limit"), ServerSql::bindDateTime(limit)});
    // The invoice totals per row through the invoice index: at most a thousand rows, so
    // the invoices of every other computation are never read.
    const QString sqlText =
        QStringLiteral(
            "SELECT C.NRAPURACFAT, C.IDTIPAPUR, C.CDCIA, P.SGCIA, C.DTINIAPURAC, C.DTFIMAPURAC, "
            "C.DTFATURA, C.IDSTATUS, C.DTHRINICIO, C.CDUSUARIO, "
            "(SELECT COUNT(*) FROM NOTAFISCAL N WHERE N.NRAPURACFAT = C.NRAPURACFAT), "
            "(SELECT SUM(N.VRNOTAFISC) FROM NOTAFISCAL N WHERE N.NRAPURACFAT = C.NRAPURACFAT), "
            "(SELECT SUM(N.VRTTMOEDESTR) FROM NOTAFISCAL N WHERE N.NRAPURACFAT = C.NRAPURACFAT), "
            "C.DSERRO, C.DTHRCANCEL, C.CDUSUCANC, P.NMCIA, C.CDFILIALTRAB "
            "FROM CTRLAPURFAT C LEFT JOIN COMPANHIA P ON P.CDCIA = C.CDCIA "
            "WHERE C.CDFILIAL = :filial AND (C.CDCIA = :cdcia OR :todas = 'S') "
            "AND (C.DTFIMAPURAC >= :start OR C.DTFIMAPURAC IS NULL OR :nostart = 'S') "
            "AND (C.DTINIAPURAC <= :end OR C.DTINIAPURAC IS NULL OR :noend = 'S') "
            "AND (C.IDTIPAPUR = :kind OR :bothkinds = 'S') AND %1 "
            "ORDER BY C.DTHRINICIO DESC, C.NRAPURACFAT DESC LIMIT %2")
            .arg(statusCondition.value())
            .arg(kMaxComputationRows);
    ServerSql sql(m_db);
    QSqlQuery query = sql.exec(sqlText, binds);
    TDataPacket packet;
    packet.fields = {
        field("NRAPURACFAT", TFieldType::ftString, 10, QStringLiteral("Nº Apuração")),
        field("IDTIPAPUR", TFieldType::ftString, 1, QStringLiteral("Tipo")),
        field("CDCIA", TFieldType::ftString, 4, QStringLiteral("Companhia")),
        field("SGCIA", TFieldType::ftString, 5, QStringLiteral("Sigla")),
        field("DTINIAPURAC", TFieldType::ftDateTime, 0, QStringLiteral("Data Inicial")),
        field("DTFIMAPURAC", TFieldType::ftDateTime, 0, QStringLiteral("Data Final")),
        field("DTFATURA", TFieldType::ftDateTime, 0, QStringLiteral("Data Faturamento")),
        field("IDSTATUS", TFieldType::ftString, 1, QStringLiteral("Situação")),
        field("DTHRINICIO", TFieldType::ftDateTime, 0, QStringLiteral("Iniciada em")),
        field("CDUSUARIO", TFieldType::ftString, 30, QStringLiteral("Usuário")),
        field("QTNOTAS", TFieldType::ftInteger, 0, QStringLiteral("Notas Fiscais")),
        field("VRTOTAL", TFieldType::ftFloat, 0, QStringLiteral("Total")),
        field("VRTOTALESTR", TFieldType::ftFloat, 0, QStringLiteral("Total Moeda Estrangeira")),
        field("DSERRO", TFieldType::ftString, 500, QStringLiteral("Erro")),
        field("DTHRCANCEL", TFieldType::ftDateTime, 0, QStringLiteral("Cancelada em")),
        field("CDUSUCANC", TFieldType::ftString, 30, QStringLiteral("Cancelada por")),
        // Beyond the contract's fields: what the desktop needs to open the invoices.
        field("NMCIA", TFieldType::ftString, 50, QStringLiteral("Nome")),
        field("CDFILIALTRAB", TFieldType::ftString, 4, QStringLiteral("Filial de Trabalho"))};
    while (query.next()) {
        QString shownStatus = text(query.value(7));
        const QDateTime started = ServerSql::toDateTime(query.value(8));
        if (shownStatus == QLatin1String("P") && started <= limit)
            shownStatus = QStringLiteral("I");
        packet.rows.push_back(
            {text(query.value(0)), text(query.value(1)), text(query.value(2)), text(query.value(3)),
             dateTimeField(query.value(4)), dateTimeField(query.value(5)),
             dateTimeField(query.value(6)), shownStatus, dateTimeOrNull(query.value(8)),
             text(query.value(9)), query.value(10).toLongLong(),
             money(query.value(11).toLongLong()), money(query.value(12).toLongLong()),
             query.value(13).isNull() ? QVariant() : QVariant(text(query.value(13))),
             dateTimeOrNull(query.value(14)),
             query.value(15).isNull() ? QVariant() : QVariant(text(query.value(15))),
             text(query.value(16)), text(query.value(17))});
    }
    return packet;
}

RemoteValue TrdmApuracaoZel::cancelaApuracao(Args& args) {
    return ComputationCancel(m_db, m_options.leaseSeconds, m_user).cancel(args[0].toString());
}
