#pragma once

#include <QList>
#include <QTcpServer>

#include <atomic>
#include <memory>

class ClientConnection;
struct ServerSettings;

// The listening socket, on the server's listener thread: gives every accepted client its
// own connection thread, up to maxConnections at once, and turns away the rest.
class Listener : public QTcpServer {
public:
    explicit Listener(std::shared_ptr<const ServerSettings> settings);
    ~Listener() override;

    // Stops listening and asks every connection to end after its current call.
    void stopAccepting();
    // The same, then waits for them.
    void shutdown();
    int connectionCount() const { return m_count; }

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    void forget(ClientConnection* connection);

    static constexpr int kMaxRefusals = 64;

    std::shared_ptr<const ServerSettings> m_settings;
    QList<ClientConnection*> m_connections;
    std::atomic<int> m_count{0};
    qint64 m_nextSession = 1;
};
