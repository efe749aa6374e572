#pragma once

#include "protocol/FrameReader.h"
#include "protocol/Message.h"
#include "server/RemoteModule.h"

#include <QDeadlineTimer>
#include <QHostAddress>
#include <QTcpSocket>
#include <QThread>

#include <atomic>
#include <memory>

class CallHandler;
struct ServerSettings;
class TDatabase;

// One client, on its own thread from accept to close: the TLS handshake when the server
// has a certificate, the hello, then calls one after the other on the session's own
// database connection and data module. The socket is used in blocking mode with short
// waits, so a stop request is seen within a poll interval while idle; a call under way
// always finishes and its reply is sent first. Anything the client gets wrong ends only
// this connection, with the reason in the log. What a client may send is bounded: its hello
// by a small frame whose token is checked first, its calls by the call frame limit and by
// what decoding them may allocate.
class ClientConnection : public QThread {
public:
    ClientConnection(qintptr descriptor, qint64 session,
                     std::shared_ptr<const ServerSettings> settings);
    ~ClientConnection() override;

    qint64 session() const { return m_session; }
    // Ends the connection after the call under way; callers wait() for it.
    void requestStop() { m_stop = true; }

protected:
    void run() override;

private:
    enum class Wait { Data, Closed, TimedOut, Stopped };

    bool openSocket();
    bool handshake();
    bool greet();
    bool malformedHello(const QString& reason);
    bool waitOutThrottle();
    void noteRefusal();
    bool openSession();
    void serve();
    bool answerCall(CallHandler& handler, QByteArrayView payload, QByteArray* answer);
    void close();

    bool readFrame(QByteArray* payload, const QDeadlineTimer& deadline);
    Wait waitForData(const QDeadlineTimer& deadline);
    bool send(const QByteArray& frame);
    bool drain();
    qint64 pendingBytes() const;
    bool refuse(const QString& text);
    bool ended(const QString& reason);
    int slice(const QDeadlineTimer& deadline) const;

    const qintptr m_descriptor;
    const qint64 m_session;
    const std::shared_ptr<const ServerSettings> m_settings;
    std::atomic<bool> m_stop{false};
    QDeadlineTimer m_helloDeadline;

    // Created and destroyed on the connection's own thread.
    std::unique_ptr<QTcpSocket> m_socket;
    std::unique_ptr<TDatabase> m_database;
    std::unique_ptr<RemoteModule> m_module;
    protocol::FrameReader m_reader;
    QString m_endReason;
    QString m_user; // as the hello named it
    QHostAddress m_peer;
};
