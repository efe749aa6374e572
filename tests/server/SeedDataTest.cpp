// Seeding is deterministic: the same arguments give the same rows.
#include "db/TDatabase.h"
#include "server/InitDbCommand.h"
#include "server/Schema.h"
#include "tests/support/TestDatabases.h"

#include <gtest/gtest.h>

#include <QSqlQuery>
#include <QSqlRecord>
#include <QTextStream>

using TestDatabases::EngineTest;
using TestDatabases::FreshDatabase;

namespace {

// Every row of every table, in key order, as text.
QStringList dump(const QString& url) {
    TDatabase db;
    db.open(url);
    QStringList lines;
    for (const QString& table : Schema::tableNames()) {
        QSqlQuery q(db.database());
        if (!q.exec(QStringLiteral("SELECT * FROM %1").arg(table)))
            return {QStringLiteral("falhou: ") + table};
        QStringList rows;
        while (q.next()) {
            QStringList values;
            for (int c = 0; c < q.record().count(); ++c)
                values.append(q.isNull(c) ? QStringLiteral("<null>") : q.value(c).toString());
            rows.append(table + ": " + values.join('|'));
        }
        rows.sort();
        lines += rows;
    }
    return lines;
}

qint64 count(const QString& url, const QString& table) {
    TDatabase db;
    db.open(url);
    QSqlQuery q(db.database());
    return q.exec("SELECT COUNT(*) FROM " + table) && q.next() ? q.value(0).toLongLong() : -1;
}

int initDb(const QStringList& args) {
    QString output;
    QTextStream out(&output);
    const int code = InitDbCommand::run(args, out, out);
    EXPECT_EQ(code, 0) << output.toStdString();
    return code;
}

class SeedDataTest : public EngineTest {};

TEST_P(SeedDataTest, SameArgumentsGiveTheSameRows) {
    FreshDatabase other(engine());
    for (const QStringList& options : {QStringList{"--demo", "--deliveries", "300"}}) {
        initDb(QStringList{url()} + options);
        initDb(QStringList{other.url()} + options);
        const QStringList first = dump(url());
        EXPECT_EQ(first, dump(other.url()));
        EXPECT_EQ(count(url(), "DELIVERY"), 300);
        EXPECT_GT(count(url(), "VOOTRECHO"), 10);
        EXPECT_GT(count(url(), "TRANSPORT"), 4);
    }
}

TEST_P(SeedDataTest, AFixtureTakesGeneratedDeliveriesOnTop) {
    initDb({url(), "--fixture", "basic", "--deliveries", "50"});
    EXPECT_EQ(count(url(), "DELIVERY"), 15 + 50);
    EXPECT_EQ(count(url(), "FILIAL"), 2);
}

TEST_P(SeedDataTest, DeliveriesCanAllGoToOneBranchAndCompany) {
    initDb({url(), "--demo", "--deliveries", "400", "--deliveries-of", "0001/0002"});
    TDatabase db;
    db.open(url());
    QSqlQuery q(db.database());
    ASSERT_TRUE(q.exec("SELECT CDFILIAL, CDCIA, COUNT(*) FROM DELIVERY GROUP BY CDFILIAL, CDCIA"));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toString() + '/' + q.value(1).toString(), QStringLiteral("0001/0002"));
    EXPECT_EQ(q.value(2).toLongLong(), 400);
    EXPECT_FALSE(q.next());
}

ZEL_ALL_ENGINES(SeedDataTest);

} // namespace
