#pragma once

#include "server/AccessToken.h"

#include "core/CommandLine.h"

#include <QHostAddress>
#include <QList>
#include <QSslCertificate>
#include <QSslKey>
#include <QStringList>

// The command line of "serve", with the files it names already read. read() refuses a
// server that would listen beyond this machine without TLS and a token.
class ServeOptions {
public:
    // The command's options and help.
    static CommandLine commandLine();
    // The values of a parsed command line. Returns a Portuguese error text, empty when they
    // are good.
    QString read(const CommandLine& line);
    // Both from the arguments after "serve".
    static QString parse(const QStringList& args, ServeOptions* options);

    // "127.0.0.1:7210", "[::1]:7210" (a host alone takes the default port).
    static bool parseListen(const QString& text, QHostAddress* address, quint16* port);

    bool usesTls() const { return !certificateChain.isEmpty(); }

    static constexpr quint16 kDefaultPort = 7210;

    QString databaseUrl;
    QHostAddress address = QHostAddress(QHostAddress::LocalHost);
    quint16 port = kDefaultPort;
    int maxConnections = 64;
    int leaseSeconds = 900;
    QString exportDir;
    int idleTimeoutSeconds = 30 * 60;     // 0: never
    qsizetype maxFrameSize = 1024 * 1024; // of what a client sends
    AccessToken token;
    QList<QSslCertificate> certificateChain;
    QSslKey privateKey;

private:
    QString loadFiles(const QString& tokenFile, const QString& certFile, const QString& keyFile);
    QString checkExposure() const;
};
