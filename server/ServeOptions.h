#pragma once

#include "server/AccessToken.h"

#include "core/CommandLine.h"

#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QSslCertificate>
#include <QSslKey>
#include <QStringList>
#include <QThread>

#include <algorithm>

class IniFile;

// The command line of "serve", with the files it names already read. read() refuses a
// server that would listen beyond this machine without TLS and a token. Every option but
// --config may also be set in the [serve] section of a configuration file ("max-connections
// = 16"); the command line overrides the file, and an empty value in the file counts as not
// set. A problem with a value from the file names the file and its line.
class ServeOptions {
public:
    static inline const QString kSection = QStringLiteral("serve");

    // The command's options and help.
    static CommandLine commandLine();
    // The values of a parsed command line and of the configuration file its --config names.
    // Returns a Portuguese error text, empty when they are good.
    QString read(const CommandLine& line);
    // The same with `file` already read by readConfig() (null: none) in place of --config.
    QString read(const CommandLine& line, const IniFile* file);
    // All of it from the arguments after "serve".
    static QString parse(const QStringList& args, ServeOptions* options);
    // Reads `path` into `file` and refuses a key that is not a serve option, a key outside
    // [serve] and any other section. Returns the error text, empty when the file is good.
    static QString readConfig(const QString& path, IniFile* file);
    // The keys a configuration file may set.
    static QStringList fileKeys();
    // "key = value" with where it came from, one per option, for the operator to check;
    // secrets are never shown.
    QStringList describe() const;

    // "127.0.0.1:7210", "[::1]:7210" (a host alone takes the default port).
    static bool parseListen(const QString& text, QHostAddress* address, quint16* port);

    bool usesTls() const { return !certificateChain.isEmpty(); }

    static constexpr quint16 kDefaultPort = 7210;

    QString databaseUrl;
    QHostAddress address = QHostAddress(QHostAddress::LocalHost);
    quint16 port = kDefaultPort;
    int maxConnections = 64;
    // Computations beyond these wait for a place (TrdmApuracaoZel::awaitTurn).
    int maxComputations = std::max(1, QThread::idealThreadCount());
    int leaseSeconds = 900;
    QString exportDir;
    int idleTimeoutSeconds = 30 * 60; // 0: never
    // After SIGTERM, how long calls under way get to finish or roll back.
    int graceSeconds = 30;
    qsizetype maxFrameSize = 1024 * 1024; // of what a client sends
    AccessToken token;
    QList<QSslCertificate> certificateChain;
    QSslKey privateKey;

private:
    // Where `name` was set: the command line, the file (its entry), or nowhere.
    bool given(const QString& name) const;
    QString value(const QString& name) const;
    // "--name" typed, "name" in a file; and "ARQUIVO, linha N: " before a problem in a file.
    QString label(const QString& name) const;
    QString inFile(const QString& name, const QString& problem) const;
    QString readNumbers();
    QString readTexts();
    QString loadFiles();
    QString checkExposure() const;

    // Only while read() runs.
    const CommandLine* m_line = nullptr;
    const IniFile* m_file = nullptr;
    QHash<QString, QString> m_origins; // option → "linha N" or "linha de comando"
    QHash<QString, QString> m_files;   // option → the file it names, as given
};
