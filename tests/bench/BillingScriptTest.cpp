// The benchmark's set-based script must leave exactly what the server's computation
// leaves on identical data, or its time is no yardstick.
#include "bench/BillingScript.h"
#include "core/Exception.h"
#include "db/TDatabase.h"
#include "protocol/CalculaApuracaoArgs.h"
#include "server/Schema.h"
#include "server/SeedData.h"
#include "server/TrdmApuracaoZel.h"
#include "tests/support/TestDatabases.h"

#include <gtest/gtest.h>
#include <memory>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

using protocol::RemoteValue;
using TestDatabases::FreshDatabase;

namespace {

constexpr qint64 kDeliveries = 400;

QStringList rows(const QSqlDatabase& db, const QString& sql) {
    QSqlQuery query(db);
    EXPECT_TRUE(query.exec(sql)) << query.lastError().text().toStdString();
    QStringList result;
    while (query.next()) {
        QStringList cells;
        for (int i = 0; i < query.record().count(); ++i)
            cells.append(query.value(i).toString());
        result.append(cells.join(QLatin1Char('|')));
    }
    return result;
}

} // namespace

// Two databases seeded alike: the server computes on one, the script on the other.
class BillingScriptTest : public TestDatabases::EngineTest {
protected:
    void SetUp() override {
        TestDatabases::EngineTest::SetUp();
        if (IsSkipped())
            return;
        m_otherDatabase = std::make_unique<FreshDatabase>(engine());
        seed(m_script, url());
        seed(m_server, m_otherDatabase->url());
    }

    void TearDown() override {
        m_script.close();
        m_server.close();
        m_otherDatabase.reset();
        TestDatabases::EngineTest::TearDown();
    }

    static void seed(TDatabase& database, const QString& url) {
        database.open(url, TDatabase::OpenMode::CreateIfMissing);
        QSqlDatabase db = database.database();
        ASSERT_TRUE(db.transaction());
        Schema::create(db, database.dialect());
        SeedData data(db);
        data.demo(QDate(2025, 6, 20));
        data.deliveries(kDeliveries, QStringLiteral("0001/0001"));
        ASSERT_TRUE(db.commit());
    }

    QSqlDatabase script() const { return m_script.database(); }
    QSqlDatabase server() const { return m_server.database(); }

    void onBoth(const QString& sql) {
        for (const QSqlDatabase& db : {script(), server()}) {
            QSqlQuery query(db);
            ASSERT_TRUE(query.exec(sql)) << query.lastError().text().toStdString();
        }
    }

    BillingScope scope(const QDate& start, const QDate& end) const {
        return BillingScope::of(script(), "0001", "0001", start, end, QDate(2027, 1, 5));
    }

    QString serverComputes(const BillingScope& s) {
        TrdmApuracaoZel session(server(), ServerOptions{});
        namespace Args = protocol::CalculaApuracaoArgs;
        QList<RemoteValue> args = Args::inOrder<RemoteValue>({
            {Args::WorkingBranch, s.filialTrabalho},
            {Args::BranchCode, s.filial},
            {Args::CustomerCode, s.cliente},
            {Args::DeliveryPeriodStart, s.start},
            {Args::DeliveryPeriodEnd, s.end},
            {Args::BillingDate, s.billing},
            {Args::CompanyKey, s.cdcia},
            {Args::FlightList, ""},
            {Args::AllFlightsFlag, "T"},
            {Args::InvoiceSeries, s.serie},
            {Args::CarrierKind, s.carrierKind},
            {Args::CarrierNumber, s.carrierNumber},
            {Args::ProductGroup, ""},
            {Args::CarrierChangePacket, RemoteValue()},
            {Args::LocationList, ""},
            {Args::ClosedFlightList, "_"},
            {Args::OrderNumber, ""},
        });
        return session.call("CalculaApuracao", args).toString();
    }

    // Both computations must agree on the number and on every invoice and delivery.
    QString computeOnBoth(const BillingScope& s) {
        const QString nr = serverComputes(s);
        EXPECT_EQ(runSetBasedBilling(script(), s), nr);
        EXPECT_EQ(outcomeOf(script(), nr), outcomeOf(server(), nr));
        return nr;
    }

    void expectSameTables() {
        const QString deliveries = "SELECT NRDELIVERY, NRAPURACFAT, NRLANCTONF FROM DELIVERY "
                                   "ORDER BY NRDELIVERY";
        EXPECT_EQ(rows(script(), deliveries), rows(server(), deliveries));
        const QString invoices = "SELECT NRLANCTONF, CDFILIAL, NRAPURACFAT, CDCLIENTE, CDCIA, "
                                 "CDSERIE, DTENTRSAID, VRNOTAFISC, VRTTMOEDESTR, NRVOO, "
                                 "CDLOCAFATCIA, IDEMITIDA FROM NOTAFISCAL ORDER BY NRLANCTONF";
        EXPECT_EQ(rows(script(), invoices), rows(server(), invoices));
        const QString computations =
            "SELECT NRAPURACFAT, IDTIPAPUR, CDFILIALTRAB, CDFILIAL, CDCIA, CDCLIENTE, "
            "DTINIAPURAC, DTFIMAPURAC, DTFATURA, CDSERIE, IDTPIJURTRAN, NRINSJURTRAN, "
            "CDGRUPPROD, NRPEDIDO, IDSTATUS FROM CTRLAPURFAT ORDER BY NRAPURACFAT";
        EXPECT_EQ(rows(script(), computations), rows(server(), computations));
        const QString counters = "SELECT CDFILIAL, NMSEQ, NRULTIMO FROM NUMERADOR ORDER BY 1, 2";
        EXPECT_EQ(rows(script(), counters), rows(server(), counters));
    }

private:
    std::unique_ptr<FreshDatabase> m_otherDatabase;
    TDatabase m_script;
    TDatabase m_server;
};

