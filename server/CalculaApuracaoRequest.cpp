#include "server/CalculaApuracaoRequest.h"

#include "protocol/CalculaApuracaoArgs.h"

using protocol::RemoteValue;
namespace Args = protocol::CalculaApuracaoArgs;

ServerFailure CalculaApuracaoRequest::invalidCall() {
    return ServerFailure(QStringLiteral("Chamada inválida: ") + QLatin1String(Args::kMethod));
}

CalculaApuracaoRequest CalculaApuracaoRequest::decode(const QList<RemoteValue>& args) {
    if (args.size() != Args::kCount)
        throw invalidCall();
    for (int i = 0; i < Args::kCount; ++i) {
        if (!protocol::fitsArgKind(Args::kKinds[i], args[i]))
            throw invalidCall();
    }
    const auto text = [&](Args::Position at) { return args[at].toString(); };
    CalculaApuracaoRequest r;
    r.filialTrabalho = text(Args::WorkingBranch);
    r.filial = text(Args::BranchCode);
    r.cliente = text(Args::CustomerCode);
    r.start = args[Args::DeliveryPeriodStart].toDate();
    r.end = args[Args::DeliveryPeriodEnd].toDate();
    r.billing = args[Args::BillingDate].toDate();
    r.cdcia = text(Args::CompanyKey);
    r.flights = text(Args::FlightList);
    r.allFlights = text(Args::AllFlightsFlag) == QLatin1String("T");
    r.serie = text(Args::InvoiceSeries);
    r.carrierKind = text(Args::CarrierKind);
    r.carrierNumber = text(Args::CarrierNumber);
    r.grupo = text(Args::ProductGroup).trimmed();
    r.locations = text(Args::LocationList);
    r.pedido = text(Args::OrderNumber).trimmed();
    if (!r.start.isValid() || !r.end.isValid() || !r.billing.isValid())
        throw invalidCall();
    std::optional<CarrierUpserts> carriers =
        CarrierUpserts::decode(args[Args::CarrierChangePacket]);
    if (!carriers)
        throw invalidCall();
    r.carriers = std::move(*carriers);
    return r;
}
