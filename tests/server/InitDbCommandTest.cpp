// zel-appserver init-db: exit codes and what it refuses to do.
#include "server/InitDbCommand.h"
#include "tests/support/TestDatabases.h"

#include <gtest/gtest.h>

#include <QProcess>
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

} // namespace
