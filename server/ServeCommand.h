#pragma once

#include "server/RemoteModule.h"

#include "core/CommandLine.h"

#include <QStringList>
#include <QTextStream>

class ServeOptions;
struct ServerSettings;

// "serve": runs the application server until SIGTERM or SIGINT. Brings the database's
// schema up to date first. Writes "Servidor ouvindo em HOST:PORTA" to err once clients
// can connect, then one log line per call. Exit codes: 0 stopped by a signal, 1 could not start
// (database, port), 2 bad arguments, including a non-loopback address without TLS and a token.
class ServeCommand {
public:
    static constexpr int ok = 0;
    static constexpr int failed = 1;
    static constexpr int badUsage = CommandLine::kBadUsage;

    // The command's options and help.
    static CommandLine commandLine();
    // `args` are the arguments after "serve".
    static int run(const QStringList& args, QTextStream& out, QTextStream& err);

    static ServerSettings settingsFor(const ServeOptions& options);
    // Opens the database once, so a wrong URL stops the start instead of every client.
    static QString checkDatabase(const QString& url);
    // Brings an older schema up to date (saying so on err) or refuses a newer one; returns
    // why it could not, empty when the database can be served.
    static QString upgradeDatabase(const QString& url, QTextStream& err);
    // "Banco de dados atualizado da versão 1 para a versão 2."
    static QString upgradedText(int from);
};
