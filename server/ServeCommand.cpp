#include "server/ServeCommand.h"

#include "core/StopSignal.h"
#include "db/TDatabase.h"
#include "server/AppServer.h"
#include "server/SchemaVersion.h"
#include "server/ServeOptions.h"
#include "server/ServerSql.h"
#include "server/SqlTransaction.h"
#include "server/TrdmApuracaoZel.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace {

// The remote data module as a connection serves it.
class DataModule : public RemoteModule {
public:
    DataModule(QSqlDatabase db, ServerOptions options, const QString& user)
        : m_module(std::move(db), options, user) {}

    protocol::RemoteValue call(const QString& method, QList<protocol::RemoteValue>& args,
                               const Progress& progress) override {
        return m_module.call(method, args, progress);
    }

private:
    TrdmApuracaoZel m_module;
};

QString shownAddress(const QHostAddress& address, quint16 port) {
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                             ? QStringLiteral("[%1]").arg(address.toString())
                             : address.toString();
    return QStringLiteral("%1:%2").arg(host).arg(port);
}

} // namespace

CommandLine ServeCommand::commandLine() {
    return ServeOptions::commandLine();
}

ServerSettings ServeCommand::settingsFor(const ServeOptions& options,
                                         std::shared_ptr<const std::atomic<bool>> stopping) {
    ServerSettings settings;
    settings.databaseUrl = options.databaseUrl;
    settings.signatures = TrdmApuracaoZel::signatures();
    ServerOptions moduleOptions;
    moduleOptions.leaseSeconds = options.leaseSeconds;
    moduleOptions.exportDir = options.exportDir;
    moduleOptions.stopping = std::move(stopping);
    moduleOptions.computations = std::make_shared<TurnQueue>(options.maxComputations);
    settings.createModule = [moduleOptions](QSqlDatabase db,
                                            const QString& user) -> std::unique_ptr<RemoteModule> {
        return std::make_unique<DataModule>(std::move(db), moduleOptions, user);
    };
    settings.token = options.token;
    settings.certificateChain = options.certificateChain;
    settings.privateKey = options.privateKey;
    settings.maxConnections = options.maxConnections;
    settings.idleTimeoutMs = options.idleTimeoutSeconds * 1000;
    settings.maxFrameSize = options.maxFrameSize;
    return settings;
}

QString ServeCommand::checkDatabase(const QString& url) {
    try {
        TDatabase database;
        database.open(url);
        return {};
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    }
}

QString ServeCommand::upgradeDatabase(const QString& url, QTextStream& err) {
    try {
        TDatabase database;
        database.open(url);
        const int found = SchemaVersion::bringUpToDate(database.database());
        if (found == 0)
            return QStringLiteral("O banco de dados não tem as tabelas do sistema; crie-o com "
                                  "\"zel-appserver init-db\".");
        if (found < SchemaVersion::kCurrent)
            err << upgradedText(found) << '\n';
        return writeProblem(database.database());
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    }
}

QString ServeCommand::writeProblem(QSqlDatabase db) {
    // A database the server cannot write would answer every computation with a failure:
    // one write, rolled back, tells before the first client comes.
    try {
        const ServerSql sql(db);
        SqlTransaction probe(sql);
        sql.exec(QStringLiteral("UPDATE VERSAOESQUEMA SET NRVERSAO = NRVERSAO"));
        return {};
    } catch (const std::exception& e) {
        return QStringLiteral("O banco de dados não aceita gravação: %1")
            .arg(QString::fromUtf8(e.what()));
    }
}

QString ServeCommand::upgradedText(int from) {
    return QStringLiteral("Banco de dados atualizado da versão %1 para a versão %2.")
        .arg(from)
        .arg(SchemaVersion::kCurrent);
}

int ServeCommand::run(const QStringList& args, QTextStream& out, QTextStream& err) {
    CommandLine line = commandLine();
    if (const std::optional<int> exit = line.parse(args, out, err))
        return *exit;
    ServeOptions options;
    QString problem = options.read(line);
    if (!problem.isEmpty())
        return line.usageError(problem, err);
    problem = checkDatabase(options.databaseUrl);
    if (!problem.isEmpty()) {
        err << "Não foi possível abrir o banco de dados: " << problem << '\n';
        err.flush();
        return failed;
    }
    // Before the first session, so that every session sees the current tables.
    problem = upgradeDatabase(options.databaseUrl, err);
    if (!problem.isEmpty()) {
        err << problem << '\n';
        err.flush();
        return failed;
    }
    StopSignal stopSignal; // before listening: a stop sent right after the start line counts
    int received = 0;
    stopSignal.OnSignal = [&received](int signal) {
        received = signal;
        QCoreApplication::quit();
    };
    auto stopping = std::make_shared<std::atomic<bool>>(false);
    AppServer server(settingsFor(options, stopping));
    if (!server.listen(options.address, options.port, &problem)) {
        err << problem << '\n';
        err.flush();
        return failed;
    }
    err << "Servidor ouvindo em " << shownAddress(server.address(), server.port()) << '\n';
    err.flush();
    QCoreApplication::exec();
    server.settings().log->server(
        QStringLiteral("sinal %1 recebido: encerrando, %2 conexões abertas, prazo de %3 s")
            .arg(received == SIGINT ? QStringLiteral("SIGINT") : QStringLiteral("SIGTERM"))
            .arg(server.connectionCount())
            .arg(options.graceSeconds));
    return shutdown(server, options.graceSeconds, *stopping);
}

qint64 ServeCommand::rollbackReserveMs(int graceSeconds) {
    return qMin<qint64>(5000, qint64(graceSeconds) * 1000 / 2);
}

int ServeCommand::shutdown(AppServer& server, int graceSeconds, std::atomic<bool>& stopping) {
    ServerLog& log = *server.settings().log;
    const QDeadlineTimer end(qint64(graceSeconds) * 1000);
    const QDeadlineTimer giveUp(qint64(graceSeconds) * 1000 - rollbackReserveMs(graceSeconds));
    server.stopAccepting();
    log.server(QStringLiteral("novas conexões recusadas"));
    if (!server.waitForConnections(giveUp)) {
        log.server(QStringLiteral("prazo quase esgotado: desfazendo o que ainda está em "
                                  "andamento em %1 conexões")
                       .arg(server.connectionCount()));
        stopping = true;
        if (!server.waitForConnections(end)) {
            log.server(QStringLiteral("prazo esgotado: saindo com %1 conexões ainda abertas")
                           .arg(server.connectionCount()));
            // Their threads cannot be joined; the database rolls back what they left open.
            std::fflush(stderr);
            std::_Exit(failed);
        }
    }
    server.stop();
    log.server(QStringLiteral("servidor encerrado"));
    return ok;
}
