#include "server/Listener.h"

#include "server/BusyRefusal.h"
#include "server/ClientConnection.h"
#include "server/ServerSettings.h"

Listener::Listener(std::shared_ptr<const ServerSettings> settings)
    : m_settings(std::move(settings)) {}

Listener::~Listener() {
    shutdown();
}

void Listener::incomingConnection(qintptr descriptor) {
    if (m_connections.size() >= m_settings->maxConnections) {
        // A flood of refusals must not pile up either: past a bound they are just closed.
        if (findChildren<BusyRefusal*>(Qt::FindDirectChildrenOnly).size() < kMaxRefusals) {
            new BusyRefusal(descriptor, *m_settings, this);
        } else {
            QTcpSocket socket;
            if (socket.setSocketDescriptor(descriptor))
                socket.abort();
        }
        m_settings->log->server(QStringLiteral("conexão recusada: limite de %1 conexões atingido")
                                    .arg(m_settings->maxConnections));
        return;
    }
    auto* connection = new ClientConnection(descriptor, m_nextSession++, m_settings);
    connect(connection, &QThread::finished, this, [this, connection] { forget(connection); });
    m_connections.append(connection);
    m_count = int(m_connections.size());
    connection->start();
}

void Listener::forget(ClientConnection* connection) {
    if (m_connections.removeOne(connection)) {
        m_count = int(m_connections.size());
        connection->wait();
        delete connection;
    }
}

void Listener::stopAccepting() {
    close();
    for (ClientConnection* connection : std::as_const(m_connections))
        connection->requestStop();
}

void Listener::shutdown() {
    stopAccepting();
    for (ClientConnection* connection : std::as_const(m_connections)) {
        connection->wait();
        delete connection;
    }
    m_connections.clear();
    m_count = 0;
    qDeleteAll(findChildren<BusyRefusal*>(Qt::FindDirectChildrenOnly));
}
