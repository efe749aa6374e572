// Two sessions on one database, and a server that dies in the middle of a computation.
#include "MethodsFixture.h"

#include "server/CancelCommand.h"
#include "server/SeedData.h"

#include <atomic>
#include <csignal>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSemaphore>
#include <QThread>
#include <thread>

namespace {

const char* kKillEnv = "ZEL_KILL_MIDWAY_DB";

QString blockedText() {
    return QChar(0x00BF) + QStringLiteral("Deliv_Bloq") + QString(20, ' ') + "*";
}

} // namespace

using Concurrency = MethodsTest;

TEST_P(Concurrency, SecondSessionOnTheSameCompanyIsBlocked) {
    QSemaphore firstInside;
    QSemaphore secondDone;
    QString firstResult;
    std::thread first([&] {
        TDatabase database;
        database.open(url());
        TrdmApuracaoZel other(database.database(), {});
        QList<RemoteValue> args = billing("0001", "0001", "CLI000000001");
        bool waited = false;
        try {
            firstResult = other
                              .call("CalculaApuracao", args,
                                    [&](qint64, qint64, const QString&) {
                                        if (waited)
                                            return;
                                        waited = true;
                                        firstInside.release();
                                        secondDone.tryAcquire(1, 20000);
                                    })
                              .toString();
        } catch (const std::exception& e) {
            firstResult = QString::fromUtf8(e.what());
        }
    });
    ASSERT_TRUE(firstInside.tryAcquire(1, 20000));
    const QString second = failure("CalculaApuracao", billing("0001", "0001", "CLI000000001"));
    secondDone.release();
    first.join();
    EXPECT_EQ(second, blockedText());
    EXPECT_EQ(firstResult, "0000000003");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM CTRLAPURFAT WHERE CDCIA = '0001' AND IDSTATUS = 'F'")
                  .toLongLong(),
              2);
    EXPECT_EQ(billingFaults(), 0);
}

TEST_P(Concurrency, FreeRaceNeverBillsTwice) {
    // Both start together on two fresh companies' worth of work: whatever the order, each
    // delivery ends in at most one computation.
    for (int round = 0; round < 3; ++round) {
        QStringList results(2);
        QSemaphore go;
        std::vector<std::thread> threads;
        for (int i = 0; i < 2; ++i) {
            threads.emplace_back([&, i] {
                TDatabase database;
                database.open(url());
                TrdmApuracaoZel s(database.database(), {});
                QList<RemoteValue> args = billing("0001", "0002", "CLI000000002");
                go.acquire();
                try {
                    results[i] = s.call("CalculaApuracao", args).toString();
                } catch (const std::exception& e) {
                    results[i] = QString::fromUtf8(e.what());
                }
            });
        }
        go.release(2);
        for (std::thread& t : threads)
            t.join();
        for (const QString& r : results)
            EXPECT_TRUE(r == blockedText() || r.size() == 10) << r.toStdString();
        exec("UPDATE DELIVERY SET NRAPURACFAT = NULL, NRLANCTONF = NULL WHERE CDCIA = '0002'");
        exec("DELETE FROM NOTAFISCAL WHERE CDCIA = '0002'");
    }
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM CTRLAPURFAT WHERE IDSTATUS <> 'F' AND CDCIA = '0002'")
                  .toLongLong(),
              0);
    EXPECT_EQ(billingFaults(), 0);
}

