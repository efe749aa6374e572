#pragma once

#include "protocol/Frame.h"
#include "server/AccessToken.h"
#include "server/HelloThrottle.h"
#include "server/RemoteModule.h"
#include "server/ServerLog.h"

#include <QList>
#include <QSslCertificate>
#include <QSslKey>
#include <QString>

#include <memory>

// Everything a listener and its connections need, fixed before the first connection.
struct ServerSettings {
    static inline const QString kServerName = QStringLiteral("Zel00100.rdmApuracaoZel");

    QString serverName = kServerName;
    QString databaseUrl;
    RemoteModule::Signatures signatures;
    RemoteModule::Factory createModule;
    AccessToken token;

    // TLS is on when a certificate is set; the first certificate is the server's own.
    QList<QSslCertificate> certificateChain;
    QSslKey privateKey;
    bool usesTls() const { return !certificateChain.isEmpty(); }

    int maxConnections = 64;
    int idleTimeoutMs = 30 * 60 * 1000; // 0: a silent connection is never closed
    int helloTimeoutMs = 30 * 1000;     // connect to hello (TLS handshake included)
    int writeTimeoutMs = 60 * 1000;     // a client that stops reading its reply is dropped
    int closeTimeoutMs = 2 * 1000;      // a refused client gets this long to read why
    int pollIntervalMs = 200;           // how often a waiting connection looks for a stop
    // What a client may send: its calls (a few short arguments) and, smaller still, its
    // hello. Replies may be as large as a client takes.
    static constexpr qsizetype kDefaultMaxCallSize = 1024 * 1024;
    static constexpr qsizetype kMaxHelloSize = 64 * 1024;
    qsizetype maxFrameSize = kDefaultMaxCallSize;
    qsizetype maxReplySize = protocol::Frame::kDefaultMaxSize;
    qsizetype helloFrameSize() const { return qMin(kMaxHelloSize, maxFrameSize); }

    std::shared_ptr<HelloThrottle> helloThrottle = std::make_shared<HelloThrottle>();

    std::shared_ptr<ServerLog> log = std::make_shared<ServerLog>();
};
