#pragma once

#include "protocol/Message.h"
#include "server/RemoteModule.h"

#include <QByteArray>
#include <QSqlDatabase>

#include <functional>

struct ServerSettings;

// Runs the calls of one session: checks each against the method signatures, runs it on
// the session's module and turns the outcome into the frame that answers it. Whatever a
// method throws becomes a failure reply; nothing escapes, and a fault never leaves the
// session's database inside a transaction.
class CallHandler {
public:
    using Send = std::function<void(const QByteArray& frame)>;

    CallHandler(const ServerSettings& settings, RemoteModule& module, QSqlDatabase db,
                qint64 session, QString user);

    // Progress frames go to `send` while the method runs; the reply frame is returned.
    QByteArray handle(const protocol::Message& call, const Send& send);
    // The answer to a call whose arguments were refused before they were decoded (`call`
    // has its id and method only); `why` goes to the log.
    QByteArray refuse(const protocol::Message& call, const QString& why);

    static QString unexpectedFailureText();
    static QString invalidCallText(const QString& method);

private:
    // The failure text when the call does not fit its method's signature, else empty.
    QString checkCall(const protocol::Message& call) const;
    protocol::Message run(const protocol::Message& call, const Send& send, QString* fault);
    void rollBack();

    const ServerSettings& m_settings;
    RemoteModule& m_module;
    QSqlDatabase m_db;
    qint64 m_session;
    QString m_user;
};
