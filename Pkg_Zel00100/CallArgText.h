#pragma once

#include "protocol/RemoteValue.h"

#include <QString>

// How a script reads an argument of a remote call: texts as they are, dates as dd/MM/yyyy,
// null as empty; packets by their size, since their rows are checked through the datasets.
namespace CallArgText {

QString of(const protocol::RemoteValue& value);
// Argument argNo (from 1) of the last call of `method` in the call log; false when the
// method was never called or sent fewer arguments.
bool lastCallArg(const QString& method, int argNo, QString& text);

} // namespace CallArgText