// The race the first check cannot see: this session passed it before another registered,
// and that one's computation already holds its row when this one gets the counter. It is
// refused at once, registers nothing, and keeps no other registration waiting behind it.
TEST_P(Concurrency, TheLoserOfARaceIsRefusedAtOnceAndHoldsNoCounter) {
    if (engine() != TestDatabases::Engine::PostgreSQL)
        GTEST_SKIP() << "SQLite writes one transaction at a time";
    exec("INSERT INTO NUMERADOR (CDFILIAL, NMSEQ, NRULTIMO) VALUES ('*', 'APURACAO', 2) "
         "ON CONFLICT DO NOTHING");
    TDatabase counterHolder, computation;
    counterHolder.open(url());
    computation.open(url());
    QSqlQuery holder(counterHolder.database());
    ASSERT_TRUE(holder.exec("BEGIN"));
    ASSERT_TRUE(holder.exec("UPDATE NUMERADOR SET NRULTIMO = NRULTIMO "
                            "WHERE CDFILIAL = '*' AND NMSEQ = 'APURACAO'"));

    QString loser;
    QElapsedTimer sinceRelease;
    qint64 loserMs = -1;
    std::thread session([&] {
        TDatabase database;
        database.open(url());
        TrdmApuracaoZel s(database.database(), {});
        QList<RemoteValue> args = billing("0001", "0001", "CLI000000001");
        try {
            loser = s.call("CalculaApuracao", args).toString();
        } catch (const std::exception& e) {
            loser = QString::fromUtf8(e.what());
        }
        loserMs = sinceRelease.elapsed();
    });
    // Past its checks, it waits for the counter (its statement is a prepared one).
    const QDeadlineTimer deadline(10000);
    while (scalar("SELECT COUNT(*) FROM pg_stat_activity WHERE wait_event_type = 'Lock' "
                  "AND datname = current_database()")
                   .toLongLong() == 0 &&
           !deadline.hasExpired())
        QThread::msleep(20);
    EXPECT_FALSE(deadline.hasExpired()) << "the session never waited for the counter";
    // Meanwhile another registered the company, and its computation holds its row.
    QSqlQuery winner(computation.database());
    EXPECT_TRUE(winner.exec(
        "INSERT INTO CTRLAPURFAT (NRAPURACFAT, IDTIPAPUR, CDFILIALTRAB, CDFILIAL, CDCIA, "
        "CDCLIENTE, IDSTATUS, DTHRINICIO) VALUES ('0000000900', 'F', '0001', '0001', '0001', "
        "'CLI000000001', 'P', CURRENT_TIMESTAMP)"));
    EXPECT_TRUE(winner.exec("BEGIN"));
    EXPECT_TRUE(
        winner.exec("UPDATE CTRLAPURFAT SET IDSTATUS = 'P' WHERE NRAPURACFAT = '0000000900'"));
    sinceRelease.start();
    EXPECT_TRUE(holder.exec("ROLLBACK"));

    // Another company registers and computes while that computation still runs.
    QElapsedTimer other;
    other.start();
    EXPECT_EQ(call("CalculaApuracao", billing("0001", "0002", "CLI000000002")).toString().size(),
              10);
    EXPECT_LT(other.elapsed(), 1500) << "no counter is held for that computation";
    // Without a refusal of its own the session would wait for the computation's end.
    QThread::msleep(2000);
    EXPECT_TRUE(winner.exec("ROLLBACK"));
    session.join();
    EXPECT_EQ(loser, blockedText());
    EXPECT_GE(loserMs, 0);
    EXPECT_LT(loserMs, 2000) << "refused at once, not after the computation";
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM CTRLAPURFAT WHERE CDCIA = '0001' AND IDSTATUS = 'P' "
                     "AND NRAPURACFAT <> '0000000900'")
                  .toLongLong(),
              0)
        << "the loser registered nothing";
}

