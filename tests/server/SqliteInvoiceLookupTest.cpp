// The invoice lookup SQLite's marking calls once per delivery: numbers by key, sums from
// zero, and a key it was not given ending the statement.
#include "server/SqliteInvoiceLookup.h"
#include "db/TDatabase.h"

#include <gtest/gtest.h>

#include <QSqlError>
#include <QSqlQuery>

namespace {

class SqliteInvoiceLookupTest : public ::testing::Test {
protected:
    void SetUp() override {
        db.open(QStringLiteral("sqlite::memory:"), TDatabase::OpenMode::CreateIfMissing);
        exec("CREATE TABLE D (K1 TEXT, K2 TEXT, V INTEGER, E INTEGER, NF TEXT)");
        exec("INSERT INTO D VALUES ('1010', 'GRU', 100, 10, NULL), ('1010', 'GRU', 50, 5, NULL), "
             "('2020', 'POA', 7, 1, NULL), ('1010', 'REC', 3, 0, NULL)");
    }
    void exec(const char* sql) {
        QSqlQuery query(db.database());
        ASSERT_TRUE(query.exec(QString::fromUtf8(sql))) << query.lastError().text().toStdString();
    }
    static SqliteInvoiceLookup::Invoice invoice(QStringList key, const char* number) {
        SqliteInvoiceLookup::Invoice i;
        i.key = std::move(key);
        i.number = QString::fromUtf8(number);
        i.value = 999; // what the count left there is not a sum
        i.deliveries = 2;
        return i;
    }
    TDatabase db;
};

TEST_F(SqliteInvoiceLookupTest, EachKeyGetsItsNumberAndItsSums) {
    SqliteInvoiceLookup lookup(db.database(), {invoice({"1010", "GRU"}, "0000000007"),
                                               invoice({"1010", "REC"}, "0000000008"),
                                               invoice({"2020", "POA"}, "0000000009")});
    exec("UPDATE D SET NF = ZEL_NOTA(K1, K2, '', V, E)");
    QSqlQuery query(db.database());
    ASSERT_TRUE(query.exec("SELECT K1 || K2, NF FROM D ORDER BY rowid"));
    QStringList marked;
    while (query.next())
        marked << query.value(0).toString() + '=' + query.value(1).toString();
    EXPECT_EQ(marked, QStringList({"1010GRU=0000000007", "1010GRU=0000000007", "2020POA=0000000009",
                                   "1010REC=0000000008"}));
    const auto& invoices = lookup.invoices();
    ASSERT_EQ(invoices.size(), 3u);
    EXPECT_EQ(invoices[0].value, 150);
    EXPECT_EQ(invoices[0].foreign, 15);
    EXPECT_EQ(invoices[0].deliveries, 2);
    EXPECT_EQ(invoices[1].value, 3);
    EXPECT_EQ(invoices[1].deliveries, 1);
    EXPECT_EQ(invoices[2].value, 7);
    EXPECT_EQ(invoices[2].foreign, 1);
}

// A key that only differs by where its parts split is another key.
TEST_F(SqliteInvoiceLookupTest, AKeyNotGivenEndsTheStatementAndChangesNothing) {
    SqliteInvoiceLookup lookup(db.database(), {invoice({"1010", "GRU"}, "0000000007"),
                                               invoice({"1010G", "RU"}, "0000000008"),
                                               invoice({"2020", "POA"}, "0000000009")});
    QSqlQuery query(db.database());
    EXPECT_FALSE(query.exec("UPDATE D SET NF = ZEL_NOTA(K1, K2, '', V, E)"));
    EXPECT_TRUE(query.lastError().text().contains(SqliteInvoiceLookup::kUnknownKey))
        << query.lastError().text().toStdString();
    ASSERT_TRUE(query.exec("SELECT COUNT(*) FROM D WHERE NF IS NOT NULL"));
    ASSERT_TRUE(query.next());
    EXPECT_EQ(query.value(0).toInt(), 0);
}

TEST_F(SqliteInvoiceLookupTest, TheFunctionGoesWithTheLookup) {
    { SqliteInvoiceLookup lookup(db.database(), {invoice({"1010", "GRU"}, "0000000007")}); }
    QSqlQuery query(db.database());
    EXPECT_FALSE(query.exec("UPDATE D SET NF = ZEL_NOTA(K1, K2, '', V, E)"));
}

} // namespace
