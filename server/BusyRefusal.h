#pragma once

#include <QObject>
#include <QPointer>
#include <QTcpSocket>

struct ServerSettings;

// Turns away a client that arrives when every connection slot is taken, without giving it
// a thread: on the listener's own event loop it completes the TLS handshake if any, sends
// the refusal, lets the client read it and hang up, and deletes itself (after
// closeTimeoutMs at most, or a hello timeout while the handshake drags on).
class BusyRefusal : public QObject {
    Q_OBJECT // so that findChildren() tells refusals from the listener's own children
        public : BusyRefusal(qintptr descriptor, const ServerSettings& settings, QObject* parent);

    static QString text();

private:
    void sendRefusal(int closeTimeoutMs);
    void finish();

    QTcpSocket* m_socket = nullptr;
    bool m_sent = false;
};