// Registrations of one branch and company are ordered by its CIAFILI row, held by a
// registration until its commit; meanwhile any other company registers and computes, and
// the waiting one goes on as soon as the row is free.
TEST_P(Concurrency, ARegistrationWaitsOnlyForItsOwnCompany) {
    if (engine() != TestDatabases::Engine::PostgreSQL)
        GTEST_SKIP() << "SQLite writes one transaction at a time";
    TDatabase registering;
    registering.open(url());
    QSqlQuery holder(registering.database());
    ASSERT_TRUE(holder.exec("BEGIN"));
    ASSERT_TRUE(holder.exec("SELECT 1 FROM CIAFILI WHERE CDFILIAL = '0001' AND CDCIA = '0001' "
                            "FOR NO KEY UPDATE"));

    QString sameCompany;
    std::atomic<bool> sameDone{false};
    std::thread session([&] {
        TDatabase database;
        database.open(url());
        TrdmApuracaoZel s(database.database(), {});
        QList<RemoteValue> args = billing("0001", "0001", "CLI000000001");
        try {
            sameCompany = s.call("CalculaApuracao", args).toString();
        } catch (const std::exception& e) {
            sameCompany = QString::fromUtf8(e.what());
        }
        sameDone = true;
    });
    const QDeadlineTimer deadline(10000);
    while (scalar("SELECT COUNT(*) FROM pg_stat_activity WHERE wait_event_type = 'Lock' "
                  "AND datname = current_database()")
                   .toLongLong() == 0 &&
           !deadline.hasExpired())
        QThread::msleep(20);
    EXPECT_FALSE(deadline.hasExpired()) << "the same company's registration did not wait";

    QElapsedTimer other;
    other.start();
    const QString otherNr =
        call("CalculaApuracao", billing("0001", "0002", "CLI000000002")).toString();
    EXPECT_EQ(otherNr.size(), 10) << otherNr.toStdString();
    EXPECT_LT(other.elapsed(), 1500) << "another company's registration waited";
    EXPECT_FALSE(sameDone) << "the same company's registration went on before the commit";

    EXPECT_TRUE(holder.exec("COMMIT"));
    session.join();
    EXPECT_EQ(sameCompany.size(), 10) << sameCompany.toStdString();
    EXPECT_NE(sameCompany, otherNr);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM CTRLAPURFAT WHERE IDSTATUS = 'F' AND "
                     "NRAPURACFAT IN ('" +
                     sameCompany + "', '" + otherNr + "')")
                  .toLongLong(),
              2);
    EXPECT_EQ(billingFaults(), 0);
}

// A session computing in another thread, paused at its first progress report that
// `pauseAt` accepts until the test lets it go on; its result or failure text is kept.
class PausedSession {
public:
    PausedSession(const QString& url, const QString& method, QList<RemoteValue> args,
                  std::function<bool(const QString&)> pauseAt)
        : m_thread([=, this] {
            TDatabase database;
            database.open(url);
            TrdmApuracaoZel s(database.database(), {});
            QList<RemoteValue> a = args;
            bool paused = false;
            try {
                result = s.call(method, a, [&](qint64, qint64, const QString& text) {
                              if (paused || !pauseAt(text))
                                  return;
                              paused = true;
                              m_inside.release();
                              m_goOn.tryAcquire(1, 20000);
                          }).toString();
            } catch (const std::exception& e) {
                result = QString::fromUtf8(e.what());
            }
            m_inside.release();
        }) {}
    ~PausedSession() { finish(); }

    bool waitUntilPaused() { return m_inside.tryAcquire(1, 20000); }
    void finish() {
        m_goOn.release();
        if (m_thread.joinable())
            m_thread.join();
    }

    QString result;

private:
    QSemaphore m_inside;
    QSemaphore m_goOn;
    std::thread m_thread;
};

