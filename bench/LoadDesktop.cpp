#include "bench/LoadDesktop.h"

#include "core/Exception.h"
#include "external/appserver/TNetConnection.h"
#include "platform/TClientDataSet.h"
#include "platform/TField.h"
#include "protocol/CalculaApuracaoArgs.h"

#include <QElapsedTimer>
#include <QThread>

namespace {

const QString kServerName = QStringLiteral("Zel00100.rdmApuracaoZel");

// The time ran out between two calls of a cycle: not a failure.
struct Stopped {};

// What a call answered, timed; raises what the call raised.
template <typename Call>
protocol::RemoteValue timed(LatencyStats& stats, Call call) {
    QElapsedTimer timer;
    timer.start();
    protocol::RemoteValue answer = call();
    stats.add(double(timer.nsecsElapsed()) / 1e6);
    return answer;
}

void load(TClientDataSet& target, protocol::RemoteValue answer, const QString& method) {
    if (answer.type() != protocol::RemoteValue::Type::DataPacket)
        throw Exception(QStringLiteral("Resposta inesperada do servidor em %1.").arg(method));
    target.setData(answer.takeDataPacket());
}

} // namespace

LoadDesktop::LoadDesktop(int number, LoadCompany company, quint16 port, int thinkMs)
    : m_number(number)
    , m_company(std::move(company))
    , m_port(port)
    , m_thinkMs(thinkMs) {}

void LoadDesktop::run(const std::atomic<bool>& stop) {
    TNetConnection net;
    net.setServerName(kServerName);
    net.setHost(QStringLiteral("127.0.0.1"));
    net.setPort(m_port);
    net.setThrowException(true);
    net.setUser(QStringLiteral("mesa%1").arg(m_number));
    while (!stop) {
        try {
            cycle(net, stop);
        } catch (const Stopped&) {
            return;
        } catch (const std::exception& e) {
            fail(QString::fromUtf8(e.what()));
            think();
        }
        ++m_cyclesEnded;
    }
}

