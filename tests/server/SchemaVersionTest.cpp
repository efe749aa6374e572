// Databases made by earlier versions keep working: their schema is brought up to date in
// one transaction by whoever serves them, and a newer one is refused untouched.
#include "server/SchemaVersion.h"

#include "db/TDatabase.h"
#include "server/Schema.h"
#include "server/SeedData.h"
#include "server/ServerFailure.h"
#include "server/SqlScript.h"
#include "server/TrdmApuracaoZel.h"
#include "tests/support/TestDatabases.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QMutex>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <thread>

#include <signal.h>

using protocol::RemoteValue;
using TestDatabases::Engine;
using TestDatabases::EngineTest;

namespace {

const QString kNewer =
    QStringLiteral("Banco de dados na versão 5; este servidor conhece até a versão 4.");
const QString kUpgraded = QStringLiteral("Banco de dados atualizado da versão 1 para a versão 4.");

QString versionOneScript(Engine engine) {
    QFile file(QStringLiteral(ZEL_SERVER_TEST_DIR "/fixtures/schema_v1_%1.sql")
                   .arg(engine == Engine::SQLite ? "sqlite" : "postgresql"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    return QString::fromUtf8(file.readAll());
}

struct Outcome {
    int code;
    QString out;
    QString err;
};

Outcome appserver(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(ZEL_APPSERVER_PATH), args);
    EXPECT_TRUE(p.waitForFinished(60000));
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

class SchemaVersionTest : public EngineTest {
protected:
    void TearDown() override {
        db.close();
        EngineTest::TearDown();
    }

    // A database as the code before versions made it, with the test data in it.
    void createVersionOne() {
        db.open(url(), TDatabase::OpenMode::CreateIfMissing);
        ASSERT_TRUE(db.database().transaction());
        SqlScript::run(db.database(), versionOneScript(engine()));
        SeedData(db.database()).fixture(QStringLiteral("basic"));
        ASSERT_TRUE(db.database().commit());
    }

    void exec(const QString& sql) {
        QSqlQuery q(db.database());
        ASSERT_TRUE(q.exec(sql)) << q.lastError().text().toStdString();
    }

    QVariant scalar(QSqlDatabase database, const QString& sql) {
        QSqlQuery q(database);
        EXPECT_TRUE(q.exec(sql)) << q.lastError().text().toStdString();
        return q.next() ? q.value(0) : QVariant();
    }

    // Name, type, nullability and default of every column, in order.
    QStringList columns(QSqlDatabase database, const QString& table) {
        QSqlQuery q(database);
        if (engine() == Engine::SQLite)
            EXPECT_TRUE(q.exec(QStringLiteral("PRAGMA table_info(%1)").arg(table)));
        else
            EXPECT_TRUE(q.exec(QStringLiteral("SELECT column_name, data_type, is_nullable, "
                                              "column_default FROM information_schema.columns "
                                              "WHERE table_schema = current_schema() AND "
                                              "table_name = '%1' ORDER BY ordinal_position")
                                   .arg(table.toLower())));
        QStringList result;
        while (q.next()) {
            QStringList parts;
            for (int i = 0; i < q.record().count(); ++i)
                parts.append(q.value(i).toString());
            result.append(parts.join('|'));
        }
        return result;
    }

    QStringList indexes(QSqlDatabase database) {
        QSqlQuery q(database);
        EXPECT_TRUE(q.exec(engine() == Engine::SQLite
                               ? QStringLiteral("SELECT name, sql FROM sqlite_master WHERE type = "
                                                "'index' AND sql IS NOT NULL ORDER BY name")
                               : QStringLiteral("SELECT indexname, indexdef FROM pg_indexes WHERE "
                                                "schemaname = current_schema() ORDER BY "
                                                "indexname")));
        QStringList result;
        while (q.next())
            result.append(q.value(0).toString() + ": " + q.value(1).toString().simplified());
        return result;
    }

    // Every table's references and checks, as the engine states them.
    QStringList constraints(QSqlDatabase database) {
        QStringList result;
        if (engine() == Engine::SQLite) {
            for (const QString& table : Schema::tableNames()) {
                QSqlQuery q(database);
                EXPECT_TRUE(q.exec(
                    QStringLiteral("SELECT * FROM pragma_foreign_key_list('%1')").arg(table)));
                while (q.next()) {
                    QStringList parts{table};
                    for (int i = 0; i < q.record().count(); ++i)
                        parts.append(q.value(i).toString());
                    result.append(parts.join('|'));
                }
            }
            return result;
        }
        QSqlQuery q(database);
        EXPECT_TRUE(q.exec(QStringLiteral(
            "SELECT conrelid::regclass::text, conname, pg_get_constraintdef(oid) FROM "
            "pg_constraint WHERE connamespace = current_schema()::regnamespace ORDER BY 1, 2")));
        while (q.next())
            result.append(q.value(0).toString() + "." + q.value(1).toString() + ": " +
                          q.value(2).toString());
        return result;
    }

    TDatabase db;
};

TEST_P(SchemaVersionTest, ANewDatabaseHasTheCurrentVersion) {
    db.open(url(), TDatabase::OpenMode::CreateIfMissing);
    EXPECT_EQ(SchemaVersion::of(db.database()), 0) << "no tables yet";
    EXPECT_EQ(SchemaVersion::bringUpToDate(db.database()), 0);
    EXPECT_TRUE(Schema::existingTables(db.database()).isEmpty()) << "an empty one is left alone";

    Schema::create(db.database(), db.dialect());
    EXPECT_EQ(SchemaVersion::of(db.database()), SchemaVersion::kCurrent);
    EXPECT_EQ(scalar(db.database(), "SELECT COUNT(*) FROM VERSAOESQUEMA").toInt(), 1);
    EXPECT_EQ(SchemaVersion::bringUpToDate(db.database()), SchemaVersion::kCurrent);
    EXPECT_EQ(scalar(db.database(), "SELECT NRVERSAO FROM VERSAOESQUEMA").toInt(),
              SchemaVersion::kCurrent);
}

// The upgraded tables are the ones a new database gets, the data is kept, and the new
// methods work on it.
TEST_P(SchemaVersionTest, AnOldDatabaseBecomesWhatANewOneIs) {
    createVersionOne();
    EXPECT_EQ(SchemaVersion::of(db.database()), 1);
    EXPECT_EQ(SchemaVersion::bringUpToDate(db.database()), 1);
    EXPECT_EQ(SchemaVersion::of(db.database()), SchemaVersion::kCurrent);

    TestDatabases::FreshDatabase fresh(engine());
    {
        TDatabase created;
        created.open(fresh.url(), TDatabase::OpenMode::CreateIfMissing);
        Schema::create(created.database(), created.dialect());
        for (const QString& table : Schema::tableNames() + QStringList{"VERSAOESQUEMA"})
            EXPECT_EQ(columns(db.database(), table), columns(created.database(), table))
                << table.toStdString();
        EXPECT_EQ(indexes(db.database()), indexes(created.database()));
        EXPECT_EQ(constraints(db.database()), constraints(created.database()));
    }

    EXPECT_EQ(scalar(db.database(), "SELECT COUNT(*) FROM CTRLAPURFAT WHERE CDUSUARIO = '' AND "
                                    "DTHRCANCEL IS NULL AND CDUSUCANC IS NULL")
                  .toInt(),
              2);
    EXPECT_EQ(scalar(db.database(), "SELECT COUNT(*) FROM DELIVERY").toInt(), 15);

    TrdmApuracaoZel session(db.database(), {}, QStringLiteral("ana"));
    QList<RemoteValue> billing = {"0001",
                                  "0001",
                                  "CLI000000001",
                                  QDate(2024, 2, 1),
                                  QDate(2024, 2, 29),
                                  QDate(2024, 3, 5),
                                  "0001",
                                  "",
                                  "T",
                                  "1",
                                  "J",
                                  "11222333000181",
                                  "",
                                  RemoteValue(),
                                  "",
                                  "_",
                                  ""};
    EXPECT_EQ(session.call("CalculaApuracao", billing).toString(), "0000000003");
    QList<RemoteValue> cancel{"1"};
    EXPECT_EQ(session.call("CancelaApuracao", cancel).toString(),
              "Apuração 0000000001 cancelada: 2 notas fiscais apagadas.");
    QList<RemoteValue> list{"0001", "", RemoteValue(), RemoteValue(), "", ""};
    const TDataPacket listed = session.call("GetApuracoes", list).dataPacket();
    ASSERT_EQ(listed.rows.size(), 3u);
    EXPECT_EQ(listed.rows[0][listed.fieldIndex("CDUSUARIO")].toString(), "ana");
    EXPECT_EQ(listed.rows[1][listed.fieldIndex("CDUSUCANC")].toString(), "ana");
}

TEST_P(SchemaVersionTest, ANewerDatabaseIsRefusedUntouched) {
    db.open(url(), TDatabase::OpenMode::CreateIfMissing);
    Schema::create(db.database(), db.dialect());
    exec(QStringLiteral("UPDATE VERSAOESQUEMA SET NRVERSAO = %1").arg(SchemaVersion::kCurrent + 1));
    const QStringList before = columns(db.database(), "CTRLAPURFAT");
    try {
        SchemaVersion::bringUpToDate(db.database());
        ADD_FAILURE() << "a newer database was accepted";
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), kNewer);
    }
    EXPECT_EQ(SchemaVersion::of(db.database()), SchemaVersion::kCurrent + 1);
    EXPECT_EQ(columns(db.database(), "CTRLAPURFAT"), before);
}

// An upgrade that fails halfway leaves the database exactly as it was.
TEST_P(SchemaVersionTest, AFailedUpgradeChangesNothing) {
    createVersionOne();
    // Its last column already there: the upgrade fails after adding the others.
    exec("ALTER TABLE CTRLAPURFAT ADD COLUMN CDUSUCANC VARCHAR(30)");
    const QStringList before = columns(db.database(), "CTRLAPURFAT");
    EXPECT_THROW(SchemaVersion::bringUpToDate(db.database()), Exception);
    EXPECT_EQ(columns(db.database(), "CTRLAPURFAT"), before);
    EXPECT_FALSE(db.database().tables().contains("VERSAOESQUEMA", Qt::CaseInsensitive));
    EXPECT_EQ(SchemaVersion::of(db.database()), 1);
}

// Two servers starting on one old database: one upgrades, the other finds it done.
TEST_P(SchemaVersionTest, ServersStartingTogetherUpgradeOnce) {
    createVersionOne();
    QString failures;
    QMutex mutex;
    std::vector<std::thread> servers;
    for (int i = 0; i < 2; ++i)
        servers.emplace_back([&] {
            try {
                TDatabase own;
                own.open(url());
                SchemaVersion::bringUpToDate(own.database());
            } catch (const std::exception& e) {
                QMutexLocker lock(&mutex);
                failures += QString::fromUtf8(e.what());
            }
        });
    for (std::thread& t : servers)
        t.join();
    EXPECT_TRUE(failures.isEmpty()) << failures.toStdString();
    EXPECT_EQ(SchemaVersion::of(db.database()), SchemaVersion::kCurrent);
    EXPECT_EQ(scalar(db.database(), "SELECT COUNT(*) FROM VERSAOESQUEMA").toInt(), 1);
}

// The two commands that open a database for work upgrade it or refuse it first.
TEST_P(SchemaVersionTest, ServeAndCancelUpgradeOrRefuse) {
    createVersionOne();
    db.close();
    Outcome r = appserver({"cancel", "--db", url(), "2"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "Apuração 0000000002 cancelada: 0 notas fiscais apagadas.\n");
    EXPECT_EQ(r.err, kUpgraded + "\n");

    db.open(url());
    EXPECT_EQ(SchemaVersion::of(db.database()), SchemaVersion::kCurrent);
    exec(QStringLiteral("UPDATE VERSAOESQUEMA SET NRVERSAO = %1").arg(SchemaVersion::kCurrent + 1));
    db.close();
    r = appserver({"cancel", "--db", url(), "1"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, kNewer + "\n");
    EXPECT_TRUE(r.out.isEmpty());
    r = appserver({"serve", "--db", url(), "--listen", "127.0.0.1:0"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, kNewer + "\n");

    db.open(url());
    EXPECT_EQ(scalar(db.database(), "SELECT IDSTATUS FROM CTRLAPURFAT WHERE NRAPURACFAT = "
                                    "'0000000001'")
                  .toString(),
              "F")
        << "the refused cancel changed nothing";
}

TEST_P(SchemaVersionTest, ServeUpgradesBeforeItListens) {
    createVersionOne();
    db.close();
    QProcess server;
    server.setReadChannel(QProcess::StandardError);
    server.start(QStringLiteral(ZEL_APPSERVER_PATH),
                 {"serve", "--db", url(), "--listen", "127.0.0.1:0"});
    QString err;
    const QDeadlineTimer deadline(20000);
    while (!err.contains("Servidor ouvindo em") && !deadline.hasExpired() &&
           server.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
        err += QString::fromUtf8(server.readAllStandardError());
    ::kill(pid_t(server.processId()), SIGTERM);
    ASSERT_TRUE(server.waitForFinished(10000));
    EXPECT_TRUE(err.startsWith(kUpgraded + "\nServidor ouvindo em 127.0.0.1:"))
        << err.toStdString();
    db.open(url());
    EXPECT_EQ(SchemaVersion::of(db.database()), SchemaVersion::kCurrent);
}

// A database the server cannot work on is refused before it listens, with a reason.
TEST_P(SchemaVersionTest, ServeRefusesADatabaseWithoutTheSchemaOrThatItCannotWrite) {
    db.open(url(), TDatabase::OpenMode::CreateIfMissing);
    const bool postgres = db.dialect() == TDialect::PostgreSQL;
    db.close();
    Outcome r = appserver({"serve", "--db", url(), "--listen", "127.0.0.1:0"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "O banco de dados não tem as tabelas do sistema; crie-o com "
                     "\"zel-appserver init-db\".\n");

    if (!postgres)
        return; // root writes any SQLite file; PostgreSQL can refuse every write
    db.open(url());
    Schema::create(db.database(), db.dialect());
    const QString name = url().section(u'/', -1).section(u'?', 0, 0);
    exec(QStringLiteral("ALTER DATABASE \"%1\" SET default_transaction_read_only = on").arg(name));
    db.close();
    r = appserver({"serve", "--db", url(), "--listen", "127.0.0.1:0"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.startsWith("O banco de dados não aceita gravação: ")) << r.err.toStdString();
    EXPECT_FALSE(r.err.contains("Servidor ouvindo")) << r.err.toStdString();
}

ZEL_ALL_ENGINES(SchemaVersionTest);

} // namespace
