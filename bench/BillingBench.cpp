// bench_billing: the time of one billing computation of N deliveries on the application
// server, against a set-based SQL script doing the same work on an identical copy of the
// data (the median of --rounds rounds, each on fresh copies, the two taking turns at going
// first), the server's peak memory, which must not grow with N, and how often its progress
// reports arrive (the longest wait a person watching would see between two). With
// --compare, two servers instead take turns computing on copies of the same data.
#include "bench/BillingScript.h"
#include "bench/PostgreSqlBillingEngine.h"
#include "bench/ServerProcess.h"
#include "bench/SqliteBillingEngine.h"
#include "core/CommandLine.h"
#include "core/Exception.h"
#include "db/TDatabase.h"
#include "external/appserver/TNetConnection.h"

#include <algorithm>
#include <memory>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>
#include <QUrl>

#include <unistd.h>

namespace {

const QString kServerName = QStringLiteral("Zel00100.rdmApuracaoZel");
const QString kFilial = QStringLiteral("0001");
const QString kCdcia = QStringLiteral("0001");
// The whole span of the generated deliveries.
const QDate kStart(2024, 6, 1);
const QDate kEnd(2026, 12, 31);
const QDate kBilling(2027, 1, 5);

struct Options {
    QList<qint64> counts = {1000000};
    QStringList engines;
    QString pgUrl;
    QString workdir;
    QString appserver;
    QString compareWith; // another zel-appserver, timed on copies of the same data
    int rounds = 3;
};

CommandLine commandLine() {
    CommandLine line(
        QStringLiteral("bench_billing"), QStringLiteral("[opções]"),
        QStringLiteral("Mede uma apuração (CalculaApuracao) de N deliveries no servidor "
                       "de aplicação contra um\nscript SQL em conjunto sobre uma "
                       "cópia idêntica dos dados, e o pico de memória do\nservidor "
                       "(VmHWM)."));
    line.addOptions({
        {QStringLiteral("deliveries"),
         QStringLiteral("quantidades separadas por vírgula (padrão 1000000)"),
         QStringLiteral("N[,N...]")},
        {QStringLiteral("engines"),
         QStringLiteral("bancos medidos: sqlite, postgresql (padrão sqlite, mais postgresql "
                        "quando --pg é informado)"),
         QStringLiteral("BANCOS")},
        {QStringLiteral("pg"),
         QStringLiteral("banco de um servidor PostgreSQL; nele são recriados os bancos "
                        "zelbench_a e zelbench_b"),
         QStringLiteral("URL")},
        {QStringLiteral("workdir"),
         QStringLiteral("diretório dos arquivos SQLite e dos registros do servidor (padrão: um "
                        "diretório temporário)"),
         QStringLiteral("DIR")},
        {QStringLiteral("appserver"),
         QStringLiteral("caminho do zel-appserver (padrão: ao lado deste programa)"),
         QStringLiteral("CAMINHO")},
        {QStringLiteral("compare"),
         QStringLiteral("em vez do script, compara com outro zel-appserver: os dois calculam, "
                        "alternados, em cópias dos mesmos dados"),
         QStringLiteral("CAMINHO")},
        {QStringLiteral("rounds"),
         QStringLiteral("rodadas de cada medida, em cópias novas dos dados (padrão 3)"),
         QStringLiteral("N")},
    });
    return line;
}

// Returns what is wrong with the values, empty when nothing.
QString read(const CommandLine& line, Options* o) {
    if (line.isSet(QStringLiteral("deliveries"))) {
        o->counts.clear();
        for (const QString& part :
             line.value(QStringLiteral("deliveries")).split(QLatin1Char(','))) {
            bool ok = false;
            const qint64 n = part.trimmed().toLongLong(&ok);
            if (!ok || n <= 0)
                return QStringLiteral("--deliveries exige números inteiros positivos "
                                      "separados por vírgula.");
            o->counts.append(n);
        }
    }
    if (line.isSet(QStringLiteral("engines")))
        o->engines =
            line.value(QStringLiteral("engines")).split(QLatin1Char(','), Qt::SkipEmptyParts);
    o->pgUrl = line.value(QStringLiteral("pg"));
    o->workdir = line.value(QStringLiteral("workdir"));
    o->appserver = line.value(QStringLiteral("appserver"));
    o->compareWith = line.value(QStringLiteral("compare"));
    if (line.isSet(QStringLiteral("rounds"))) {
        bool ok = false;
        o->rounds = line.value(QStringLiteral("rounds")).toInt(&ok);
        if (!ok || o->rounds <= 0)
            return QStringLiteral("--rounds exige um número inteiro positivo.");
    }
    if (o->engines.isEmpty()) {
        o->engines = {QStringLiteral("sqlite")};
        if (!o->pgUrl.isEmpty())
            o->engines.append(QStringLiteral("postgresql"));
    }
    for (const QString& engine : o->engines) {
        if (engine != QLatin1String("sqlite") && engine != QLatin1String("postgresql"))
            return QStringLiteral("Banco desconhecido em --engines: %1").arg(engine);
        if (engine == QLatin1String("postgresql") && !o->pgUrl.startsWith("postgresql://"))
            return QStringLiteral(
                "postgresql exige --pg postgresql://usuário@servidor:porta/banco.");
    }
    return {};
}

double secondsOf(const QElapsedTimer& timer) {
    return double(timer.nsecsElapsed()) / 1e9;
}

void note(const QString& text) {
    QTextStream(stderr) << text << '\n';
}

// One computation timed on a server of its own, with the arrival of its progress reports.
struct Timed {
    QString nr;
    double seconds = 0;
    int reports = 0;
    double longestSilenceSeconds = 0; // from the call, between reports, to the reply
    qint64 hwmStartKiB = 0;
    qint64 hwmPeakKiB = 0;
    double cpuSeconds = 0; // of the server process during the call
};

// CalculaApuracao of `scope` by `program` serving `dbUrl`; the server's log goes to
// `logFile`, each progress report to `progressFile` (seconds, done/total, text).
Timed timeComputation(const QString& program, const QString& dbUrl, const BillingScope& scope,
                      const QString& logFile, const QString& progressFile) {
    ServerProcess server(program, dbUrl, logFile);
    TNetConnection net;
    net.setServerName(kServerName);
    net.setHost(QStringLiteral("127.0.0.1"));
    net.setPort(server.port());
    net.connect();
    Timed t;
    t.hwmStartKiB = server.peakMemoryKiB();
    QFile progressLog(progressFile);
    if (!progressLog.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        throw Exception(QStringLiteral("Não foi possível gravar %1.").arg(progressFile));
    QTextStream progressOut(&progressLog);
    QElapsedTimer timer;
    double lastReport = 0;
    net.OnProgress = [&](qint64 done, qint64 total, const QString& text) {
        const double at = secondsOf(timer);
        t.longestSilenceSeconds = std::max(t.longestSilenceSeconds, at - lastReport);
        lastReport = at;
        ++t.reports;
        progressOut << QString::number(at, 'f', 3) << ' ' << done << '/' << total << ' ' << text
                    << '\n';
    };
    const double cpuBefore = ServerProcess::cpuSeconds(server.processId());
    timer.start();
    t.nr = scope.calculaApuracao(net);
    t.seconds = secondsOf(timer);
    t.cpuSeconds = ServerProcess::cpuSeconds(server.processId()) - cpuBefore;
    t.longestSilenceSeconds = std::max(t.longestSilenceSeconds, t.seconds - lastReport);
    net.OnProgress = nullptr;
    t.hwmPeakKiB = server.peakMemoryKiB();
    net.disconnect();
    server.stop();
    static const QRegularExpression number(QStringLiteral("^\\d{10}$"));
    if (!number.match(t.nr).hasMatch())
        throw Exception(
            QStringLiteral("O servidor devolveu \"%1\" em vez do número da apuração.").arg(t.nr));
    return t;
}

double median(QList<double> values) {
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n == 0 ? 0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Measure {
    double seedSeconds = 0;
    double computationSeconds = 0;
    double scriptSeconds = 0;
    // Processor time, on SQLite only: PostgreSQL works in its own processes.
    double computationCpuSeconds = -1;
    double scriptCpuSeconds = -1;
    qint64 hwmStartKiB = 0;
    qint64 hwmPeakKiB = 0;
    int progressReports = 0;
    double longestSilenceSeconds = 0; // from the call, between reports, to the reply
};

class Measurement {
public:
    Measurement(BillingEngine& engine, const Options& options, const QString& workdir, qint64 n)
        : m_engine(engine)
        , m_options(options)
        , m_workdir(workdir)
        , m_n(n)
        , m_label(QStringLiteral("%1, N=%2").arg(engine.name()).arg(n)) {}

    // Each round computes on two fresh copies of the seeded database, the server on one and
    // the script on the other, taking turns at going first so that what the machine does
    // meanwhile weighs on both alike; the times are the rounds' medians.
    Measure run() {
        note(QStringLiteral("[%1] criando os bancos").arg(m_label));
        m_dbs = m_engine.create(m_options.appserver, m_n, kFilial + '/' + kCdcia,
                                &m_measure.seedSeconds);
        {
            TDatabase a;
            a.open(m_dbs.a);
            m_scope = BillingScope::of(a.database(), kFilial, kCdcia, kStart, kEnd, kBilling);
        }
        QList<double> server, script, serverCpu, scriptCpu;
        for (int round = 1; round <= m_options.rounds; ++round) {
            const QString serverDb = m_engine.copyOfB(QStringLiteral("servidor"));
            const QString scriptDb = m_engine.copyOfB(QStringLiteral("script"));
            for (int turn = 0; turn < 2; ++turn) {
                m_engine.settle();
                // The copies just made, and what the run before wrote, go to disk now rather
                // than while this run is timed.
                ::sync();
                if ((round + turn) % 2 == 0) {
                    note(QStringLiteral("[%1] rodada %2: apuração no servidor")
                             .arg(m_label)
                             .arg(round));
                    const Timed t = computeOnServer(serverDb, round);
                    checkServerOutcome(serverDb, t.nr);
                    server.append(t.seconds);
                    serverCpu.append(t.cpuSeconds);
                    note(QStringLiteral("[%1] rodada %2: servidor em %3 s")
                             .arg(m_label)
                             .arg(round)
                             .arg(t.seconds, 0, 'f', 2));
                } else {
                    note(QStringLiteral("[%1] rodada %2: script SQL").arg(m_label).arg(round));
                    double cpu = 0;
                    script.append(runScript(scriptDb, &cpu));
                    scriptCpu.append(cpu);
                    note(QStringLiteral("[%1] rodada %2: script em %3 s")
                             .arg(m_label)
                             .arg(round)
                             .arg(script.last(), 0, 'f', 2));
                }
            }
            // Both started from the same data: they must have left the same.
            compareOutcomes(serverDb, scriptDb);
        }
        m_measure.computationSeconds = median(server);
        m_measure.scriptSeconds = median(script);
        if (m_engine.name() == QLatin1String("SQLite")) {
            m_measure.computationCpuSeconds = median(serverCpu);
            m_measure.scriptCpuSeconds = median(scriptCpu);
        }
        m_engine.drop();
        return m_measure;
    }

private:
    [[noreturn]] void fail(const QString& why) const {
        throw Exception(QStringLiteral("[%1] %2").arg(m_label, why));
    }

    Timed computeOnServer(const QString& dbUrl, int round) {
        const QString tag =
            QStringLiteral("%1-%2-%3").arg(m_engine.name().toLower()).arg(m_n).arg(round);
        const Timed t = timeComputation(
            m_options.appserver, dbUrl, m_scope,
            QDir(m_workdir).filePath(QStringLiteral("zel-appserver-%1.log").arg(tag)),
            QDir(m_workdir).filePath(QStringLiteral("progresso-%1.txt").arg(tag)));
        m_measure.progressReports = std::max(m_measure.progressReports, t.reports);
        m_measure.longestSilenceSeconds =
            std::max(m_measure.longestSilenceSeconds, t.longestSilenceSeconds);
        m_measure.hwmStartKiB = std::max(m_measure.hwmStartKiB, t.hwmStartKiB);
        m_measure.hwmPeakKiB = std::max(m_measure.hwmPeakKiB, t.hwmPeakKiB);
        return t;
    }

    void checkServerOutcome(const QString& dbUrl, const QString& nr) {
        TDatabase a;
        a.open(dbUrl);
        const BillingOutcome outcome = outcomeOf(a.database(), nr);
        if (outcome.status != QLatin1String("F"))
            fail(
                QStringLiteral("a apuração %1 ficou com situação \"%2\".").arg(nr, outcome.status));
        if (outcome.markedDeliveries != m_n)
            fail(QStringLiteral("a apuração %1 marcou %2 deliveries.")
                     .arg(nr)
                     .arg(outcome.markedDeliveries));
        const qint64 flights = distinctFlights(a.database(), m_scope);
        if (outcome.invoices.size() != flights)
            fail(QStringLiteral("a apuração %1 gerou %2 notas para %3 vôos.")
                     .arg(nr)
                     .arg(outcome.invoices.size())
                     .arg(flights));
        for (const InvoiceLine& invoice : outcome.invoices) {
            if (invoice.value != invoice.deliveriesValue)
                fail(QStringLiteral("a nota %1 vale %2, suas deliveries somam %3.")
                         .arg(invoice.number)
                         .arg(invoice.value)
                         .arg(invoice.deliveriesValue));
        }
        m_serverNr = nr;
    }

    // Returns the script's seconds; its processor time goes to *cpu.
    double runScript(const QString& dbUrl, double* cpu) {
        TDatabase b;
        b.open(dbUrl);
        QElapsedTimer timer;
        const double cpuBefore = ServerProcess::threadCpuSeconds();
        timer.start();
        m_scriptNr = runSetBasedBilling(b.database(), m_scope);
        const double seconds = secondsOf(timer);
        *cpu = ServerProcess::threadCpuSeconds() - cpuBefore;
        return seconds;
    }

    void compareOutcomes(const QString& serverDb, const QString& scriptDb) const {
        if (m_scriptNr != m_serverNr)
            fail(QStringLiteral("o script numerou a apuração %1, o servidor %2.")
                     .arg(m_scriptNr, m_serverNr));
        TDatabase a;
        a.open(serverDb);
        TDatabase b;
        b.open(scriptDb);
        const BillingOutcome server = outcomeOf(a.database(), m_serverNr);
        const BillingOutcome script = outcomeOf(b.database(), m_scriptNr);
        if (!(script == server))
            fail(QStringLiteral("o script e o servidor divergem: %1 notas somando %2 com %3 "
                                "deliveries contra %4 notas somando %5 com %6 deliveries.")
                     .arg(script.invoices.size())
                     .arg(script.invoiceTotal())
                     .arg(script.markedDeliveries)
                     .arg(server.invoices.size())
                     .arg(server.invoiceTotal())
                     .arg(server.markedDeliveries));
    }

    BillingEngine& m_engine;
    const Options& m_options;
    QString m_workdir;
    qint64 m_n;
    QString m_label;
    BillingEngine::Databases m_dbs;
    BillingScope m_scope;
    Measure m_measure;
    QString m_serverNr;
    QString m_scriptNr;
};

QString cell(const QString& text, int width) {
    return text.rightJustified(width);
}

QString header() {
    return cell(QStringLiteral("banco"), 10) + cell(QStringLiteral("deliveries"), 12) +
           cell(QStringLiteral("carga s"), 10) + cell(QStringLiteral("apuração s"), 12) +
           cell(QStringLiteral("script s"), 10) + cell(QStringLiteral("razão"), 8) +
           cell(QStringLiteral("CPU apur. s"), 13) + cell(QStringLiteral("CPU script s"), 14) +
           cell(QStringLiteral("VmHWM início MiB"), 18) +
           cell(QStringLiteral("VmHWM pico MiB"), 16) + cell(QStringLiteral("relatos"), 9) +
           cell(QStringLiteral("maior silêncio s"), 18);
}

QString row(const QString& engine, qint64 n, const Measure& m) {
    const auto fixed = [](double value, int decimals) {
        return QString::number(value, 'f', decimals);
    };
    const double ratio = m.scriptSeconds > 0 ? m.computationSeconds / m.scriptSeconds : 0;
    const auto cpu = [&](double seconds) {
        return seconds < 0 ? QStringLiteral("-") : fixed(seconds, 2);
    };
    return cell(engine, 10) + cell(QString::number(n), 12) + cell(fixed(m.seedSeconds, 2), 10) +
           cell(fixed(m.computationSeconds, 2), 12) + cell(fixed(m.scriptSeconds, 2), 10) +
           cell(fixed(ratio, 2), 8) + cell(cpu(m.computationCpuSeconds), 13) +
           cell(cpu(m.scriptCpuSeconds), 14) + cell(fixed(double(m.hwmStartKiB) / 1024, 1), 18) +
           cell(fixed(double(m.hwmPeakKiB) / 1024, 1), 16) +
           cell(QString::number(m.progressReports), 9) +
           cell(fixed(m.longestSilenceSeconds, 2), 18);
}

// Both servers compute on fresh copies of one seeded database, taking turns at going first,
// so that what the machine does meanwhile weighs on both alike.
void compareServers(BillingEngine& engine, const Options& options, const QString& workdir, qint64 n,
                    QTextStream& out) {
    const QString label = QStringLiteral("%1, N=%2").arg(engine.name()).arg(n);
    note(QStringLiteral("[%1] criando os bancos").arg(label));
    double seedSeconds = 0;
    const BillingEngine::Databases dbs =
        engine.create(options.appserver, n, kFilial + '/' + kCdcia, &seedSeconds);
    BillingScope scope;
    {
        TDatabase b;
        b.open(dbs.b);
        scope = BillingScope::of(b.database(), kFilial, kCdcia, kStart, kEnd, kBilling);
    }
    struct Side {
        QString name;
        QString program;
        QList<double> seconds;
        QList<double> silences;
    };
    Side sides[] = {{QStringLiteral("este"), options.appserver, {}, {}},
                    {QStringLiteral("outro"), options.compareWith, {}, {}}};
    out << cell(QStringLiteral("banco"), 10) << cell(QStringLiteral("deliveries"), 12)
        << cell(QStringLiteral("rodada"), 8) << cell(QStringLiteral("servidor"), 10)
        << cell(QStringLiteral("apuração s"), 12) << cell(QStringLiteral("relatos"), 9)
        << cell(QStringLiteral("maior silêncio s"), 18) << Qt::endl;
    for (int round = 1; round <= options.rounds; ++round) {
        for (int turn = 0; turn < 2; ++turn) {
            Side& side = sides[(round + turn) % 2];
            engine.settle();
            note(
                QStringLiteral("[%1] rodada %2, servidor %3").arg(label).arg(round).arg(side.name));
            const QString tag = QStringLiteral("%1-%2-%3-%4")
                                    .arg(engine.name().toLower())
                                    .arg(n)
                                    .arg(round)
                                    .arg(side.name);
            const Timed t = timeComputation(
                side.program, engine.copyOfB(side.name), scope,
                QDir(workdir).filePath(QStringLiteral("zel-appserver-%1.log").arg(tag)),
                QDir(workdir).filePath(QStringLiteral("progresso-%1.txt").arg(tag)));
            side.seconds.append(t.seconds);
            side.silences.append(t.longestSilenceSeconds);
            out << cell(engine.name(), 10) << cell(QString::number(n), 12)
                << cell(QString::number(round), 8) << cell(side.name, 10)
                << cell(QString::number(t.seconds, 'f', 2), 12)
                << cell(QString::number(t.reports), 9)
                << cell(QString::number(t.longestSilenceSeconds, 'f', 2), 18) << Qt::endl;
        }
    }
    const double mine = median(sides[0].seconds);
    const double other = median(sides[1].seconds);
    out << QStringLiteral("medianas: este %1 s, outro %2 s, razão %3; maior silêncio: este %4 s, "
                          "outro %5 s")
               .arg(mine, 0, 'f', 2)
               .arg(other, 0, 'f', 2)
               .arg(other > 0 ? mine / other : 0, 0, 'f', 3)
               .arg(*std::max_element(sides[0].silences.begin(), sides[0].silences.end()), 0, 'f',
                    2)
               .arg(*std::max_element(sides[1].silences.begin(), sides[1].silences.end()), 0, 'f',
                    2)
        << Qt::endl;
    engine.drop();
}

std::unique_ptr<BillingEngine> engineNamed(const QString& name, const Options& o,
                                           const QString& dir) {
    if (name == QLatin1String("postgresql"))
        return std::make_unique<PostgreSqlBillingEngine>(o.pgUrl);
    return std::make_unique<SqliteBillingEngine>(dir);
}

int runAll(Options& options) {
    if (options.appserver.isEmpty())
        options.appserver =
            QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("zel-appserver"));
    if (!QFileInfo(options.appserver).isExecutable())
        throw Exception(
            QStringLiteral("zel-appserver não encontrado em %1; use --appserver CAMINHO.")
                .arg(options.appserver));
    if (!options.compareWith.isEmpty() && !QFileInfo(options.compareWith).isExecutable())
        throw Exception(
            QStringLiteral("%1 não é um programa executável.").arg(options.compareWith));
    QTemporaryDir temporary;
    QString workdir = options.workdir;
    if (workdir.isEmpty()) {
        if (!temporary.isValid())
            throw Exception(QStringLiteral("Não foi possível criar um diretório temporário."));
        workdir = temporary.path();
    } else if (!QDir().mkpath(workdir)) {
        throw Exception(QStringLiteral("Não foi possível criar o diretório %1.").arg(workdir));
    }
    QTextStream out(stdout);
    if (!options.compareWith.isEmpty()) {
        for (const QString& name : options.engines) {
            const std::unique_ptr<BillingEngine> engine = engineNamed(name, options, workdir);
            for (qint64 n : options.counts)
                compareServers(*engine, options, workdir, n, out);
        }
        return 0;
    }
    out << header() << Qt::endl;
    for (const QString& name : options.engines) {
        const std::unique_ptr<BillingEngine> engine = engineNamed(name, options, workdir);
        for (qint64 n : options.counts) {
            const Measure m = Measurement(*engine, options, workdir, n).run();
            out << row(engine->name(), n, m) << Qt::endl;
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    CommandLine line = commandLine();
    if (const std::optional<int> exit = line.parse(app.arguments().mid(1), out, err))
        return *exit;
    Options options;
    const QString problem = read(line, &options);
    if (!problem.isEmpty())
        return line.usageError(problem, err);
    try {
        return runAll(options);
    } catch (const std::exception& e) {
        err << "bench_billing: " << QString::fromUtf8(e.what()) << '\n';
        return 1;
    }
}
