#pragma once

#include "protocol/RemoteValue.h"

#include <QList>
#include <QMap>
#include <QString>

namespace protocol {

// How a remote method takes each positional argument: S text by value, R text by
// reference, D date, V any value by reference. The kinds are not sent: both ends know
// each method's signature. The reply's "refs" carries the new value of every R and V
// position, which the client writes back into the caller's variables.
enum class ArgKind { S, R, D, V };

bool isByReference(ArgKind kind);
QChar argKindLetter(ArgKind kind);
// "R S S D" (blanks optional) → kinds; false on any other letter.
bool parseArgKinds(QStringView letters, QList<ArgKind>* kinds);
// S and R take text, D a date or null, V anything.
bool fitsArgKind(ArgKind kind, const RemoteValue& value);
// The "refs" of a reply: position → value for every R and V argument.
QMap<int, RemoteValue> referenceValues(const QList<ArgKind>& kinds,
                                       const QList<RemoteValue>& values);

} // namespace protocol