// Another company's computation while one is between its invoice numbers and its commit,
// or while a fee computation inserts its invoices: no counter of theirs is still locked.
TEST_P(Concurrency, NoCounterIsHeldWhileAComputationRuns) {
    if (engine() != TestDatabases::Engine::PostgreSQL)
        GTEST_SKIP() << "SQLite writes one transaction at a time";
    const auto otherCompany = [&] {
        QElapsedTimer timer;
        timer.start();
        const QString nr =
            call("CalculaApuracao", billing("0001", "0002", "CLI000000002")).toString();
        EXPECT_EQ(nr.size(), 10) << nr.toStdString();
        exec("UPDATE DELIVERY SET NRAPURACFAT = NULL, NRLANCTONF = NULL WHERE CDCIA = '0002'");
        exec("DELETE FROM NOTAFISCAL WHERE CDCIA = '0002'");
        return timer.elapsed();
    };
    {
        PausedSession running(url(), "CalculaApuracao", billing("0001", "0001", "CLI000000001"),
                              // The first report comes once its invoices are numbered.
                              [](const QString&) { return true; });
        ASSERT_TRUE(running.waitUntilPaused());
        EXPECT_LT(otherCompany(), 1500) << "behind the invoice counter of a billing";
        running.finish();
        EXPECT_EQ(running.result.size(), 10) << running.result.toStdString();
    }
    EXPECT_EQ(billingFaults(), 0);
    // An invoice of no deliveries, to be charged a fee.
    exec("INSERT INTO NOTAFISCAL (NRLANCTONF, CDFILIAL, NRAPURACFAT, CDCLIENTE, CDCIA, CDSERIE, "
         "DTENTRSAID, VRNOTAFISC, VRTTMOEDESTR, IDEMITIDA) VALUES ('0000000777', '0001', "
         "'0000000001', 'CLI000000001', '0001', '1', '2024-02-05', 10000, 0, 'N')");
    const QList<RemoteValue> fee{"0001", "CLI000000001",   QDate(2024, 1, 1),  QDate(2024, 1, 31),
                                 "0001", "0001",           QDate(2024, 2, 20), "1",
                                 "J",    "11222333000181", "TAXAAERO",         "_0000000777_"};
    PausedSession fees(url(), "CalcApuracTaxa", fee,
                       [](const QString& text) { return text.startsWith("Apuração"); });
    ASSERT_TRUE(fees.waitUntilPaused());
    EXPECT_LT(otherCompany(), 1500) << "behind the computation counter of a fee computation";
    fees.finish();
    EXPECT_TRUE(fees.result.startsWith("NSEQ")) << fees.result.toStdString();
    EXPECT_EQ(
        scalar("SELECT COUNT(*) FROM NOTAFISCAL WHERE NRLANCTONFORIG = '0000000777'").toLongLong(),
        1);
}

// Run in a child process by the test below: computes and is killed halfway, after the
// first invoice and its deliveries were written but before the commit.
TEST(KillMidway, Child) {
    const QString url = qEnvironmentVariable(kKillEnv);
    if (url.isEmpty())
        GTEST_SKIP() << "only as the child of Concurrency.KilledServerLeavesNothingHalfWritten";
    TDatabase database;
    database.open(url);
    TrdmApuracaoZel s(database.database(), {});
    QList<RemoteValue> args = MethodsTest::billing("0001", "0001", "CLI000000001");
    s.call("CalculaApuracao", args, [](qint64 done, qint64, const QString&) {
        if (done > 0)
            std::raise(SIGKILL);
    });
    FAIL() << "the computation was not killed";
}

