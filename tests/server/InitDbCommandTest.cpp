// zel-appserver init-db: exit codes and what it refuses to do.
#include "server/InitDbCommand.h"
#include "db/TDatabase.h"
#include "tests/support/TestDatabases.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>

using TestDatabases::EngineTest;

namespace {

struct Result {
    int code;
    QString out;
    QString err;
};

Result initDb(const QStringList& args) {
    Result r;
    QTextStream out(&r.out);
    QTextStream err(&r.err);
    r.code = InitDbCommand::run(args, out, err);
    return r;
}

TEST(InitDbCommandTest, BadArgumentsGiveTheUsageAndCode2) {
    QTemporaryDir dir;
    const QString url = "sqlite:" + dir.filePath("x.db");
    for (const QStringList& args :
         {QStringList{}, QStringList{url, "--fixtur", "basic"},
          QStringList{url, "--demo", "--fixture", "basic"},
          QStringList{url, "--deliveries", "muitas"}, QStringList{url, "--deliveries", "-5"},
          QStringList{url, "--fixture"}, QStringList{url, "--fixture", "nenhum"},
          QStringList{url, "outro"}, QStringList{url, "--deliveries-of", "0001/0001"},
          QStringList{url, "--deliveries", "5", "--deliveries-of", "0001"},
          QStringList{url, "--deliveries", "5", "--deliveries-of"}}) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const Result r = initDb(args);
        EXPECT_EQ(r.code, InitDbCommand::badUsage);
        EXPECT_TRUE(r.err.contains("init-db URL")) << r.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(dir.filePath("x.db"))) << "nothing is created on bad arguments";
}

TEST(InitDbCommandTest, FailuresGiveCode1) {
    QTemporaryDir dir;
    Result r = initDb({"mysql://u@h/db"});
    EXPECT_EQ(r.code, InitDbCommand::failed);
    EXPECT_TRUE(r.err.contains("tipo de banco desconhecido"));
    r = initDb({"sqlite:" + dir.filePath("pasta/que/falta.db")});
    EXPECT_EQ(r.code, InitDbCommand::failed);
    EXPECT_TRUE(r.err.startsWith("Não foi possível abrir o banco de dados"));
}

class InitDbEngineTest : public EngineTest {};

TEST_P(InitDbEngineTest, CreatesOnceAndThenLeavesTheDatabaseAlone) {
    Result r = initDb({url(), "--fixture", "basic"});
    ASSERT_EQ(r.code, InitDbCommand::ok) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("criado")) << r.out.toStdString();
    r = initDb({url(), "--demo"});
    EXPECT_EQ(r.code, InitDbCommand::failed);
    EXPECT_TRUE(r.err.contains("já contém tabelas do sistema")) << r.err.toStdString();
    r = initDb({url()});
    EXPECT_EQ(r.code, InitDbCommand::failed);
}

// The planner finds the statistics a database in use has: the deliveries' indexes on
// SQLite, the vacuumed and analysed tables on PostgreSQL.
TEST_P(InitDbEngineTest, LeavesTheStatisticsOfADatabaseInUse) {
    const Result r = initDb({url(), "--demo", "--deliveries", "3000"});
    ASSERT_EQ(r.code, InitDbCommand::ok) << r.err.toStdString();
    TDatabase db;
    db.open(url());
    QSqlQuery query(db.database());
    if (db.dialect() == TDialect::SQLite) {
        ASSERT_TRUE(query.exec("SELECT COUNT(*) FROM sqlite_stat1 WHERE tbl = 'DELIVERY' "
                               "AND idx = 'DELIVERY_ABERTA'"));
    } else {
        ASSERT_TRUE(query.exec("SELECT COUNT(*) FROM pg_stat_user_tables WHERE relname = "
                               "'delivery' AND last_analyze IS NOT NULL AND last_vacuum IS NOT "
                               "NULL"));
    }
    ASSERT_TRUE(query.next());
    EXPECT_EQ(query.value(0).toInt(), 1);
}

