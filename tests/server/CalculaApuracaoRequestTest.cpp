// The arguments of CalculaApuracao decoded once: what a screen sends, and what no screen
// sends, refused with the one text the screens expect.
#include "server/CalculaApuracaoRequest.h"
#include "protocol/CalculaApuracaoArgs.h"

#include <gtest/gtest.h>

using protocol::RemoteValue;
namespace Args = protocol::CalculaApuracaoArgs;

namespace {

const QString kInvalid = QStringLiteral("Chamada inválida: CalculaApuracao");

QList<RemoteValue> request() {
    return Args::inOrder<RemoteValue>({
        {Args::WorkingBranch, "0002"},
        {Args::BranchCode, "0001"},
        {Args::CustomerCode, "CLI000000001"},
        {Args::DeliveryPeriodStart, QDate(2024, 2, 1)},
        {Args::DeliveryPeriodEnd, QDate(2024, 2, 29)},
        {Args::BillingDate, QDate(2024, 3, 5)},
        {Args::CompanyKey, "0003"},
        {Args::FlightList, "_2020_1010"},
        {Args::AllFlightsFlag, "N"},
        {Args::InvoiceSeries, "1"},
        {Args::CarrierKind, "J"},
        {Args::CarrierNumber, "11222333000181"},
        {Args::ProductGroup, " TAXAAERO "},
        {Args::CarrierChangePacket, RemoteValue()},
        {Args::LocationList, "_GRU-TECA"},
        {Args::ClosedFlightList, "_2020_1010_"},
        {Args::OrderNumber, " 77 "},
    });
}

// The refusal text of decoding `args`, empty when they decode.
QString refusal(const QList<RemoteValue>& args) {
    try {
        CalculaApuracaoRequest::decode(args);
    } catch (const ServerFailure& failure) {
        return failure.text();
    }
    return {};
}

TChangePacket carrierPacket(QList<TChangePacket::Change> changes) {
    TChangePacket packet;
    TFieldDef key;
    key.name = "CDPROGRAMA";
    TFieldDef value;
    value.name = "DSDIRETORIO";
    packet.fields = {key, value};
    packet.changes = std::move(changes);
    return packet;
}

} // namespace

TEST(CalculaApuracaoRequest, DecodesEachArgumentByMeaning) {
    const CalculaApuracaoRequest r = CalculaApuracaoRequest::decode(request());
    EXPECT_EQ(r.filialTrabalho, "0002");
    EXPECT_EQ(r.filial, "0001");
    EXPECT_EQ(r.cliente, "CLI000000001");
    EXPECT_EQ(r.start, QDate(2024, 2, 1));
    EXPECT_EQ(r.end, QDate(2024, 2, 29));
    EXPECT_EQ(r.billing, QDate(2024, 3, 5));
    EXPECT_EQ(r.cdcia, "0003");
    EXPECT_EQ(r.flights, "_2020_1010");
    EXPECT_FALSE(r.allFlights);
    EXPECT_EQ(r.serie, "1");
    EXPECT_EQ(r.carrierKind, "J");
    EXPECT_EQ(r.carrierNumber, "11222333000181");
    EXPECT_EQ(r.grupo, "TAXAAERO");
    EXPECT_EQ(r.carriers.size(), 0);
    EXPECT_EQ(r.locations, "_GRU-TECA");
    EXPECT_EQ(r.pedido, "77");

    auto all = request();
    all[Args::AllFlightsFlag] = "T";
    EXPECT_TRUE(CalculaApuracaoRequest::decode(all).allFlights);
    all[Args::AllFlightsFlag] = "t"; // only "T" takes every flight
    EXPECT_FALSE(CalculaApuracaoRequest::decode(all).allFlights);
}

TEST(CalculaApuracaoRequest, RefusesAWrongNumberOfArguments) {
    auto shorter = request();
    shorter.removeLast();
    EXPECT_EQ(refusal(shorter), kInvalid);
    auto longer = request();
    longer.append("");
    EXPECT_EQ(refusal(longer), kInvalid);
    EXPECT_EQ(refusal({}), kInvalid);
}

