// The screen benchmark's data: the sizes it reports must be what the screens get.
#include "bench/GuiBenchData.h"
#include "core/Exception.h"
#include "server/InitDbCommand.h"

#include <gtest/gtest.h>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

class GuiBenchDataTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("zel.db"));
        QString output;
        QTextStream out(&output);
        ASSERT_EQ(InitDbCommand::run({QStringLiteral("sqlite:") + path, QStringLiteral("--fixture"),
                                      QStringLiteral("basic")},
                                     out, out),
                  0)
            << output.toStdString();
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("guibench"));
        db.setDatabaseName(path);
        ASSERT_TRUE(db.open());
    }
    void TearDown() override {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("guibench"));
    }

    qint64 count(const QString& sql) {
        QSqlQuery query(db);
        EXPECT_TRUE(query.exec(sql)) << query.lastError().text().toStdString();
        return query.next() ? query.value(0).toLongLong() : -1;
    }

    QTemporaryDir dir;
    QSqlDatabase db;
};

} // namespace

TEST_F(GuiBenchDataTest, TheScreensFindExactlyTheSizesAsked) {
    GuiBenchData::seed(db, {120, 75, 40});
    // The billing screen lists ABC's legs at branch 0001 and its lookup the branch's companies.
    EXPECT_EQ(count("SELECT COUNT(*) FROM VOOTRECHO WHERE CDFILIAL = '0001' AND CDCIA = '0001'"),
              120);
    EXPECT_EQ(count("SELECT COUNT(*) FROM COMPANHIA CO JOIN CIAFILI C ON C.CDCIA = CO.CDCIA "
                    "WHERE C.CDFILIAL = '0001'"),
              40);
    EXPECT_EQ(count("SELECT COUNT(DISTINCT SGCIA) FROM COMPANHIA"), count("SELECT COUNT(*) FROM "
                                                                          "COMPANHIA"));
    EXPECT_EQ(count("SELECT COUNT(*) FROM NOTAFISCAL WHERE NRAPURACFAT = '" +
                    GuiBenchData::kComputation + "'"),
              75);
    EXPECT_EQ(count("SELECT COUNT(*) FROM CTRLAPURFAT WHERE NRAPURACFAT = '" +
                    GuiBenchData::kComputation + "' AND IDSTATUS = 'F' AND CDCIA = '0001'"),
              1);
}

TEST_F(GuiBenchDataTest, SomeLegsHaveDeliveriesOfTheProposedPeriodOnThemselves) {
    GuiBenchData::seed(db, {GuiBenchData::kFixtureLegs + 200, 1, 10});
    // One leg in fifty of the added ones, on the first day of ABC's proposed period.
    EXPECT_EQ(count("SELECT COUNT(*) FROM DELIVERY D JOIN VOOTRECHO V ON V.CDFILIAL = D.CDFILIAL "
                    "AND V.CDCIA = D.CDCIA AND V.NRVOO = D.NRVOO AND V.SGBASEORI = D.SGBASEORI "
                    "AND V.SGBASEDES = D.SGBASEDES WHERE D.NRDELIVERY LIKE 'B%' "
                    "AND D.DTDELIVERY = '2024-02-01' AND D.NRAPURACFAT IS NULL"),
              4);
    EXPECT_EQ(count("SELECT COUNT(*) FROM DELIVERY WHERE NRDELIVERY LIKE 'B%'"), 4);
}

TEST_F(GuiBenchDataTest, SizesNoLargerThanTheFixtureAddNothingAndAFailureSaysWhy) {
    const qint64 legs = count("SELECT COUNT(*) FROM VOOTRECHO");
    GuiBenchData::seed(db, {GuiBenchData::kFixtureLegs, 0, GuiBenchData::kFixtureCompanies});
    EXPECT_EQ(count("SELECT COUNT(*) FROM VOOTRECHO"), legs);
    EXPECT_EQ(count("SELECT COUNT(*) FROM CTRLAPURFAT WHERE NRAPURACFAT = '" +
                    GuiBenchData::kComputation + "'"),
              0);
    // A second seed collides with the first one's keys and is refused whole.
    GuiBenchData::seed(db, {10, 5, 10});
    try {
        GuiBenchData::seed(db, {10, 5, 10});
        FAIL() << "a second seed went through";
    } catch (const Exception& e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Falha ao preparar os dados: ")))
            << e.message().toStdString();
    }
    EXPECT_EQ(count("SELECT COUNT(*) FROM NOTAFISCAL WHERE NRAPURACFAT = '" +
                    GuiBenchData::kComputation + "'"),
              5);
}
