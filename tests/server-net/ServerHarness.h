#pragma once

#include "protocol/Message.h"
#include "server/AppServer.h"
#include "server/RemoteModule.h"

#include <QHostAddress>
#include <QMutex>
#include <QStringList>
#include <QTcpSocket>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

// A module with a handful of methods that exercise the network layer:
//   Echo(S, R, D, V)  returns the S text; R gets "!" appended, V becomes [V, D]
//   Fail(S)           raises ServerFailure with the S text
//   Crash()           inserts a DIRETORIOS row inside a transaction, then throws (a
//                     ServerFailure when the insert itself fails)
//   Fault()           raises the platform's Exception, which is no ServerFailure
//   Count()           number of DIRETORIOS rows this session sees
//   Progress()        reports three steps, then returns "feito"
//   Slow(S)           sleeps S milliseconds, returns "acordei"
//   User()            the user the session's hello named
//   Big(S)            a text of S characters
class TestModule : public RemoteModule {
public:
    TestModule(QSqlDatabase db, QString user);

    static Signatures signatures();
    // Calls that reached any module, across sessions.
    static std::atomic<int> calls;

    protocol::RemoteValue call(const QString& method, QList<protocol::RemoteValue>& args,
                               const Progress& progress) override;

private:
    QSqlDatabase m_db;
    QString m_user;
};

// An AppServer on a free loopback port serving TestModule over a database with the schema,
// with its log kept for inspection.
class ServerHarness {
public:
    using Adjust = std::function<void(ServerSettings&)>;

    // An empty URL makes a fresh SQLite database in a temporary directory.
    explicit ServerHarness(const Adjust& adjust = {}, const QString& databaseUrl = {});
    ~ServerHarness();

    AppServer& server() { return *m_server; }
    quint16 port() const { return m_server->port(); }
    QStringList log() const;
    // Waits until a log line from line `from` on contains `fragment`.
    bool waitForLog(const QString& fragment, int timeoutMs = 5000, qsizetype from = 0) const;

private:
    struct Database;
    std::unique_ptr<Database> m_database;
    std::unique_ptr<AppServer> m_server;
    std::shared_ptr<QStringList> m_lines;
    std::shared_ptr<QMutex> m_mutex;
};

// A client that speaks the wire format by hand, blocking, so tests can send what a proper
// client never would.
class RawClient {
public:
    // From `from` when given (another loopback address, say), else from any.
    explicit RawClient(quint16 port, const QHostAddress& from = {});

    bool isConnected() const { return m_socket.state() == QAbstractSocket::ConnectedState; }
    void sendBytes(const QByteArray& bytes);
    void send(const protocol::Message& message) { sendBytes(message.toFrame()); }
    // The next message from the server, or nothing when none comes in time.
    std::optional<protocol::Message> receive(int timeoutMs = 5000);
    // Says hello and returns whether it was accepted.
    bool greet(const QString& token = {});
    // True when the server closes the connection within the time.
    bool waitClosed(int timeoutMs = 5000);

private:
    QTcpSocket m_socket;
    QByteArray m_buffer;
};
