#include "host/Script.h"
#include "host/ScriptFailure.h"
#include "host/ScriptRunner.h"

#include <gtest/gtest.h>

namespace {

int failingLine(const QString& text) {
    try {
        ScriptRunner::check(Script::parse(text));
    } catch (const ScriptFailure& failure) {
        return failure.line();
    }
    return -1;
}

} // namespace

TEST(Script, SplitsWordsQuotesEscapesAndComments) {
    const Script script =
        Script::parse(QStringLiteral("# a comment\n"
                                     "\n"
                                     "  type medSgCia \"L A\"   # trailing comment\n"
                                     "expect message \"Diz \\\"não\\\" # aqui \\\\ fim\"\n"
                                     "SET depData \"\"\n"));
    ASSERT_EQ(script.lines().size(), 3u);
    const ScriptLine& type = script.lines()[0];
    EXPECT_EQ(type.number, 3);
    EXPECT_EQ(type.command, QStringLiteral("type"));
    EXPECT_EQ(type.args, (QStringList{QStringLiteral("medSgCia"), QStringLiteral("L A")}));
    EXPECT_EQ(type.source, QStringLiteral("type medSgCia \"L A\""));
    EXPECT_EQ(script.lines()[1].args.at(1), QStringLiteral("Diz \"não\" # aqui \\ fim"));
    // An empty quoted word is still a word; the command word is not case-sensitive.
    EXPECT_EQ(script.lines()[2].command, QStringLiteral("set"));
    EXPECT_EQ(script.lines()[2].args, (QStringList{QStringLiteral("depData"), QString()}));
}

TEST(Script, UnterminatedQuoteNamesItsLine) {
    try {
        Script::parse(QStringLiteral("open\n\ntype medSgCia \"LA\n"));
        FAIL() << "no failure";
    } catch (const ScriptFailure& failure) {
        EXPECT_EQ(failure.line(), 3);
        EXPECT_EQ(failure.message(), QStringLiteral("linha 3: aspas sem fechamento"));
    }
}

TEST(Script, CheckRejectsBadCommandsBeforeAnythingRuns) {
    EXPECT_EQ(failingLine(QStringLiteral("open\nfly away\n")), 2);
    EXPECT_EQ(failingLine(QStringLiteral("open\ntab 3\n")), 2);
    EXPECT_EQ(failingLine(QStringLiteral("type medSgCia\n")), 1);
    EXPECT_EQ(failingLine(QStringLiteral("answer maybe\n")), 1);
    EXPECT_EQ(failingLine(QStringLiteral("key dbgVooTrecho ctrl+banana\n")), 1);
    EXPECT_EQ(failingLine(QStringLiteral("lookup btpFilial first\n")), 1);
    EXPECT_EQ(failingLine(QStringLiteral("expect rows cdsVooTrecho many\n")), 1);
    EXPECT_EQ(failingLine(QStringLiteral("expect colour medSgCia red\n")), 1);
    EXPECT_EQ(failingLine(QStringLiteral("expect field cdsX 1 CAMPO\n")), 1);
    EXPECT_EQ(failingLine(QStringLiteral(
                  "open\nanswer YES\nkey dbgLista shift+tab\nlookup btpCodigo cancel\n"
                  "expect call GetVooTrecho 3 \"\"\nexpect form billing\n")),
              -1);
}
