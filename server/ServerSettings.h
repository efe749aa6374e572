#pragma once

#include "protocol/Frame.h"
#include "server/AccessToken.h"
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
    qsizetype maxFrameSize = protocol::Frame::kDefaultMaxSize;

    std::shared_ptr<ServerLog> log = std::make_shared<ServerLog>();
};
