// bench_load's command line: what it reads, and the values refused before anything runs.
#include "bench/LoadOptions.h"

#include <gtest/gtest.h>

#include <QProcess>

namespace {

using Topology = LoadOptions::Topology;

// The options read from `args`, or the reason they were refused.
struct Read {
    LoadOptions options;
    QString problem;
};

Read read(const QStringList& args) {
    CommandLine line = LoadOptions::commandLine();
    Read r;
    if (!line.parse(args, &r.problem))
        return r;
    r.problem = LoadOptions::read(line, &r.options);
    return r;
}

} // namespace

TEST(LoadBenchCommandLine, Defaults) {
    const Read r = read({});
    ASSERT_TRUE(r.problem.isEmpty()) << r.problem.toStdString();
    EXPECT_EQ(r.options.desktops, (QList<int>{1, 8, 32, 64}));
    EXPECT_EQ(r.options.seconds, 30);
    EXPECT_EQ(r.options.thinkMs, 0);
    EXPECT_EQ(r.options.topologies, QList<Topology>{Topology::Sqlite});
    // Enough periods that one desktop flat out does not run out in 30 s; 1000 at least.
    EXPECT_EQ(r.options.periodsFor(1), 18000);
    EXPECT_EQ(r.options.periodsFor(7), 2572);
    EXPECT_EQ(r.options.periodsFor(64), 1000);

    // With a PostgreSQL server, every topology unless told otherwise.
    const Read pg = read({"--pg", "postgresql://postgres@127.0.0.1:25498/zeltest"});
    ASSERT_TRUE(pg.problem.isEmpty()) << pg.problem.toStdString();
    EXPECT_EQ(pg.options.topologies,
              (QList<Topology>{Topology::Sqlite, Topology::PostgreSql, Topology::TwoOnPostgreSql}));
}

TEST(LoadBenchCommandLine, ValuesAsGiven) {
    const Read r = read({"--desktops", "2, 16,2", "--seconds", "10", "--think", "5", "--topologies",
                         "postgresql-2,postgresql,postgresql-2", "--pg", "postgresql://u@h:1/d",
                         "--periods", "40", "--per-period", "3"});
    ASSERT_TRUE(r.problem.isEmpty()) << r.problem.toStdString();
    EXPECT_EQ(r.options.desktops, (QList<int>{2, 16, 2}));
    EXPECT_EQ(r.options.seconds, 10);
    EXPECT_EQ(r.options.thinkMs, 5);
    EXPECT_EQ(r.options.periods, 40);
    EXPECT_EQ(r.options.periodsFor(1), 40) << "as given, whatever the desktops";
    EXPECT_EQ(r.options.perPeriod, 3);
    // Each topology once, in the order first named.
    EXPECT_EQ(r.options.topologies,
              (QList<Topology>{Topology::TwoOnPostgreSql, Topology::PostgreSql}));
}

TEST(LoadBenchCommandLine, BadValuesAreRefused) {
    const struct {
        QStringList args;
        const char* says;
    } cases[] = {
        {{"--desktops", "0"}, "--desktops exige números inteiros de 1 a 512"},
        {{"--desktops", "8,,32"}, "--desktops exige números inteiros de 1 a 512"},
        {{"--desktops", "513"}, "--desktops exige números inteiros de 1 a 512"},
        {{"--seconds", "0"}, "--seconds exige um número inteiro de 1 a 3600."},
        {{"--seconds", "10s"}, "--seconds exige um número inteiro de 1 a 3600."},
        {{"--think", "-1"}, "--think exige um número inteiro de 0 a 60000."},
        {{"--per-period", "0"}, "--per-period exige um número inteiro de 1 a 1000."},
        {{"--topologies", "mysql"}, "Topologia desconhecida em --topologies: mysql"},
        {{"--topologies", "sqlite,postgresql"}, "postgresql exige --pg"},
        {{"--pg", "sqlite:/tmp/x.db"}, "--pg exige postgresql://"},
        {{"--rapido"}, "Opção desconhecida: --rapido"},
        {{"--seconds"}, "--seconds exige um valor."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const Read r = read(c.args);
        EXPECT_TRUE(r.problem.startsWith(QString::fromUtf8(c.says))) << r.problem.toStdString();
    }
}

TEST(LoadBenchCommandLine, AsTheUserRunsIt) {
    const auto run = [](const QStringList& args) {
        QProcess process;
        process.start(QStringLiteral(ZEL_BENCH_LOAD_BIN), args);
        if (!process.waitForFinished(30000)) {
            process.kill();
            process.waitForFinished();
        }
        return std::tuple{process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                          QString::fromUtf8(process.readAllStandardError())};
    };
    const auto [helpCode, help, helpErr] = run({"--help"});
    EXPECT_EQ(helpCode, 0);
    EXPECT_TRUE(help.startsWith("Uso: bench_load [opções]\n")) << help.toStdString();
    for (const char* option : {"--desktops N[,N...]", "--seconds N", "--think MS",
                               "--topologies LISTA", "--pg URL", "--periods N"})
        EXPECT_TRUE(help.contains(QString::fromUtf8(option))) << option;

    const auto [code, out, err] = run({"--desktops", "1,x"});
    EXPECT_EQ(code, 2);
    EXPECT_TRUE(err.startsWith("bench_load: --desktops exige números inteiros"))
        << err.toStdString();
    EXPECT_TRUE(err.contains("Use \"bench_load --help\" para ver as opções.")) << err.toStdString();
    EXPECT_TRUE(out.isEmpty()) << "nothing measured: " << out.toStdString();
}