ZEL_ALL_ENGINES(InitDbEngineTest);

// The executable's command table: unknown commands and no command are usage errors.
TEST(AppServerExecutableTest, CommandTableAndExitCodes) {
    QTemporaryDir dir;
    auto run = [](const QStringList& args) {
        QProcess p;
        p.start(QStringLiteral(ZEL_APPSERVER_PATH), args);
        p.waitForFinished(60000);
        return std::pair{p.exitCode(), QString::fromUtf8(p.readAllStandardError())};
    };
    auto [code, err] = run({});
    EXPECT_EQ(code, 2);
    EXPECT_TRUE(err.contains("Uso: zel-appserver")) << err.toStdString();
    std::tie(code, err) = run({"servir"});
    EXPECT_EQ(code, 2);
    EXPECT_TRUE(err.contains("Comando desconhecido: servir"));
    std::tie(code, err) = run({"init-db", "sqlite:" + dir.filePath("e.db")});
    EXPECT_EQ(code, 0) << err.toStdString();
    std::tie(code, err) = run({"init-db", "sqlite:" + dir.filePath("e.db")});
    EXPECT_EQ(code, 1);
}

// Every command answers --help and --version on standard output and exits with 0.
TEST(AppServerExecutableTest, HelpAndVersionOfEveryCommand) {
    const auto run = [](const QStringList& args) {
        QProcess p;
        p.start(QStringLiteral(ZEL_APPSERVER_PATH), args);
        p.waitForFinished(60000);
        return std::tuple{p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
                          QString::fromUtf8(p.readAllStandardError())};
    };
    const struct {
        QStringList args;
        const char* usage;
    } helps[] = {
        {{"--help"}, "Uso: zel-appserver COMANDO [argumentos]\n"},
        {{"init-db", "--help"}, "Uso: zel-appserver init-db URL [opções]\n"},
        {{"serve", "--help"}, "Uso: zel-appserver serve --db URL | --config ARQUIVO [opções]\n"},
        {{"check-config", "--help"}, "Uso: zel-appserver check-config ARQUIVO\n"},
        {{"cancel", "--help"}, "Uso: zel-appserver cancel --db URL NRAPURACFAT [opções]\n"},
        // Help wins over the values the command would refuse.
        {{"serve", "--db", "mysql://x", "-h"}, "Uso: zel-appserver serve"},
    };
    for (const auto& h : helps) {
        SCOPED_TRACE(h.args.join(' ').toStdString());
        const auto [code, out, err] = run(h.args);
        EXPECT_EQ(code, 0);
        EXPECT_TRUE(out.startsWith(QString::fromUtf8(h.usage))) << out.toStdString();
        EXPECT_TRUE(err.isEmpty()) << err.toStdString();
    }
    const auto [code, out, err] = run({"--help"});
    for (const char* command :
         {"init-db URL", "serve --db URL", "cancel --db URL", "check-config ARQUIVO"})
        EXPECT_TRUE(out.contains(QString::fromUtf8(command))) << command;
    for (const QStringList& args : {QStringList{"--version"}, QStringList{"serve", "--version"}}) {
        const auto [vcode, vout, verr] = run(args);
        EXPECT_EQ(vcode, 0);
        EXPECT_TRUE(vout.startsWith("zel-appserver ")) << vout.toStdString();
        EXPECT_EQ(vout.count('\n'), 1);
    }
    const auto [ucode, uout, uerr] = run({"cancel", "--lease", "-1", "--db", "sqlite:x.db", "1"});
    EXPECT_EQ(ucode, 2);
    EXPECT_TRUE(uerr.startsWith("zel-appserver cancel: --lease exige um número de segundos "
                                "não negativo.\nUso: zel-appserver cancel"))
        << uerr.toStdString();
}

} // namespace
