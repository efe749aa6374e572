#include "server/AppServer.h"

#include "server/Listener.h"

#include <QThread>

AppServer::AppServer(ServerSettings settings)
    : m_settings(std::make_shared<const ServerSettings>(std::move(settings))) {}

AppServer::~AppServer() {
    stop();
}

bool AppServer::listen(const QHostAddress& address, quint16 port, QString* error) {
    stop();
    m_thread = std::make_unique<QThread>();
    m_thread->setObjectName(QStringLiteral("zel-listener"));
    m_thread->start();
    auto* listener = new Listener(m_settings);
    listener->moveToThread(m_thread.get());
    bool listening = false;
    QMetaObject::invokeMethod(
        listener,
        [&] {
            listening = listener->listen(address, port);
            if (!listening) {
                *error = QStringLiteral("Não foi possível ouvir em %1:%2: %3")
                             .arg(address.toString())
                             .arg(port)
                             .arg(listener->errorString());
                delete listener;
            } else {
                m_address = listener->serverAddress();
                m_port = listener->serverPort();
            }
        },
        Qt::BlockingQueuedConnection);
    if (!listening) {
        m_thread->quit();
        m_thread->wait();
        m_thread.reset();
        return false;
    }
    m_listener = listener;
    return true;
}

int AppServer::connectionCount() const {
    return m_listener ? m_listener->connectionCount() : 0;
}

void AppServer::stopAccepting() {
    if (!m_listener)
        return;
    Listener* listener = m_listener;
    QMetaObject::invokeMethod(
        listener, [listener] { listener->stopAccepting(); }, Qt::BlockingQueuedConnection);
}

bool AppServer::waitForConnections(const QDeadlineTimer& deadline) const {
    // The listener forgets a connection on its own thread once the connection's thread ends.
    while (connectionCount() > 0) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(20);
    }
    return true;
}

void AppServer::stop() {
    if (!m_thread)
        return;
    if (m_listener) {
        Listener* listener = m_listener;
        m_listener = nullptr;
        QMetaObject::invokeMethod(
            listener,
            [listener] {
                listener->shutdown();
                delete listener;
            },
            Qt::BlockingQueuedConnection);
    }
    m_thread->quit();
    m_thread->wait();
    m_thread.reset();
}
