#pragma once

#include "protocol/FrameReader.h"
#include "protocol/Message.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSslCertificate>
#include <QTcpSocket>

#include <functional>
#include <optional>

// One socket to the application server, from the hello exchange to its end. Every wait
// runs a local event loop, so the host keeps repainting while a call is under way; a
// wait ends when its answer arrives or the connection is lost. Calls may nest (a call
// started from an event handler while another waits); each waits for its own id.
class ServerLink : public QObject {
    Q_OBJECT
public:
    struct Options {
        QString host;
        quint16 port = 0;
        bool tls = false;
        QList<QSslCertificate> caCertificates; // trusted in addition to the system's
        int connectTimeoutMs = 15000;
        qsizetype maxFrameSize = protocol::Frame::kDefaultMaxSize;
        QString user; // named in the hello when not empty
    };
    enum class Outcome { Result, Failure, Lost, TimedOut, Cancelled };
    using ProgressHandler = std::function<void(const protocol::Message&)>;

    explicit ServerLink(Options options);
    ~ServerLink() override;

    // Connects and says hello. On failure returns false and fills `error` with a
    // Portuguese reason (the server's own text when it refused the hello).
    bool open(const QString& serverName, const QString& token, QString* error);
    void close();
    bool isOpen() const { return m_open; }
    qint64 session() const { return m_session; }
    const QString& lostReason() const { return m_lostReason; }

    // Sends the call and waits for its reply. Progress messages are handed to
    // `onProgress` from this stack frame, in order, before the reply; an exception it
    // throws abandons the call and propagates. With `silenceMs` >= 0 the call gives up
    // (TimedOut) when that long passes without its reply or a progress report that moved
    // on; messages of other calls and repeated reports keep nothing alive.
    // When `cancelled` answers true (checked whenever the wait wakes; wake() wakes it), the
    // call stops waiting (Cancelled); its late answer must then not be taken for another's.
    Outcome call(const QString& method, const QList<protocol::RemoteValue>& args,
                 const ProgressHandler& onProgress, protocol::Message* reply, int silenceMs = -1,
                 const std::function<bool()>& cancelled = {});
    // Wakes the waits, so that they look at their state again.
    void wake() { emit activity(); }

signals:
    void activity(); // something a waiter may be waiting for happened

private:
    struct Pending {
        std::optional<protocol::Message> reply;
        QList<protocol::Message> progress;
    };

    bool waitForSocket(QString* error);
    bool waitForHello(QString* error);
    void waitForActivity(int timeoutMs = -1);
    void onReadyRead();
    void onDisconnected();
    void dispatch(protocol::Message&& message);
    void lose(const QString& reason);
    QString socketReason() const;

    Options m_options;
    QPointer<QTcpSocket> m_socket;
    protocol::FrameReader m_reader;
    QHash<qint64, Pending*> m_pending;
    std::optional<protocol::Message> m_helloAnswer;
    bool m_open = false;
    bool m_timedOut = false;
    qint64 m_session = 0;
    qint64 m_nextId = 1;
    QString m_lostReason;
};
