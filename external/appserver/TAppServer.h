#pragma once

#include "external/appserver/TRemoteArg.h"

#include <QList>

class TNetConnection;

// The dispatch object of a connection: calls a remote method by name with positional
// arguments. Read it anew from TNetConnection::AppServer() before each call.
class TAppServer {
public:
    explicit TAppServer(TNetConnection* connection);

    // Returns the result; R and V arguments hold the server's values afterwards.
    // Raises Exception with the server's failure text exactly as sent, or with
    // "Sem conexão com o servidor de aplicação (HOST:PORTA)." when there is no connection.
    protocol::RemoteValue call(const QString& method, QList<TRemoteArg>& args) const;
    protocol::RemoteValue call(const QString& method, QList<TRemoteArg>&& args) const;

private:
    TNetConnection* m_connection;
};