TEST_P(BillingScriptTest, LeavesWhatTheServerLeavesPeriodByPeriod) {
    // Both ends of the period count; the day before it does not.
    onBoth("UPDATE DELIVERY SET DTDELIVERY = '2025-01-01' WHERE NRDELIVERY = 'G00000000001'");
    onBoth("UPDATE DELIVERY SET DTDELIVERY = '2025-06-30' WHERE NRDELIVERY = 'G00000000002'");
    onBoth("UPDATE DELIVERY SET DTDELIVERY = '2024-12-31' WHERE NRDELIVERY = 'G00000000003'");

    const QString first = computeOnBoth(scope(QDate(2025, 1, 1), QDate(2025, 6, 30)));
    const BillingOutcome half = outcomeOf(script(), first);
    EXPECT_GT(half.markedDeliveries, 0);
    EXPECT_LT(half.markedDeliveries, kDeliveries);
    EXPECT_EQ(rows(script(), "SELECT NRDELIVERY FROM DELIVERY WHERE NRAPURACFAT = '" + first +
                                 "' AND NRDELIVERY < 'G00000000004' ORDER BY 1"),
              QStringList({"G00000000001", "G00000000002"}));

    // The whole span takes only what the first computation left, numbered after it.
    const QString second = computeOnBoth(scope(QDate(2024, 6, 1), QDate(2026, 12, 31)));
    const BillingOutcome rest = outcomeOf(script(), second);
    EXPECT_EQ(half.markedDeliveries + rest.markedDeliveries, kDeliveries);
    ASSERT_FALSE(rest.invoices.isEmpty());
    EXPECT_GT(rest.invoices.first().number, half.invoices.last().number);
    EXPECT_EQ(rest.lastInvoiceNumber, rest.invoices.last().number.toLongLong());
    for (const InvoiceLine& invoice : rest.invoices)
        EXPECT_EQ(invoice.value, invoice.deliveriesValue) << invoice.number.toStdString();
    expectSameTables();
}

TEST_P(BillingScriptTest, InvoiceNumbersStartPastOlderBranchCounters) {
    onBoth("INSERT INTO NUMERADOR (CDFILIAL, NMSEQ, NRULTIMO) VALUES ('0002', 'NOTAFISCAL', 500)");
    computeOnBoth(scope(QDate(2024, 6, 1), QDate(2026, 12, 31)));
    expectSameTables();
    EXPECT_EQ(rows(script(), "SELECT MIN(NRLANCTONF) FROM NOTAFISCAL"),
              QStringList({"0000000501"}));
}

TEST_P(BillingScriptTest, NothingLeftIsAFinishedComputationWithoutInvoices) {
    const BillingScope all = scope(QDate(2024, 6, 1), QDate(2026, 12, 31));
    const QString first = computeOnBoth(all);
    const QString second = computeOnBoth(all);
    EXPECT_EQ(second.toLongLong(), first.toLongLong() + 1);
    const BillingOutcome empty = outcomeOf(script(), second);
    EXPECT_EQ(empty.status, "F");
    EXPECT_TRUE(empty.invoices.isEmpty());
    EXPECT_EQ(empty.lastInvoiceNumber, outcomeOf(script(), first).lastInvoiceNumber);
    expectSameTables();
}

TEST_P(BillingScriptTest, ADeliveryWithoutBillingNumberLeavesNothing) {
    QSqlQuery query(script());
    ASSERT_TRUE(query.exec("UPDATE DELIVERY SET NRFATURAMENTO = ' ' "
                           "WHERE NRDELIVERY = 'G00000000007'"));
    const QStringList counters = rows(script(), "SELECT * FROM NUMERADOR ORDER BY 1, 2");
    EXPECT_THROW(runSetBasedBilling(script(), scope(QDate(2024, 6, 1), QDate(2026, 12, 31))),
                 Exception);
    EXPECT_EQ(rows(script(), "SELECT COUNT(*) FROM CTRLAPURFAT"), QStringList({"0"}));
    EXPECT_EQ(rows(script(), "SELECT COUNT(*) FROM NOTAFISCAL"), QStringList({"0"}));
    EXPECT_EQ(rows(script(), "SELECT COUNT(*) FROM DELIVERY WHERE NRAPURACFAT IS NOT NULL"),
              QStringList({"0"}));
    EXPECT_EQ(rows(script(), "SELECT * FROM NUMERADOR ORDER BY 1, 2"), counters);
}

TEST_P(BillingScriptTest, CompanyNotSetUpAtTheBranchIsRefused) {
    // MRJ (0008) works only at branch 0001.
    EXPECT_THROW(BillingScope::of(script(), "0002", "0008", QDate(2024, 6, 1), QDate(2024, 6, 30),
                                  QDate(2024, 7, 1)),
                 Exception);
}

ZEL_ALL_ENGINES(BillingScriptTest);
