// The named arguments of CalculaApuracao: the wire order and kinds, and requests built by name.
#include "protocol/CalculaApuracaoArgs.h"

#include <gtest/gtest.h>

namespace Args = protocol::CalculaApuracaoArgs;
using protocol::ArgKind;

namespace {

// An argument that knows its kind, as the client's arguments do.
struct KindedArg {
    ArgKind k;
    int tag;
    ArgKind kind() const { return k; }
};

} // namespace

TEST(CalculaApuracaoArgs, KindsAreTheSeventeenOfTheWire) {
    QList<ArgKind> expected;
    ASSERT_TRUE(protocol::parseArgKinds(u"R S S D D D S R R S S S R V R S S", &expected));
    EXPECT_EQ(QList<ArgKind>(Args::kKinds.begin(), Args::kKinds.end()), expected);
    EXPECT_EQ(Args::kCount, 17);
    EXPECT_EQ(Args::OrderNumber, Args::kCount - 1);
    EXPECT_EQ(Args::kKinds[Args::CarrierChangePacket], ArgKind::V);
    EXPECT_EQ(Args::kKinds[Args::BillingDate], ArgKind::D);
    EXPECT_EQ(Args::kKinds[Args::LocationList], ArgKind::R);
}

TEST(CalculaApuracaoArgs, InOrderPutsEachArgumentAtItsPositionWhateverTheOrderWritten) {
    std::initializer_list<std::pair<Args::Position, int>> named = {
        {Args::OrderNumber, 16},         {Args::WorkingBranch, 0},
        {Args::ClosedFlightList, 15},    {Args::BranchCode, 1},
        {Args::LocationList, 14},        {Args::CustomerCode, 2},
        {Args::CarrierChangePacket, 13}, {Args::DeliveryPeriodStart, 3},
        {Args::ProductGroup, 12},        {Args::DeliveryPeriodEnd, 4},
        {Args::CarrierNumber, 11},       {Args::BillingDate, 5},
        {Args::CarrierKind, 10},         {Args::CompanyKey, 6},
        {Args::InvoiceSeries, 9},        {Args::FlightList, 7},
        {Args::AllFlightsFlag, 8}};
    const QList<int> args = Args::inOrder<int>(named);
    ASSERT_EQ(args.size(), 17);
    for (int i = 0; i < args.size(); ++i)
        EXPECT_EQ(args[i], i);
}

TEST(CalculaApuracaoArgs, InOrderRefusesAMissingARepeatedOrAMiskindedArgument) {
    QList<std::pair<Args::Position, KindedArg>> all;
    for (int i = 0; i < Args::kCount; ++i)
        all.append({Args::Position(i), KindedArg{Args::kKinds[i], i}});
    const auto build = [](const QList<std::pair<Args::Position, KindedArg>>& list) {
        return Args::inOrder<KindedArg>(list);
    };
    const QList<KindedArg> good = build(all);
    ASSERT_EQ(good.size(), 17);
    EXPECT_EQ(good[Args::CarrierChangePacket].tag, int(Args::CarrierChangePacket));

    auto missing = all;
    missing.removeAt(Args::BillingDate);
    EXPECT_THROW(build(missing), std::logic_error);

    auto repeated = all;
    repeated.append({Args::FlightList, KindedArg{ArgKind::R, 99}});
    EXPECT_THROW(build(repeated), std::logic_error);

    // A text sent where the billing date goes, and a by-value text where the server writes back.
    auto textForDate = all;
    textForDate[Args::BillingDate].second.k = ArgKind::S;
    EXPECT_THROW(build(textForDate), std::logic_error);
    auto byValue = all;
    byValue[Args::ProductGroup].second.k = ArgKind::S;
    EXPECT_THROW(build(byValue), std::logic_error);
}
