#pragma once

#include "core/Exception.h"
#include "db/TDatabase.h"
#include "protocol/CalculaApuracaoArgs.h"
#include "server/Schema.h"
#include "server/SeedData.h"
#include "server/ServerFailure.h"
#include "server/ServerSql.h"
#include "server/TrdmApuracaoZel.h"
#include "tests/support/TestDatabases.h"

#include <gtest/gtest.h>
#include <memory>
#include <QSqlError>
#include <QSqlQuery>

using protocol::RemoteValue;
namespace Args = protocol::CalculaApuracaoArgs;

// A session of the data module on a fresh database with the "basic" fixture, once per
// engine.
class MethodsTest : public TestDatabases::EngineTest {
protected:
    void SetUp() override {
        TestDatabases::EngineTest::SetUp();
        if (IsSkipped())
            return;
        m_database.open(url(), TDatabase::OpenMode::CreateIfMissing);
        QSqlDatabase db = m_database.database();
        ASSERT_TRUE(db.transaction());
        Schema::create(db, m_database.dialect());
        SeedData(db).fixture(QStringLiteral("basic"));
        ASSERT_TRUE(db.commit());
        m_session = std::make_unique<TrdmApuracaoZel>(db, options());
    }

    void TearDown() override {
        m_session.reset();
        m_database.close();
        TestDatabases::EngineTest::TearDown();
    }

    virtual ServerOptions options() const { return {}; }

    TrdmApuracaoZel& session() { return *m_session; }
    QSqlDatabase db() const { return m_database.database(); }

    RemoteValue call(const QString& method, QList<RemoteValue> args,
                     const TrdmApuracaoZel::Progress& progress = {}) {
        return m_session->call(method, args, progress);
    }

    // The failure text of a call, empty when it succeeded.
    QString failure(const QString& method, QList<RemoteValue> args) {
        try {
            m_session->call(method, args);
        } catch (const ServerFailure& f) {
            return f.text();
        }
        return {};
    }

    QVariant scalar(const QString& sql) {
        QSqlQuery query(db());
        EXPECT_TRUE(query.exec(sql))
            << query.lastError().text().toStdString() << " in " << sql.toStdString();
        return query.next() ? query.value(0) : QVariant();
    }

    void exec(const QString& sql) {
        QSqlQuery query(db());
        ASSERT_TRUE(query.exec(sql)) << query.lastError().text().toStdString();
    }

public:
    // The seventeen arguments of a billing computation of the 2024-02 period, to adjust.
    static QList<RemoteValue> billing(const QString& filial, const QString& cdcia,
                                      const QString& cliente) {
        return Args::inOrder<RemoteValue>({
            {Args::WorkingBranch, "0001"},
            {Args::BranchCode, filial},
            {Args::CustomerCode, cliente},
            {Args::DeliveryPeriodStart, QDate(2024, 2, 1)},
            {Args::DeliveryPeriodEnd, QDate(2024, 2, 29)},
            {Args::BillingDate, QDate(2024, 3, 5)},
            {Args::CompanyKey, cdcia},
            {Args::FlightList, ""},
            {Args::AllFlightsFlag, "T"},
            {Args::InvoiceSeries, "1"},
            {Args::CarrierKind, "J"},
            {Args::CarrierNumber, "11222333000181"},
            {Args::ProductGroup, ""},
            {Args::CarrierChangePacket, RemoteValue()},
            {Args::LocationList, ""},
            {Args::ClosedFlightList, "_"},
            {Args::OrderNumber, ""},
        });
    }

protected:
    static const TDataPacket& packet(const RemoteValue& value) { return value.dataPacket(); }

    static QVariant cell(const TDataPacket& p, std::size_t row, const char* name) {
        return p.rows.at(row).at(p.fieldIndex(QString::fromLatin1(name)));
    }

    // Faults over the whole table: a delivery whose invoice belongs to another computation,
    // an invoice whose value is not the sum of the deliveries that point at it (a delivery
    // billed by two invoices leaves one of them short), a delivery held by a computation
    // that did not finish.
    qint64 billingFaults() {
        return scalar(QStringLiteral(
                          "SELECT COUNT(*) FROM DELIVERY D JOIN NOTAFISCAL N "
                          "ON N.NRLANCTONF = D.NRLANCTONF WHERE N.NRAPURACFAT <> D.NRAPURACFAT"))
                   .toLongLong() +
               scalar(QStringLiteral(
                          "SELECT COUNT(*) FROM NOTAFISCAL N WHERE N.NRLANCTONFORIG IS NULL AND "
                          "N.VRNOTAFISC <> (SELECT COALESCE(SUM(D.VRSERVICO), 0) FROM DELIVERY D "
                          "WHERE D.NRLANCTONF = N.NRLANCTONF)"))
                   .toLongLong() +
               scalar(QStringLiteral("SELECT COUNT(*) FROM DELIVERY D JOIN CTRLAPURFAT C "
                                     "ON C.NRAPURACFAT = D.NRAPURACFAT WHERE C.IDSTATUS <> 'F'"))
                   .toLongLong();
    }

private:
    TDatabase m_database;
    std::unique_ptr<TrdmApuracaoZel> m_session;
};
