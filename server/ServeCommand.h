#pragma once

#include "server/RemoteModule.h"

#include "core/CommandLine.h"

#include <QSqlDatabase>
#include <QStringList>
#include <QTextStream>

#include <atomic>
#include <memory>

class AppServer;
class ServeOptions;
struct ServerSettings;

// "serve": runs the application server until SIGTERM or SIGINT. Brings the database's
// schema up to date first. Writes "Servidor ouvindo em HOST:PORTA" to err once clients
// can connect, then one log line per call. On the signal it stops accepting and gives the
// calls under way the grace period (--grace) to finish; a computation still running near
// its end is rolled back and marked failed, and the process leaves by the end of it
// whatever is left. Exit codes: 0 stopped by a signal, 1 could not start (database, port) or
// had to leave calls behind, 2 bad arguments or configuration, including a non-loopback
// address without TLS and a token.
class ServeCommand {
public:
    static constexpr int ok = 0;
    static constexpr int failed = 1;
    static constexpr int badUsage = CommandLine::kBadUsage;

    // The command's options and help.
    static CommandLine commandLine();
    // `args` are the arguments after "serve".
    static int run(const QStringList& args, QTextStream& out, QTextStream& err);

    // `stopping` is what the methods look at to give up a computation (see ServerOptions).
    static ServerSettings settingsFor(const ServeOptions& options,
                                      std::shared_ptr<const std::atomic<bool>> stopping = {});
    // Opens the database once, so a wrong URL stops the start instead of every client.
    static QString checkDatabase(const QString& url);
    // Brings an older schema up to date (saying so on err) or refuses a newer one; returns
    // why it could not, empty when the database can be served.
    static QString upgradeDatabase(const QString& url, QTextStream& err);
    // Why the server could not write the database (empty when it can).
    static QString writeProblem(QSqlDatabase db);
    // "Banco de dados atualizado da versão 1 para a versão 2."
    static QString upgradedText(int from);
    // How much of the grace is kept for rolling back the calls still running: they are told
    // to give up this long before the end.
    static qint64 rollbackReserveMs(int graceSeconds);

private:
    // After the signal: the stop within the grace. Returns the exit code.
    static int shutdown(AppServer& server, int graceSeconds, std::atomic<bool>& stopping);
};
