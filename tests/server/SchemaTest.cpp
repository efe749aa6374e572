// The schema on every engine: its tables, and the keys that guard the data.
#include "server/Schema.h"
#include "db/TDatabase.h"
#include "server/InitDbCommand.h"
#include "tests/support/TestDatabases.h"

#include <gtest/gtest.h>

#include <QSqlQuery>
#include <QTextStream>

using TestDatabases::EngineTest;

namespace {

class SchemaTest : public EngineTest {
protected:
    void seedBasic() {
        QString output;
        QTextStream out(&output);
        ASSERT_EQ(InitDbCommand::run({url(), "--fixture", "basic"}, out, out), 0)
            << output.toStdString();
        db.open(url());
    }
    bool exec(const QString& sql) {
        QSqlQuery q(db.database());
        return q.exec(sql);
    }
    bool startComputation(const char* number, const char* cia, const char* status) {
        return exec(QStringLiteral(
                        "INSERT INTO CTRLAPURFAT (NRAPURACFAT, IDTIPAPUR, CDFILIALTRAB, CDFILIAL, "
                        "CDCIA, CDCLIENTE, IDSTATUS, DTHRINICIO) VALUES ('%1', 'F', '0001', "
                        "'0001', '%2', 'CLI', '%3', '2024-03-01 08:00:00')")
                        .arg(number, cia, status));
    }
    TDatabase db;
};

TEST_P(SchemaTest, CreatesEveryTable) {
    db.open(url(), TDatabase::OpenMode::CreateIfMissing);
    EXPECT_TRUE(Schema::existingTables(db.database()).isEmpty());
    Schema::create(db.database(), db.dialect());
    EXPECT_EQ(Schema::existingTables(db.database()), Schema::tableNames());
    EXPECT_EQ(Schema::tableNames().size(), 16);
}

TEST_P(SchemaTest, AtMostOneRunningComputationPerBranchAndCompany) {
    seedBasic();
    ASSERT_TRUE(startComputation("0000000010", "0001", "P"));
    EXPECT_FALSE(startComputation("0000000011", "0001", "P")) << "a second running one";
    EXPECT_TRUE(startComputation("0000000012", "0001", "F"));
    EXPECT_TRUE(startComputation("0000000013", "0001", "E"));
    EXPECT_TRUE(startComputation("0000000014", "0002", "P")) << "another company";
    ASSERT_TRUE(exec("UPDATE CTRLAPURFAT SET IDSTATUS = 'F' WHERE NRAPURACFAT = '0000000010'"));
    EXPECT_TRUE(startComputation("0000000015", "0001", "P")) << "the first one has finished";
    EXPECT_FALSE(startComputation("0000000016", "0001", "X")) << "unknown status";
}

TEST_P(SchemaTest, KeysRefuseInconsistentRows) {
    seedBasic();
    // A delivery on a leg the company does not fly.
    EXPECT_FALSE(
        exec("INSERT INTO DELIVERY (NRDELIVERY, CDFILIAL, CDCIA, DTDELIVERY, NRVOO, "
             "SGBASEORI, SGBASEDES, CDLOCAFATCIA, VRSERVICO, VRMOEDESTR) VALUES "
             "('X1', '0001', '0001', '2024-02-01', '9999', 'GRU', 'REC', 'GRU-TECA', 1, 1)"));
    EXPECT_FALSE(exec("INSERT INTO COMPANHIA (CDCIA, SGCIA, NMCIA, CDCLIENTE) VALUES "
                      "('0099', 'ABC', 'Sigla repetida', 'C')"));
    // One fee invoice per billing invoice.
    const char* fee =
        "INSERT INTO NOTAFISCAL (NRLANCTONF, CDFILIAL, NRAPURACFAT, CDCLIENTE, CDCIA, "
        "DTENTRSAID, VRNOTAFISC, VRTTMOEDESTR, NRLANCTONFORIG) VALUES ('%1', '0001', "
        "'0000000001', 'CLI000000001', '0001', '2024-02-06', 1, 1, '0000000001')";
    EXPECT_TRUE(exec(QString::fromLatin1(fee).arg("0000000100")));
    EXPECT_FALSE(exec(QString::fromLatin1(fee).arg("0000000101")));
}

// A computed delivery names an invoice that exists; on PostgreSQL also one of its own
// computation, and never the one without the other.
TEST_P(SchemaTest, AComputedDeliveryNamesAnInvoiceOfItsComputation) {
    seedBasic();
    const auto mark = [&](const char* computation, const char* invoice) {
        return exec(QStringLiteral("UPDATE DELIVERY SET NRAPURACFAT = %1, NRLANCTONF = %2 "
                                   "WHERE NRDELIVERY = 'D00000000001'")
                        .arg(QLatin1String(computation), QLatin1String(invoice)));
    };
    EXPECT_FALSE(mark("'0000000001'", "'0000000099'")) << "no such invoice";
    EXPECT_FALSE(mark("'0000000099'", "'0000000001'")) << "no such computation";
    if (engine() == TestDatabases::Engine::PostgreSQL) {
        ASSERT_TRUE(startComputation("0000000010", "0001", "F"));
        EXPECT_FALSE(mark("'0000000010'", "'0000000001'")) << "another computation's invoice";
        EXPECT_FALSE(mark("'0000000001'", "NULL")) << "a computation without its invoice";
        EXPECT_FALSE(mark("NULL", "'0000000001'")) << "an invoice without its computation";
    }
    EXPECT_TRUE(mark("'0000000001'", "'0000000001'"));
    EXPECT_TRUE(mark("NULL", "NULL")) << "freed again";
}

TEST_P(SchemaTest, SqliteStoresDatesOnlyAsIsoTexts) {
    if (engine() != TestDatabases::Engine::SQLite)
        GTEST_SKIP() << "dates are typed on PostgreSQL";
    seedBasic();
    // The form a QDateTime takes when bound as is.
    EXPECT_FALSE(exec("UPDATE CIAFILI SET DTULTFECH = '2024-01-31T00:00:00.000'"));
    EXPECT_TRUE(exec("UPDATE CIAFILI SET DTULTFECH = '2024-02-29' WHERE CDCIA = '0001'"));
}

ZEL_ALL_ENGINES(SchemaTest);

} // namespace
