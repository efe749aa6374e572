#include "external/appserver/TAppServer.h"

#include "external/appserver/TNetConnection.h"

TAppServer::TAppServer(TNetConnection* connection)
    : m_connection(connection) {}

protocol::RemoteValue TAppServer::call(const QString& method, QList<TRemoteArg>& args) const {
    return m_connection->call(method, args);
}

protocol::RemoteValue TAppServer::call(const QString& method, QList<TRemoteArg>&& args) const {
    return m_connection->call(method, args);
}