// A delivery added while a computation runs, of an invoice it counted or of a flight it
// did not, fails it whole: nothing marked, no invoice left. A small selection is marked by
// ranges of days; one of most of the table (and the table analysed) by ranges of pages, of
// which the last goes on to where a new row is written.
TEST_P(Concurrency, ADeliveryAddedMeanwhileFailsTheComputation) {
    if (engine() != TestDatabases::Engine::PostgreSQL)
        GTEST_SKIP() << "SQLite writes one transaction at a time";
    const struct {
        const char* flight;
        const char* destination;
        bool wholeTable;
    } cases[] = {{"1010", "REC", false}, {"3030", "MAO", false}, {"1010", "REC", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.flight) + (c.wholeTable ? " by pages" : " by days"));
        auto args = billing("0001", "0001", "CLI000000001");
        if (c.wholeTable) {
            ASSERT_EQ(SeedData(db()).deliveries(6000, QStringLiteral("0001/0001")), 6000);
            exec("ANALYZE DELIVERY");
            args[Args::DeliveryPeriodStart] = QDate(2024, 6, 1);
            args[Args::DeliveryPeriodEnd] = QDate(2026, 12, 31);
        }
        {
            PausedSession running(url(), "CalculaApuracao", args,
                                  [](const QString&) { return true; });
            ASSERT_TRUE(running.waitUntilPaused());
            exec(QStringLiteral("INSERT INTO DELIVERY (NRDELIVERY, CDFILIAL, CDCIA, DTDELIVERY, "
                                "NRVOO, SGBASEORI, SGBASEDES, CDLOCAFATCIA, VRSERVICO, "
                                "VRMOEDESTR, NRFATURAMENTO) VALUES ('DX0000000001', '0001', "
                                "'0001', '%3', '%1', 'GRU', '%2', 'GRU-TECA', 100, 20, "
                                "'FTX000000001')")
                     .arg(c.flight, c.destination, c.wholeTable ? "2025-01-20" : "2024-02-20"));
            running.finish();
            EXPECT_TRUE(running.result.startsWith("Falha na apuração "))
                << running.result.toStdString();
            EXPECT_TRUE(running.result.endsWith(": deliveries incluídas durante o cálculo"))
                << running.result.toStdString();
        }
        EXPECT_EQ(scalar("SELECT COUNT(*) FROM DELIVERY WHERE CDCIA = '0001' AND DTDELIVERY "
                         ">= '2024-02-01' AND NRAPURACFAT IS NOT NULL AND NRAPURACFAT IN "
                         "(SELECT NRAPURACFAT FROM CTRLAPURFAT WHERE IDSTATUS = 'E')")
                      .toLongLong(),
                  0);
        EXPECT_EQ(scalar("SELECT COUNT(*) FROM NOTAFISCAL N JOIN CTRLAPURFAT C ON "
                         "C.NRAPURACFAT = N.NRAPURACFAT WHERE C.IDSTATUS = 'E'")
                      .toLongLong(),
                  0);
        exec("DELETE FROM DELIVERY WHERE NRDELIVERY = 'DX0000000001'");
    }
}

TEST_P(Concurrency, KilledServerLeavesNothingHalfWritten) {
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(kKillEnv, url());
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=KillMidway.Child"});
    ASSERT_TRUE(child.waitForFinished(60000));
    ASSERT_EQ(child.exitStatus(), QProcess::CrashExit)
        << child.readAllStandardOutput().toStdString();

    EXPECT_EQ(
        scalar("SELECT IDSTATUS FROM CTRLAPURFAT WHERE NRAPURACFAT = '0000000003'").toString(),
        "P");
    EXPECT_EQ(
        scalar("SELECT COUNT(*) FROM NOTAFISCAL WHERE NRAPURACFAT = '0000000003'").toLongLong(), 0);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM DELIVERY WHERE NRAPURACFAT = '0000000003'").toLongLong(),
              0);
    // Within the lease it still counts as running.
    EXPECT_EQ(failure("CalculaApuracao", billing("0001", "0001", "CLI000000001")), blockedText());
    EXPECT_TRUE(packet(call("GetCtrlApurFat", {"CLI000000001"})).rows.empty());
    EXPECT_THROW(CancelCommand::cancel(db(), "0000000003", 900), Exception);

    // Past the lease (0 here) it is reported as interrupted and may be cancelled.
    TrdmApuracaoZel expired(db(), ServerOptions{0});
    QList<RemoteValue> args = {"CLI000000001"};
    const TDataPacket listed = expired.call("GetCtrlApurFat", args).dataPacket();
    ASSERT_EQ(listed.rows.size(), 1u);
    EXPECT_EQ(cell(listed, 0, "NRAPURACFAT").toString(), "0000000003");
    EXPECT_EQ(cell(listed, 0, "IDSTATUS").toString(), "P");
    CancelCommand::cancel(db(), "0000000003", 0);
    EXPECT_EQ(
        scalar("SELECT IDSTATUS FROM CTRLAPURFAT WHERE NRAPURACFAT = '0000000003'").toString(),
        "C");
    EXPECT_THROW(CancelCommand::cancel(db(), "0000000003", 0), Exception);
    EXPECT_EQ(call("CalculaApuracao", billing("0001", "0001", "CLI000000001")).toString(),
              "0000000004");
    EXPECT_EQ(billingFaults(), 0);
}

ZEL_ALL_ENGINES(Concurrency);