// The billing screen from the company's exit to the invoices of its computation, the way
// TfrmApuracao sends it: company, order number, the period's legs (all of them checked),
// closing day, pending computations, the computation with the carrier kept, the viewer.
void LoadDesktop::cycle(TNetConnection& net, const std::atomic<bool>& stop) {
    const LoadCompany& c = m_company;
    const QDate start = c.firstDay.addDays(m_period);
    const QDate end = start;
    const QDate lastClosing = start.addDays(-1);
    TClientDataSet diretorios, formemIsNF, vooTrecho, perFecham, ctrlApurFat, notaFiscal;

    // A cycle stops between two calls when the time is up, but never between a computation
    // and the viewer of its invoices.
    bool computed = false;
    const auto small = [&](const QString& method, QList<TRemoteArg> args) {
        if (stop && !computed)
            throw Stopped{};
        const protocol::RemoteValue answer =
            timed(m_small, [&] { return net.AppServer().call(method, args); });
        think();
        return answer;
    };
    if (!net.connected())
        net.connect();

    load(diretorios, small(QStringLiteral("GetDiretorios"), {TRemoteArg::S("ZEL" + c.sgcia)}),
         QStringLiteral("GetDiretorios"));
    load(formemIsNF,
         small(QStringLiteral("GetFormemIsNF"), {TRemoteArg::S(c.filial), TRemoteArg::S(c.cdcia)}),
         QStringLiteral("GetFormemIsNF"));
    const protocol::RemoteValue pedidoAnswer = small(
        QStringLiteral("GetUltimoNrPedido"), {TRemoteArg::S(c.filial), TRemoteArg::S(c.cdcia)});
    const QList<protocol::RemoteValue>& items = pedidoAnswer.toArray();
    const QString pedido = items.isEmpty() ? pedidoAnswer.toString() : items.first().toString();

    QString flightType; // every kind of flight
    load(vooTrecho,
         small(QStringLiteral("GetVooTrecho"),
               {TRemoteArg::S(c.filial), TRemoteArg::S(c.cdcia), TRemoteArg::R(&flightType),
                TRemoteArg::D(start), TRemoteArg::D(end)}),
         QStringLiteral("GetVooTrecho"));
    load(perFecham,
         small(QStringLiteral("GetPerFecham"),
               {TRemoteArg::S(c.filial), TRemoteArg::S(c.cdcia),
                TRemoteArg::S(lastClosing.toString(QStringLiteral("dd")))}),
         QStringLiteral("GetPerFecham"));
    load(ctrlApurFat, small(QStringLiteral("GetCtrlApurFat"), {TRemoteArg::S(c.cliente)}),
         QStringLiteral("GetCtrlApurFat"));
    if (!ctrlApurFat.isEmpty())
        throw Exception(
            QStringLiteral("apuração %1 pendente para %2")
                .arg(ctrlApurFat.fieldByName(QStringLiteral("NRAPURACFAT")).asString(), c.sgcia));

    // The user checks every leg with something to bill (checkAllVoos). With none the screen
    // refuses to go on (Voo_Inf): the seed has run out for this desktop.
    QString stVooTrecho;
    for (vooTrecho.first(); !vooTrecho.eof(); vooTrecho.next()) {
        if (vooTrecho.fieldByName(QStringLiteral("QTDE_SERVICO")).asFloat() > 0)
            stVooTrecho += u'_' + vooTrecho.fieldByName(QStringLiteral("NRVOO")).asString();
    }
    ++m_period;
    if (stVooTrecho.isEmpty()) {
        ++m_emptyPeriods;
        return;
    }
    const QString carrier = diretorios.isEmpty()
                                ? QString()
                                : diretorios.fieldByName(QStringLiteral("DSDIRETORIO")).asString();
    const QChar carrierKind = carrier.isEmpty() ? QChar(u'J') : carrier.at(0);
    const QString carrierNumber = carrier.mid(1, 21);
    diretorios.edit();
    diretorios.fieldByName(QStringLiteral("CDPROGRAMA")).setAsString("ZEL" + c.sgcia);
    diretorios.fieldByName(QStringLiteral("DSDIRETORIO"))
        .setAsString(QString(carrierKind) + carrierNumber);
    diretorios.post();
    protocol::RemoteValue changes;
    if (diretorios.changeCount() > 0)
        changes = protocol::RemoteValue(diretorios.delta());

    if (stop)
        throw Stopped{};
    QString branch = c.filial;
    QString flights = stVooTrecho;
    QString allFlights = QStringLiteral("N");
    QString group;
    QString locations;
    namespace Args = protocol::CalculaApuracaoArgs;
    QList<TRemoteArg> args = Args::inOrder<TRemoteArg>({
        {Args::WorkingBranch, TRemoteArg::R(&branch)},
        {Args::BranchCode, TRemoteArg::S(c.filial)},
        {Args::CustomerCode, TRemoteArg::S(c.cliente)},
        {Args::DeliveryPeriodStart, TRemoteArg::D(start)},
        {Args::DeliveryPeriodEnd, TRemoteArg::D(end)},
        {Args::BillingDate, TRemoteArg::D(end)},
        {Args::CompanyKey, TRemoteArg::S(c.cdcia)},
        {Args::FlightList, TRemoteArg::R(&flights)},
        {Args::AllFlightsFlag, TRemoteArg::R(&allFlights)},
        {Args::InvoiceSeries, TRemoteArg::S(c.serie)},
        {Args::CarrierKind, TRemoteArg::S(QString(carrierKind))},
        {Args::CarrierNumber, TRemoteArg::S(carrierNumber)},
        {Args::ProductGroup, TRemoteArg::R(&group)},
        {Args::CarrierChangePacket, TRemoteArg::V(&changes)},
        {Args::LocationList, TRemoteArg::R(&locations)},
        {Args::ClosedFlightList, TRemoteArg::S(stVooTrecho + u'_')},
        {Args::OrderNumber, TRemoteArg::S(pedido)},
    });
    timed(m_computations, [&] { return net.AppServer().call(QLatin1String(Args::kMethod), args); });
    computed = true;
    think();

    QString viewerBranch = c.filial;
    QString viewerKey; // the computation this connection made last
    load(notaFiscal,
         small(QStringLiteral("GetNotaFiscal"),
               {TRemoteArg::R(&viewerBranch), TRemoteArg::R(&viewerKey)}),
         QStringLiteral("GetNotaFiscal"));
    if (notaFiscal.isEmpty()) {
        throw Exception(QStringLiteral("a apuração de %1 em %2 não gerou notas fiscais")
                            .arg(c.sgcia, start.toString(QStringLiteral("dd/MM/yyyy"))));
    }
    m_invoices += notaFiscal.recordCount();
}

void LoadDesktop::fail(const QString& text) {
    ++m_errors;
    if (m_errorTexts.size() < kMaxErrorTexts && !m_errorTexts.contains(text))
        m_errorTexts.append(text);
}

void LoadDesktop::think() const {
    if (m_thinkMs > 0)
        QThread::msleep(ulong(m_thinkMs));
}
