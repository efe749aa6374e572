#include "Pkg_Zel00100/CallArgText.h"

#include "external/appserver/TCallLog.h"

#include <QStringList>

namespace CallArgText {

QString of(const protocol::RemoteValue& value) {
    using Type = protocol::RemoteValue::Type;
    switch (value.type()) {
    case Type::Null:
        return {};
    case Type::Date:
        return value.toDate().toString(QStringLiteral("dd/MM/yyyy"));
    case Type::DateTime:
        return value.toDateTime().toString(QStringLiteral("dd/MM/yyyy hh:mm:ss"));
    case Type::Array: {
        QStringList items;
        for (const protocol::RemoteValue& item : value.toArray())
            items << of(item);
        return QLatin1Char('[') + items.join(QLatin1Char(',')) + QLatin1Char(']');
    }
    case Type::DataPacket:
        return QStringLiteral("(pacote de dados: %1 linhas)").arg(value.dataPacket().rows.size());
    case Type::ChangePacket:
        return QStringLiteral("(pacote de alterações: %1 alterações)")
            .arg(value.changePacket().changes.size());
    default:
        return value.toString();
    }
}

bool lastCallArg(const QString& method, int argNo, QString& text) {
    const TCallLog& log = TCallLog::instance();
    if (!log.contains(method))
        return false;
    const QList<protocol::RemoteValue> args = log.lastArgs(method);
    if (argNo < 1 || argNo > args.size())
        return false;
    text = of(args.at(argNo - 1));
    return true;
}

} // namespace CallArgText
