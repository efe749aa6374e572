#pragma once

#include "external/appserver/TAppServer.h"
#include "protocol/Frame.h"

#include <QSslCertificate>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class ServerLink;

// The connection of a screen to the application server's remote data module.
// Host may say "tls://name" to connect with TLS; a port written in Host ("name:7210")
// is used when Port is 0. With ThrowException false a failed connect() raises nothing:
// the next call tries to connect again and, failing, raises
// "Sem conexão com o servidor de aplicação (HOST:PORTA).". A connection lost during a
// call raises the same text and the call after it reconnects.
class TNetConnection {
public:
    TNetConnection();
    ~TNetConnection();
    TNetConnection(const TNetConnection&) = delete;
    TNetConnection& operator=(const TNetConnection&) = delete;

    const QString& serverName() const { return m_serverName; }
    void setServerName(const QString& name) { m_serverName = name; }
    const QString& host() const { return m_host; }
    void setHost(const QString& host) { m_host = host; }
    int port() const { return m_port; }
    void setPort(int port) { m_port = port; }
    bool throwException() const { return m_throwException; }
    void setThrowException(bool on) { m_throwException = on; }
    const QString& token() const { return m_token; } // sent in the hello when not empty
    void setToken(const QString& token) { m_token = token; }
    // Who works at this desktop, named in the hello so that the server records it; the
    // operating-system user unless set (at most kMaxUserLength characters are sent).
    static constexpr int kMaxUserLength = 30;
    const QString& user() const { return m_user; }
    void setUser(const QString& user) { m_user = user.left(kMaxUserLength); }
    // Certificates trusted for TLS besides the system's (a site's own CA, tests).
    void setCaCertificates(const QList<QSslCertificate>& certificates) {
        m_caCertificates = certificates;
    }
    void setConnectTimeout(int milliseconds) { m_connectTimeoutMs = milliseconds; }
    // How long a call may go without its answer: `readMs` for most, `longMs` without a
    // progress report that moves on for the methods of `setLongCalls` (the computations).
    // A negative time waits for ever.
    void setCallTimeouts(int readMs, int longMs) {
        m_readTimeoutMs = readMs;
        m_longTimeoutMs = longMs;
    }
    void setLongCalls(const QStringList& methods) { m_longCalls = methods; }
    void setMaxFrameSize(qsizetype bytes) { m_maxFrameSize = bytes; }

    // Fired before every connection attempt; typically sets Host and Port.
    std::function<void(TNetConnection& sender)> BeforeConnect;
    // Progress the server reports during a long call, before its reply.
    std::function<void(qint64 done, qint64 total, const QString& text)> OnProgress;

    // Connects and presents itself to the server object; does nothing when connected.
    // Returns whether it is connected; raises on failure only with ThrowException.
    bool connect();
    void disconnect();
    bool connected() const;
    qint64 session() const;
    // Why the last connection attempt failed or the connection was lost (for the log).
    const QString& lastError() const { return m_lastError; }

    TAppServer AppServer() { return TAppServer(this); }

    // What TAppServer::call does; see there.
    protocol::RemoteValue call(const QString& method, QList<TRemoteArg>& args);

    // "Sem conexão com o servidor de aplicação (HOST:PORTA)."
    QString noConnectionText() const;
    // "Servidor de aplicação HOST:PORTA não respondeu em N s."
    QString timedOutText(int milliseconds) const;
    QString cancelledWaitText() const;

private:
    bool open();
    // Every call is logged as sent, failed or not (TCallLog).
    static void recordCall(const QString& method, const QList<TRemoteArg>& args);

    QString m_serverName;
    QString m_host;
    int m_port = 0;
    bool m_throwException = true;
    QString m_token;
    QString m_user;
    QList<QSslCertificate> m_caCertificates;
    int m_connectTimeoutMs = 15000;
    int m_readTimeoutMs = 30000;
    int m_longTimeoutMs = 300000;
    QStringList m_longCalls{QStringLiteral("CalculaApuracao"), QStringLiteral("CalcApuracTaxa")};
    qsizetype m_maxFrameSize = protocol::Frame::kDefaultMaxSize;
    std::shared_ptr<ServerLink> m_link;
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
    QString m_lastError;
};
