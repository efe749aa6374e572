#pragma once

#include "server/ServerSettings.h"

#include <QDeadlineTimer>
#include <QHostAddress>
#include <QString>

#include <memory>

class Listener;
class QThread;

// The application server: listens on its own thread and serves every client on a thread
// of its own (ClientConnection), so it runs the same inside the command, a test or a
// benchmark, whatever the calling thread does meanwhile.
class AppServer {
public:
    explicit AppServer(ServerSettings settings);
    ~AppServer();
    AppServer(const AppServer&) = delete;
    AppServer& operator=(const AppServer&) = delete;

    // Port 0 picks a free one (see port()). On failure returns false with a Portuguese
    // reason in `error`.
    bool listen(const QHostAddress& address, quint16 port, QString* error);
    QHostAddress address() const { return m_address; }
    quint16 port() const { return m_port; }
    bool isListening() const { return m_listener != nullptr; }

    // Connection threads alive now.
    int connectionCount() const;
    const ServerSettings& settings() const { return *m_settings; }

    // Closes the listener and asks every connection to end after its current call, without
    // waiting; stop() or waitForConnections() then wait.
    void stopAccepting();
    // Waits until no connection is left; false when `deadline` came first.
    bool waitForConnections(const QDeadlineTimer& deadline) const;
    // Closes the listener and waits for every connection to finish its current call and
    // close its database connection.
    void stop();

private:
    std::shared_ptr<const ServerSettings> m_settings;
    std::unique_ptr<QThread> m_thread;
    Listener* m_listener = nullptr;
    QHostAddress m_address;
    quint16 m_port = 0;
};
