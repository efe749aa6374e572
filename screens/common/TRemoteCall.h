#pragma once

#include "core/TDataPacket.h"
#include "external/appserver/TRemoteArg.h"

#include <QList>
#include <QString>

class TClientDataSet;
class TNetConnection;

// A late-bound call through a screen's connection followed by the result check, with the
// answer taken the way the screens use it.
class TRemoteCall {
public:
    // The checked answer as it came.
    static protocol::RemoteValue value(TNetConnection& connection, const QString& method,
                                       QList<TRemoteArg>& args);
    // The answer's data packet loaded into `target`; an answer that is no packet is a failure.
    static void load(TClientDataSet& target, TNetConnection& connection, const QString& method,
                     QList<TRemoteArg> args);
};
