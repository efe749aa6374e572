// bench_load: many billing desktops against the application server. Each simulated
// desktop has its own connection over the real protocol and its own company, and does what
// a user at the billing screen makes the server do, period after period: the reads of the
// screen, a computation of one small period, the invoices it made. Measured for several
// desktop counts, with one server on SQLite, one on PostgreSQL and two on one PostgreSQL
// database: computations per minute, latencies of the short calls and of the
// computations, errors, and each server's memory over the run.
#include "bench/LatencyStats.h"
#include "bench/LoadDesktop.h"
#include "bench/LoadOptions.h"
#include "bench/LoadSeed.h"
#include "bench/PgAdmin.h"
#include "bench/ServerProcess.h"
#include "core/CommandLine.h"
#include "core/Exception.h"
#include "db/TDatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <QUrl>

#include <atomic>
#include <memory>
#include <vector>

namespace {

using Topology = LoadOptions::Topology;

// A server's connection slots beyond its desktops: the readiness probe's connection counts
// until the server's thread for it sees it closed, and may still when the desktops connect.
constexpr int kSpareConnections = 8;
const QString kPgDatabase = QStringLiteral("zelload");

double mib(qint64 kib) {
    return double(kib) / 1024;
}

// Resident memory of one server: idle before the desktops start, then at a tenth, half
// and the end of the run, and its peak.
struct ServerMemory {
    qint64 idleKiB = 0;
    qint64 startKiB = 0;
    qint64 middleKiB = 0;
    qint64 endKiB = 0;
    qint64 peakKiB = 0;
};

struct Measurement {
    Topology topology = Topology::Sqlite;
    int desktops = 0;
    int periods = 0; // seeded per company
    double seedSeconds = 0;
    double seconds = 0;
    LatencyStats small;
    LatencyStats computations;
    int errors = 0;
    QStringList errorTexts;
    qint64 invoices = 0;
    int emptyPeriods = 0;
    std::vector<ServerMemory> servers;

