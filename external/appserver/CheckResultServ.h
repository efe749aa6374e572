#pragma once

#include "protocol/RemoteValue.h"

namespace Consiste {

// The result check every caller applies to an answer: returns the payload or raises.
// Server failures already arrive as exceptions raised by the call itself (with the
// server's text), so an answer that reaches this check is always a payload.
protocol::RemoteValue CheckResultServ(protocol::RemoteValue result, bool raiseOnError, int flags);

} // namespace Consiste
