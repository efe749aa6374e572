// The load benchmark's desktops against a real zel-appserver on a database seeded by
// LoadSeed, on every engine: the calls go through as the server takes them, each period is
// computed once into one invoice per leg, and a desktop whose periods ran out stops
// computing instead of failing.
#include "bench/LoadDesktop.h"
#include "bench/LoadSeed.h"
#include "bench/ServerProcess.h"
#include "db/TDatabase.h"
#include "tests/support/TestDatabases.h"

#include <gtest/gtest.h>

#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>

#include <atomic>
#include <memory>
#include <vector>

namespace {

class LoadDesktopTest : public TestDatabases::EngineTest {
protected:
    QList<LoadCompany> seed(int companies, int periods, int perPeriod) {
        ServerProcess::run(QStringLiteral(ZEL_APPSERVER_PATH), {QStringLiteral("init-db"), url()});
        TDatabase db;
        db.open(url());
        return LoadSeed::write(db.database(), companies, periods, perPeriod);
    }

    // Runs one desktop per company until each has ended `cycles` cycles (30 s at most).
    std::vector<std::unique_ptr<LoadDesktop>> runDesktops(const QList<LoadCompany>& companies,
                                                          int cycles) {
        ServerProcess server(QStringLiteral(ZEL_APPSERVER_PATH), url(), m_log.filePath("log"));
        std::vector<std::unique_ptr<LoadDesktop>> desktops;
        for (int i = 0; i < companies.size(); ++i)
            desktops.push_back(
                std::make_unique<LoadDesktop>(i + 1, companies[i], server.port(), 0));
        std::atomic<bool> stop{false};
        std::vector<std::unique_ptr<QThread>> threads;
        for (auto& desktop : desktops) {
            LoadDesktop* d = desktop.get();
            threads.emplace_back(QThread::create([d, &stop] { d->run(stop); }));
            threads.back()->start();
        }
        const auto done = [&] {
            for (const auto& d : desktops) {
                if (d->cyclesEnded() < cycles)
                    return false;
            }
            return true;
        };
        for (int waited = 0; !done() && waited < 30000; waited += 20)
            QThread::msleep(20);
        stop = true;
        for (auto& thread : threads)
            thread->wait();
        return desktops;
    }

    qint64 count(const QString& sql) {
        TDatabase db;
        db.open(url());
        QSqlQuery query(db.database());
        EXPECT_TRUE(query.exec(sql) && query.next()) << sql.toStdString();
        return query.value(0).toLongLong();
    }

    QTemporaryDir m_log;
};

TEST_P(LoadDesktopTest, EachPeriodComputedOnceIntoOneInvoicePerLeg) {
    const QList<LoadCompany> companies = seed(3, 50, 2);
    const auto desktops = runDesktops(companies, 4);
    qint64 computed = 0;
    for (const auto& d : desktops) {
        EXPECT_EQ(d->errors(), 0) << d->errorTexts().join(" | ").toStdString();
        EXPECT_GE(d->computations().count(), 4);
        // GetDiretorios, GetFormemIsNF, GetUltimoNrPedido, GetVooTrecho, GetPerFecham,
        // GetCtrlApurFat and GetNotaFiscal around each computation.
        EXPECT_GE(d->smallCalls().count(), 7 * d->computations().count() - 1);
        // Two deliveries a period on two legs of their own flight numbers.
        EXPECT_EQ(d->invoices(), 2 * d->computations().count())
            << "one invoice per flight, the viewer showing this computation's";
        EXPECT_EQ(d->emptyPeriods(), 0);
        computed += d->computations().count();
    }
    EXPECT_EQ(count("SELECT COUNT(*) FROM CTRLAPURFAT WHERE IDSTATUS = 'F'"), computed);
    EXPECT_EQ(count("SELECT COUNT(*) FROM CTRLAPURFAT WHERE IDSTATUS <> 'F'"), 0);
    EXPECT_EQ(count("SELECT COUNT(*) FROM DELIVERY WHERE NRAPURACFAT IS NOT NULL"), 2 * computed);
    // Every computation took a period of its own company that none had taken before.
    EXPECT_EQ(count("SELECT COUNT(*) FROM (SELECT DISTINCT CDCIA, DTINIAPURAC FROM CTRLAPURFAT) "
                    "AS P"),
              computed);
    // The carrier each screen keeps was sent back with every computation and stays.
    EXPECT_EQ(count("SELECT COUNT(*) FROM DIRETORIOS WHERE DSDIRETORIO = 'J11222333000181'"), 3);
}

TEST_P(LoadDesktopTest, PeriodsRunOutWithoutFailing) {
    const QList<LoadCompany> companies = seed(1, 2, 1);
    const auto desktops = runDesktops(companies, 5);
    const LoadDesktop& d = *desktops.front();
    EXPECT_EQ(d.errors(), 0) << d.errorTexts().join(" | ").toStdString();
    EXPECT_EQ(d.computations().count(), 2);
    EXPECT_GE(d.emptyPeriods(), 3);
    EXPECT_EQ(count("SELECT COUNT(*) FROM CTRLAPURFAT"), 2);
}

ZEL_ALL_ENGINES(LoadDesktopTest);

} // namespace
