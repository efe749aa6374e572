// Splitting a script of the server's SQL into the statements sent one by one.
#include "server/SqlScript.h"

#include <gtest/gtest.h>

TEST(SqlScript, SplitsAtSemicolonsOutsideQuotesCommentsAndDollarBodies) {
    const QStringList statements = SqlScript::split(
        QStringLiteral("INSERT INTO T VALUES ('a;b', \"c;d\");\n"
                       "-- a note; not a statement\n"
                       "CREATE FUNCTION F() RETURNS INT AS $f$ SELECT 1; $f$ LANGUAGE SQL;\n"
                       "/* x; y */ SELECT 2"));
    ASSERT_EQ(statements.size(), 3);
    EXPECT_EQ(statements[0], QStringLiteral("INSERT INTO T VALUES ('a;b', \"c;d\")"));
    EXPECT_TRUE(statements[1].startsWith(QStringLiteral("-- a note; not a statement\nCREATE")));
    EXPECT_TRUE(statements[1].endsWith(QStringLiteral("$f$ LANGUAGE SQL")));
    EXPECT_EQ(statements[2], QStringLiteral("/* x; y */ SELECT 2"));
}

// An engine with nothing to change in a version still has its script, which only says so.
TEST(SqlScript, SendsNothingForCommentsAndBlanksAlone) {
    EXPECT_TRUE(SqlScript::split(QStringLiteral("-- nothing changes\n-- here either\n")).isEmpty());
    EXPECT_TRUE(SqlScript::split(QStringLiteral("  ;\n /* none */ ;")).isEmpty());
    EXPECT_EQ(SqlScript::split(QStringLiteral("SELECT 1; -- done\n")),
              QStringList{QStringLiteral("SELECT 1")});
}
