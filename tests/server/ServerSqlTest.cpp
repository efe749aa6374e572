// Named values on every engine: on PostgreSQL they are written into the statement, so what
// looks like a placeholder inside a quoted text, a cast or a value must stay what it is.
#include "server/ServerSql.h"
#include "core/EDBEngineError.h"
#include "db/TDatabase.h"
#include "tests/support/TestDatabases.h"

#include <gtest/gtest.h>

using TestDatabases::EngineTest;

namespace {

class ServerSqlTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        if (IsSkipped())
            return;
        db.open(url(), TDatabase::OpenMode::CreateIfMissing);
        ServerSql(db.database()).exec("CREATE TABLE T (A VARCHAR(40), B INTEGER, C VARCHAR(10))");
    }
    TDatabase db;
};

TEST_P(ServerSqlTest, ValuesReachTheStatementAsBound) {
    const ServerSql sql(db.database());
    const QString tricky = QStringLiteral("it's :b here, \"quoted\" and a\\b; Vôo");
    EXPECT_EQ(sql.change("INSERT INTO T (A, B, C) VALUES (:a, :b, :c)",
                         {{"a", tricky}, {"b", 5}, {"c", "x"}}),
              1);
    EXPECT_EQ(sql.change("INSERT INTO T (A, B, C) VALUES (:a, :b, :c)",
                         {{"a", ServerSql::textOrNull({})}, {"b", qint64(7)}, {"c", QVariant()}}),
              1);
    EXPECT_EQ(sql.scalar("SELECT A FROM T WHERE B = :b", {{"b", 5}}).toString(), tricky);
    // A name used twice binds twice; a quoted ":a" is text, not a placeholder.
    EXPECT_EQ(sql.scalar("SELECT COUNT(*) FROM T WHERE (A = :a OR A = ':a') AND B = :b AND "
                         ":b > 0 AND C = 'x:c'",
                         {{"a", tricky}, {"b", 5}, {"c", "x"}})
                  .toLongLong(),
              0);
    EXPECT_EQ(sql.scalar("SELECT COUNT(*) FROM T WHERE (A = :a OR A = ':a') AND B = :b AND :b > 0",
                         {{"a", tricky}, {"b", 5}})
                  .toLongLong(),
              1);
    EXPECT_EQ(
        sql.scalar("SELECT COUNT(*) FROM T WHERE A IS NULL AND C IS NULL AND B = :b", {{"b", 7}})
            .toLongLong(),
        1)
        << "nulls are stored as nulls";
    EXPECT_EQ(sql.scalar("SELECT ':x''s' || :a || C FROM T WHERE B = :b", {{"a", "-"}, {"b", 5}})
                  .toString(),
              QStringLiteral(":x's-x"));
    // Names bound at run time take the same way.
    EXPECT_EQ(
        sql.exec("SELECT B FROM T WHERE C = :c",
                 QList<std::pair<QString, QVariant>>{{QStringLiteral("c"), QStringLiteral("x")}})
            .next(),
        true);
    if (engine() == TestDatabases::Engine::PostgreSQL) {
        EXPECT_EQ(sql.scalar("SELECT :b::text || 'z'", {{"b", 42}}).toString(), "42z")
            << "a cast is no placeholder";
    }
}

TEST_P(ServerSqlTest, AFailedStatementSaysWhy) {
    const ServerSql sql(db.database());
    EXPECT_THROW(sql.exec("SELECT NOPE FROM T WHERE B = :b", {{"b", 1}}), EDBEngineError);
    EXPECT_EQ(sql.scalar("SELECT COUNT(*) FROM T WHERE B = :b", {{"b", 1}}).toLongLong(), 0)
        << "the connection goes on after a failure";
}

ZEL_ALL_ENGINES(ServerSqlTest);

} // namespace
