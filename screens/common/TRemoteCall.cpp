#include "screens/common/TRemoteCall.h"

#include "core/Exception.h"
#include "external/appserver/CheckResultServ.h"
#include "external/appserver/TNetConnection.h"
#include "platform/TClientDataSet.h"

protocol::RemoteValue TRemoteCall::value(TNetConnection& connection, const QString& method,
                                         QList<TRemoteArg>& args) {
    return Consiste::CheckResultServ(connection.AppServer().call(method, args), true, 0);
}

void TRemoteCall::load(TClientDataSet& target, TNetConnection& connection, const QString& method,
                       QList<TRemoteArg> args) {
    protocol::RemoteValue answer = value(connection, method, args);
    if (answer.type() != protocol::RemoteValue::Type::DataPacket)
        throw Exception(QStringLiteral("Resposta inesperada do servidor em %1.").arg(method));
    target.setData(answer.takeDataPacket());
}
