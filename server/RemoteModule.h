#pragma once

#include "protocol/ArgKind.h"
#include "protocol/RemoteValue.h"

#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <functional>
#include <memory>

// What a connection serves: one instance per session, created on the session's own
// database connection, running methods by name. The network layer knows nothing of the
// business behind it, so the real data module and a test double plug in alike.
class RemoteModule {
public:
    using Progress = std::function<void(qint64 done, qint64 total, const QString& text)>;
    using Signatures = QHash<QString, QList<protocol::ArgKind>>;
    // Raises (anything) when the module cannot be set up on that connection. `user` is
    // who the client's hello named, empty when it named nobody.
    using Factory =
        std::function<std::unique_ptr<RemoteModule>(QSqlDatabase db, const QString& user)>;

    virtual ~RemoteModule() = default;

    // R and V arguments may be changed in place; their new values go back to the client.
    // A ServerFailure carries the client's text; any other exception is a fault.
    virtual protocol::RemoteValue call(const QString& method, QList<protocol::RemoteValue>& args,
                                       const Progress& progress) = 0;
};