    double perMinute() const {
        return seconds > 0 ? double(computations.count()) * 60 / seconds : 0;
    }
};

// A fresh database for one measurement, seeded for `desktops` companies; its URL.
QString freshDatabase(const LoadOptions& o, Topology topology, int desktops, const QString& workdir,
                      double* seedSeconds) {
    QString url;
    if (topology == Topology::Sqlite) {
        const QString path = QDir(workdir).filePath(QStringLiteral("load-%1.db").arg(desktops));
        for (const char* suffix : {"", "-wal", "-shm", "-journal"})
            QFile::remove(path + suffix);
        url = QStringLiteral("sqlite:") + path;
    } else {
        PgAdmin::run(o.pgUrl,
                     QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(kPgDatabase));
        PgAdmin::run(o.pgUrl, QStringLiteral("CREATE DATABASE %1").arg(kPgDatabase));
        url = PgAdmin::urlOf(o.pgUrl, kPgDatabase);
    }
    QElapsedTimer timer;
    timer.start();
    ServerProcess::run(o.appserver, {QStringLiteral("init-db"), url});
    {
        TDatabase db;
        db.open(url);
        LoadSeed::write(db.database(), desktops, o.periodsFor(desktops), o.perPeriod);
        // Statistics as a database in use has them, so the planner sees the real sizes.
        QSqlQuery analyze(db.database());
        if (!analyze.exec(QStringLiteral("ANALYZE")))
            throw Exception(analyze.lastError().text());
    }
    *seedSeconds = double(timer.elapsed()) / 1000;
    return url;
}

Measurement measure(const LoadOptions& o, Topology topology, int desktops, const QString& workdir) {
    Measurement m;
    m.topology = topology;
    m.desktops = desktops;
    m.periods = o.periodsFor(desktops);
    const QString url = freshDatabase(o, topology, desktops, workdir, &m.seedSeconds);
    const QList<LoadCompany> companies = LoadSeed::companies(desktops, o.periodsFor(desktops));

    const int serverCount = LoadOptions::serversOf(topology);
    const int perServer = (desktops + serverCount - 1) / serverCount;
    const QStringList extra = {QStringLiteral("--max-connections"),
                               QString::number(perServer + kSpareConnections)};
    std::vector<std::unique_ptr<ServerProcess>> servers;
    for (int s = 0; s < serverCount; ++s) {
        const QString log = QDir(workdir).filePath(QStringLiteral("appserver-%1-%2-%3.log")
                                                       .arg(LoadOptions::nameOf(topology))
                                                       .arg(desktops)
                                                       .arg(s + 1));
        servers.push_back(std::make_unique<ServerProcess>(o.appserver, url, log, extra));
    }
    m.servers.resize(servers.size());
    const auto sample = [&](qint64 ServerMemory::*field) {
        for (std::size_t s = 0; s < servers.size(); ++s)
            m.servers[s].*field = ServerProcess::vmRssKiB(servers[s]->processId());
    };
    sample(&ServerMemory::idleKiB);

    std::vector<std::unique_ptr<LoadDesktop>> sessions;
    for (int d = 0; d < desktops; ++d)
        sessions.push_back(std::make_unique<LoadDesktop>(
            d + 1, companies[d], servers[std::size_t(d % serverCount)]->port(), o.thinkMs));
    std::atomic<bool> stop{false};
    std::vector<std::unique_ptr<QThread>> threads;
    for (auto& session : sessions) {
        LoadDesktop* desktop = session.get();
        threads.emplace_back(QThread::create([desktop, &stop] { desktop->run(stop); }));
    }
    QElapsedTimer clock;
    clock.start();
    for (auto& thread : threads)
        thread->start();

    const qint64 runMs = qint64(o.seconds) * 1000;
    bool startTaken = false;
    bool middleTaken = false;
    while (clock.elapsed() < runMs) {
        QThread::msleep(50);
        if (!startTaken && clock.elapsed() >= runMs / 10) {
            sample(&ServerMemory::startKiB);
            startTaken = true;
        }
        if (!middleTaken && clock.elapsed() >= runMs / 2) {
            sample(&ServerMemory::middleKiB);
            middleTaken = true;
        }
    }
    sample(&ServerMemory::endKiB);
    stop = true;
    for (auto& thread : threads)
        thread->wait();
    m.seconds = double(clock.elapsed()) / 1000;
    for (std::size_t s = 0; s < servers.size(); ++s)
        m.servers[s].peakKiB = ServerProcess::vmHwmKiB(servers[s]->processId());
    for (auto& server : servers)
        server->stop();

    for (const auto& desktop : sessions) {
        m.small.merge(desktop->smallCalls());
        m.computations.merge(desktop->computations());
        m.errors += desktop->errors();
        m.invoices += desktop->invoices();
        m.emptyPeriods += desktop->emptyPeriods();
        for (const QString& text : desktop->errorTexts()) {
            if (m.errorTexts.size() < LoadDesktop::kMaxErrorTexts && !m.errorTexts.contains(text))
                m.errorTexts.append(text);
        }
    }
    return m;
}

QString desktopsText(int desktops) {
    return desktops == 1 ? QStringLiteral("1 mesa") : QStringLiteral("%1 mesas").arg(desktops);
}

QString topologyLabel(Topology topology) {
    switch (topology) {
    case Topology::Sqlite:
        return QStringLiteral("SQLite, 1 servidor");
    case Topology::PostgreSql:
        return QStringLiteral("PostgreSQL, 1 servidor");
    case Topology::TwoOnPostgreSql:
        return QStringLiteral("PostgreSQL, 2 servidores");
    }
    return {};
}

void printProgress(QTextStream& out, const Measurement& m) {
    out << QStringLiteral("%1, %2: %3 apurações em %4 s, %5 erros (carga inicial de %6 "
                          "períodos por companhia em %7 s)")
               .arg(topologyLabel(m.topology))
               .arg(desktopsText(m.desktops))
               .arg(m.computations.count())
               .arg(m.seconds, 0, 'f', 1)
               .arg(m.errors)
               .arg(m.periods)
               .arg(m.seedSeconds, 0, 'f', 1)
        << Qt::endl;
}

void printReport(QTextStream& out, const LoadOptions& o, const std::vector<Measurement>& all) {
    out << Qt::endl
        << QStringLiteral("%1 s por medição, pausa de %2 ms entre chamadas, períodos de um dia "
                          "com %3 deliveries cada")
               .arg(o.seconds)
               .arg(o.thinkMs)
               .arg(o.perPeriod)
        << Qt::endl
        << Qt::endl;
    out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7")
               .arg(QStringLiteral("topologia"), -25)
               .arg(QStringLiteral("mesas"), 5)
               .arg(QStringLiteral("apurações/min"), 13)
               .arg(QStringLiteral("curtas p50/p99/máx ms"), 24)
               .arg(QStringLiteral("apurações p50/p99/máx ms"), 26)
               .arg(QStringLiteral("chamadas"), 9)
               .arg(QStringLiteral("erros"), 6)
        << Qt::endl;
    for (const Measurement& m : all)
        out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7")
                   .arg(topologyLabel(m.topology), -25)
                   .arg(m.desktops, 5)
                   .arg(m.perMinute(), 13, 'f', 0)
                   .arg(m.small.summary(), 24)
                   .arg(m.computations.summary(), 26)
                   .arg(m.small.count() + m.computations.count(), 9)
                   .arg(m.errors, 6)
            << Qt::endl;
    out << Qt::endl
        << QStringLiteral("%1 %2 %3 %4 %5")
               .arg(QStringLiteral("topologia"), -25)
               .arg(QStringLiteral("mesas"), 5)
               .arg(QStringLiteral("servidor"), 8)
               .arg(QStringLiteral("VmHWM MiB"), 10)
               .arg(QStringLiteral("VmRSS ocioso / 10% / 50% / fim MiB"), 36)
        << Qt::endl;
    for (const Measurement& m : all) {
        for (std::size_t s = 0; s < m.servers.size(); ++s) {
            const ServerMemory& r = m.servers[s];
            out << QStringLiteral("%1 %2 %3 %4 %5")
                       .arg(topologyLabel(m.topology), -25)
                       .arg(m.desktops, 5)
                       .arg(qulonglong(s + 1), 8)
                       .arg(mib(r.peakKiB), 10, 'f', 1)
                       .arg(QStringLiteral("%1 / %2 / %3 / %4")
                                .arg(mib(r.idleKiB), 0, 'f', 1)
                                .arg(mib(r.startKiB), 0, 'f', 1)
                                .arg(mib(r.middleKiB), 0, 'f', 1)
                                .arg(mib(r.endKiB), 0, 'f', 1),
                            36)
                << Qt::endl;
        }
    }
    bool anyError = false;
    for (const Measurement& m : all) {
        if (m.emptyPeriods > 0)
            out << QStringLiteral("%1, %2: %3 períodos sem deliveries, não apurados "
                                  "(aumente --periods)")
                       .arg(topologyLabel(m.topology))
                       .arg(desktopsText(m.desktops))
                       .arg(m.emptyPeriods)
                << Qt::endl;
        if (m.errorTexts.isEmpty())
            continue;
        if (!anyError)
            out << Qt::endl << QStringLiteral("primeiros erros:") << Qt::endl;
        anyError = true;
        for (const QString& text : m.errorTexts)
            out << QStringLiteral("  %1, %2: %3")
                       .arg(topologyLabel(m.topology))
                       .arg(desktopsText(m.desktops))
                       .arg(text)
                << Qt::endl;
    }
}

int runAll(LoadOptions& o) {
    if (o.appserver.isEmpty())
        o.appserver =
            QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("zel-appserver"));
    if (!QFileInfo(o.appserver).isExecutable())
        throw Exception(
            QStringLiteral("zel-appserver não encontrado em %1; use --appserver CAMINHO.")
                .arg(o.appserver));
    QTemporaryDir temporary;
    const QString workdir = o.workdir.isEmpty() ? temporary.path() : o.workdir;
    if (workdir.isEmpty() || !QDir().mkpath(workdir))
        throw Exception(QStringLiteral("Não foi possível criar o diretório de trabalho."));

    QTextStream out(stdout);
    std::vector<Measurement> all;
    int errors = 0;
    for (Topology topology : std::as_const(o.topologies)) {
        for (int desktops : std::as_const(o.desktops)) {
            all.push_back(measure(o, topology, desktops, workdir));
            printProgress(out, all.back());
            errors += all.back().errors;
        }
    }
    if (o.topologies.contains(Topology::PostgreSql) ||
        o.topologies.contains(Topology::TwoOnPostgreSql))
        PgAdmin::run(o.pgUrl,
                     QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(kPgDatabase));
    printReport(out, o, all);
    return errors == 0 ? 0 : 2;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    CommandLine line = LoadOptions::commandLine();
    if (const std::optional<int> exit = line.parse(app.arguments().mid(1), out, err))
        return *exit;
    LoadOptions options;
    const QString problem = LoadOptions::read(line, &options);
    if (!problem.isEmpty())
        return line.usageError(problem, err);
    try {
        return runAll(options);
    } catch (const std::exception& e) {
        err << "bench_load: " << QString::fromUtf8(e.what()) << '\n';
        return 1;
    }
}