TEST(CalculaApuracaoRequest, RefusesAnArgumentOfTheWrongKindAtAnyPosition) {
    for (int i = 0; i < Args::kCount; ++i) {
        SCOPED_TRACE(i);
        auto args = request();
        switch (Args::kKinds[i]) {
        case protocol::ArgKind::S:
        case protocol::ArgKind::R:
            args[i] = QDate(2024, 2, 1);
            EXPECT_EQ(refusal(args), kInvalid);
            args[i] = RemoteValue();
            EXPECT_EQ(refusal(args), kInvalid) << "null is no text";
            break;
        case protocol::ArgKind::D:
            args[i] = "2024-02-01";
            EXPECT_EQ(refusal(args), kInvalid);
            args[i] = RemoteValue();
            EXPECT_EQ(refusal(args), kInvalid) << "every date is needed";
            break;
        case protocol::ArgKind::V:
            args[i] = "texto";
            EXPECT_EQ(refusal(args), kInvalid) << "only null or a change packet";
            args[i] = RemoteValue(TDataPacket());
            EXPECT_EQ(refusal(args), kInvalid);
            break;
        }
    }
}

TEST(CalculaApuracaoRequest, CarrierChangesAreDecodedWithTheRequest) {
    auto args = request();
    args[Args::CarrierChangePacket] = RemoteValue(
        carrierPacket({{TChangePacket::Kind::Update, TRow{"ZELABC", "J1"}, TRow{"ZELSFN", "F2"}},
                       {TChangePacket::Kind::Delete, TRow{"ZELTRC", "O3"}, std::nullopt},
                       {TChangePacket::Kind::Insert, std::nullopt, TRow{"ZELPNT", QVariant()}}}));
    EXPECT_EQ(CalculaApuracaoRequest::decode(args).carriers.size(), 3);

    const QList<TChangePacket> refused = {
        // A deleted row without its old values, an inserted one without its new values.
        carrierPacket({{TChangePacket::Kind::Delete, std::nullopt, TRow{"ZELABC", "J1"}}}),
        carrierPacket({{TChangePacket::Kind::Insert, TRow{"ZELABC", "J1"}, std::nullopt}}),
        // Keys of DIRETORIOS are one to eight characters, values up to a hundred.
        carrierPacket({{TChangePacket::Kind::Insert, std::nullopt, TRow{"", "J1"}}}),
        carrierPacket({{TChangePacket::Kind::Insert, std::nullopt, TRow{"ZELABCDEF", "J1"}}}),
        // Rows that are not carriers: the export directory above all.
        carrierPacket({{TChangePacket::Kind::Insert, std::nullopt, TRow{"EXPDELIV", "/tmp"}}}),
        carrierPacket(
            {{TChangePacket::Kind::Update, TRow{"EXPDELIV", "/a"}, TRow{"EXPDELIV", "/b"}}}),
        carrierPacket({{TChangePacket::Kind::Delete, TRow{"EXPDELIV", "/a"}, std::nullopt}}),
        carrierPacket({{TChangePacket::Kind::Insert, std::nullopt, TRow{"ZEL", "J1"}}}),
        carrierPacket({{TChangePacket::Kind::Insert, std::nullopt, TRow{"zelabc", "J1"}}}),
        carrierPacket(
            {{TChangePacket::Kind::Insert, std::nullopt, TRow{"ZELABC", QString(101, 'x')}}}),
    };
    for (const TChangePacket& packet : refused) {
        args[Args::CarrierChangePacket] = RemoteValue(packet);
        EXPECT_EQ(refusal(args), kInvalid);
    }
    TChangePacket noKey = carrierPacket({});
    noKey.fields.removeFirst();
    args[Args::CarrierChangePacket] = RemoteValue(noKey);
    EXPECT_EQ(refusal(args), kInvalid) << "a packet of other rows than the carriers'";

    // The limits themselves pass.
    args[Args::CarrierChangePacket] = RemoteValue(carrierPacket(
        {{TChangePacket::Kind::Insert, std::nullopt, TRow{"ZELABCDE", QString(100, 'x')}}}));
    EXPECT_EQ(refusal(args), "");
}
