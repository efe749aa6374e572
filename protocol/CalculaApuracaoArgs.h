#pragma once

#include "protocol/ArgKind.h"

#include <array>
#include <initializer_list>
#include <QList>
#include <stdexcept>
#include <string>
#include <utility>

namespace protocol {

// The seventeen positional arguments of the remote method CalculaApuracao. The screen
// sends them and the server reads them by these names, so no one counts positions by hand.
namespace CalculaApuracaoArgs {

inline constexpr char kMethod[] = "CalculaApuracao";

enum Position : int {
    WorkingBranch,       // R
    BranchCode,          // S
    CustomerCode,        // S  the company's customer code
    DeliveryPeriodStart, // D
    DeliveryPeriodEnd,   // D
    BillingDate,         // D
    CompanyKey,          // S
    FlightList,          // R  "_A_B" for the checked flights A and B
    AllFlightsFlag,      // R  "T" or "N"
    InvoiceSeries,       // S
    CarrierKind,         // S  one character
    CarrierNumber,       // S
    ProductGroup,        // R
    CarrierChangePacket, // V  the change log of the carrier rows, or null
    LocationList,        // R
    ClosedFlightList,    // S  the flight list closed by "_" ("_" alone when none)
    OrderNumber,         // S
};

inline constexpr int kCount = 17;

inline constexpr std::array<ArgKind, kCount> kKinds = {
    ArgKind::R, ArgKind::S, ArgKind::S, ArgKind::D, ArgKind::D, ArgKind::D,
    ArgKind::S, ArgKind::R, ArgKind::R, ArgKind::S, ArgKind::S, ArgKind::S,
    ArgKind::R, ArgKind::V, ArgKind::R, ArgKind::S, ArgKind::S};

// The arguments in wire order from (position, argument) pairs written in any order, usually
// a braced list. Every position is named exactly once, and an argument that knows its kind
// must have the kind of its position; anything else is a fault of the caller's code
// (std::logic_error), found the first time the request is built.
template <typename Arg, typename Named = std::initializer_list<std::pair<Position, Arg>>>
QList<Arg> inOrder(const Named& named) {
    const auto fault = [](const char* what, int position) {
        return std::logic_error(std::string("CalculaApuracao: argumento ") +
                                std::to_string(position + 1) + ' ' + what);
    };
    std::array<const Arg*, kCount> at{};
    for (const auto& [position, arg] : named) {
        if (position < 0 || position >= kCount)
            throw fault("fora da lista", position);
        if (at[position])
            throw fault("repetido", position);
        if constexpr (requires(const Arg& a) { a.kind(); }) {
            if (arg.kind() != kKinds[position])
                throw fault("de tipo errado", position);
        }
        at[position] = &arg;
    }
    QList<Arg> args;
    args.reserve(kCount);
    for (int position = 0; position < kCount; ++position) {
        if (!at[position])
            throw fault("ausente", position);
        args.append(*at[position]);
    }
    return args;
}

} // namespace CalculaApuracaoArgs
} // namespace protocol
