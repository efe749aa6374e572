// Calls through a real listener: argument checks, replies, failures, progress, faults, log.
#include "core/Exception.h"
#include "db/TDatabase.h"
#include "external/appserver/TNetConnection.h"
#include "server/CallHandler.h"
#include "server/Schema.h"
#include "tests/server-net/ServerHarness.h"
#include "tests/support/TestDatabases.h"

#include <gtest/gtest.h>

#include <QThread>

using protocol::Message;
using protocol::RemoteValue;

namespace {

void connectTo(TNetConnection& connection, quint16 port) {
    connection.setServerName(QStringLiteral("Zel00100.rdmApuracaoZel"));
    connection.setHost(QStringLiteral("127.0.0.1"));
    connection.setPort(port);
    connection.setConnectTimeout(5000);
    ASSERT_TRUE(connection.connect()) << connection.lastError().toStdString();
}

// The failure text of a call, or "<no failure>".
QString failureOf(TNetConnection& connection, const QString& method, QList<TRemoteArg> args) {
    try {
        connection.AppServer().call(method, args);
    } catch (const Exception& e) {
        return e.message();
    }
    return QStringLiteral("<no failure>");
}

class ServerCalls : public ::testing::Test {
protected:
    void SetUp() override { connectTo(client, harness.port()); }

    ServerHarness harness;
    TNetConnection client;
};

} // namespace

TEST_F(ServerCalls, ReplyCarriesResultAndEveryReferenceArgument) {
    QString byRef = QStringLiteral("ação");
    RemoteValue variant(qint64(7));
    const RemoteValue result = client.AppServer().call(
        QStringLiteral("Echo"), {TRemoteArg::S(QStringLiteral("¿Olá")), TRemoteArg::R(&byRef),
                                 TRemoteArg::D(QDate(2024, 3, 15)), TRemoteArg::V(&variant)});
    EXPECT_EQ(result.toString(), QStringLiteral("¿Olá"));
    EXPECT_EQ(byRef, QStringLiteral("ação!"));
    ASSERT_EQ(variant.type(), RemoteValue::Type::Array);
    EXPECT_EQ(variant.toArray().value(0).toInteger(), 7);
    EXPECT_EQ(variant.toArray().value(1).toDate(), QDate(2024, 3, 15));
    EXPECT_GT(client.session(), 0);
}

// The screens parse these texts; one changed character breaks them.
TEST_F(ServerCalls, FailureTextsArriveExactlyAndTheSessionGoesOn) {
    const QString blocked = QStringLiteral("¿TpFt_N_Cad") + QString(20, u' ') + u'*';
    EXPECT_EQ(failureOf(client, "Fail", {TRemoteArg::S(blocked)}), blocked);
    const QString accented = QStringLiteral("Falha na apuração 0000000001: não há série ção ÇÃÕ €");
    EXPECT_EQ(failureOf(client, "Fail", {TRemoteArg::S(accented)}), accented);
    EXPECT_EQ(client.AppServer().call("Count", {}).toInteger(), 0);
}

// Only a ServerFailure's text reaches the client, though every failure is an Exception.
TEST_F(ServerCalls, APlainExceptionIsAFaultWhoseTextStaysInTheLog) {
    EXPECT_EQ(failureOf(client, "Fault", {}), CallHandler::unexpectedFailureText());
    EXPECT_TRUE(harness.waitForLog(QStringLiteral("texto interno da falha")));
    EXPECT_EQ(failureOf(client, "Fail", {TRemoteArg::S("dir_n_exists")}), "dir_n_exists");
}

TEST_F(ServerCalls, UnknownMethodsAndMisfitArgumentsNeverReachTheModule) {
    const int before = TestModule::calls;
    EXPECT_EQ(failureOf(client, "GetNada", {}), QStringLiteral("Método desconhecido: GetNada"));
    EXPECT_EQ(failureOf(client, "echo", {}), QStringLiteral("Método desconhecido: echo"));
    const QString invalid = QStringLiteral("Chamada inválida: Echo");
    EXPECT_EQ(
        failureOf(client, "Echo", {TRemoteArg::S("a"), TRemoteArg::R("b"), TRemoteArg::D({})}),
        invalid)
        << "one argument short";
    EXPECT_EQ(failureOf(client, "Fail", {TRemoteArg::S("a"), TRemoteArg::S("b")}),
              QStringLiteral("Chamada inválida: Fail"))
        << "one argument too many";
    EXPECT_EQ(failureOf(client, "Echo",
                        {TRemoteArg::D(QDate(2024, 1, 1)), TRemoteArg::R("b"), TRemoteArg::D({}),
                         TRemoteArg::V(RemoteValue())}),
              invalid)
        << "a date where a text goes";
    EXPECT_EQ(failureOf(client, "Echo",
                        {TRemoteArg::S("a"), TRemoteArg::V(RemoteValue()), TRemoteArg::D({}),
                         TRemoteArg::V(RemoteValue())}),
              invalid)
        << "null where a by-reference text goes";
    EXPECT_EQ(failureOf(client, "Echo",
                        {TRemoteArg::S("a"), TRemoteArg::R("b"), TRemoteArg::S("2024-01-01"),
                         TRemoteArg::V(RemoteValue())}),
              invalid)
        << "a text where a date goes";
    EXPECT_EQ(failureOf(client, "Echo",
                        {TRemoteArg::S(QStringLiteral("a") + QChar(0) + u'b'), TRemoteArg::R("b"),
                         TRemoteArg::D({}), TRemoteArg::V(RemoteValue())}),
              invalid)
        << "a NUL inside a text";
    EXPECT_EQ(failureOf(client, "Echo",
                        {TRemoteArg::S("a"), TRemoteArg::R(QString(QChar(0))), TRemoteArg::D({}),
                         TRemoteArg::V(RemoteValue(QString(QChar(0))))}),
              invalid)
        << "a NUL in a by-reference text and in a variant text";
    EXPECT_EQ(TestModule::calls, before);
}

TEST_F(ServerCalls, ProgressMessagesPrecedeTheReplyOfTheirCall) {
    RawClient raw(harness.port());
    ASSERT_TRUE(raw.greet());
    raw.send(Message::call(41, QStringLiteral("Progress"), {}));
    for (int step = 1; step <= 3; ++step) {
        const auto m = raw.receive();
        ASSERT_TRUE(m && m->type == Message::Type::Progress) << "step " << step;
        EXPECT_EQ(m->id, 41);
        EXPECT_EQ(m->done, step);
        EXPECT_EQ(m->total, 3);
        EXPECT_EQ(m->text, QStringLiteral("passo %1").arg(step));
    }
    const auto reply = raw.receive();
    ASSERT_TRUE(reply && reply->type == Message::Type::Reply);
    EXPECT_EQ(reply->id, 41);
    EXPECT_EQ(reply->result.toString(), QStringLiteral("feito"));
}

TEST_F(ServerCalls, LogHasOneLinePerCallAndNoArgumentValues) {
    const QString secret = QStringLiteral("VALOR-SECRETO-123");
    client.AppServer().call("Echo", {TRemoteArg::S(secret), TRemoteArg::R(secret),
                                     TRemoteArg::D(QDate(2024, 1, 1)), TRemoteArg::V(secret)});
    failureOf(client, "Fail", {TRemoteArg::S(QStringLiteral("texto da falha"))});
    failureOf(client, "Forjado\n2024-01-01 sessão 99 Count 0 ms ok", {});
    ASSERT_TRUE(harness.waitForLog("Forjado"));
    QStringList calls;
    for (const QString& line : harness.log()) {
        EXPECT_FALSE(line.contains(secret)) << line.toStdString();
        EXPECT_FALSE(line.contains(u'\n')) << line.toStdString();
        if (line.contains(QStringLiteral(" ms ")))
            calls.append(line);
    }
    ASSERT_EQ(calls.size(), 3) << calls.join('\n').toStdString();
    EXPECT_TRUE(calls[0].contains(QStringLiteral(" Echo "))) << calls[0].toStdString();
    EXPECT_TRUE(calls[0].endsWith(QStringLiteral(" ok"))) << calls[0].toStdString();
    EXPECT_TRUE(calls[1].endsWith(QStringLiteral("falha: texto da falha")))
        << calls[1].toStdString();
    EXPECT_TRUE(calls[2].contains(QStringLiteral("Método desconhecido"))) << calls[2].toStdString();
}

TEST_F(ServerCalls, StopLetsTheCallUnderWayAnswer) {
    RawClient raw(harness.port());
    ASSERT_TRUE(raw.greet());
    raw.send(Message::call(1, QStringLiteral("Slow"), {RemoteValue("300")}));
    QThread::msleep(50);
    harness.server().stop();
    const auto reply = raw.receive(1000);
    ASSERT_TRUE(reply && reply->type == Message::Type::Reply);
    EXPECT_EQ(reply->result.toString(), QStringLiteral("acordei"));
    EXPECT_TRUE(raw.waitClosed(1000));
}

// A fault inside a method (not a ServerFailure) must not kill the session, leak its text to
// the client or leave the transaction open and the database locked.
class ServerFaults : public TestDatabases::EngineTest {};

TEST_P(ServerFaults, UnexpectedExceptionIsAFailureAndItsTransactionIsRolledBack) {
    {
        TDatabase db;
        db.open(url(), TDatabase::OpenMode::CreateIfMissing);
        Schema::create(db.database(), db.dialect());
    }
    ServerHarness harness({}, url());
    TNetConnection client;
    connectTo(client, harness.port());
    EXPECT_EQ(failureOf(client, "Crash", {}), CallHandler::unexpectedFailureText());
    EXPECT_EQ(client.AppServer().call("Count", {}).toInteger(), 0) << "the insert was kept";
    EXPECT_TRUE(harness.waitForLog(QStringLiteral("violação simulada")));

    TNetConnection other;
    connectTo(other, harness.port());
    EXPECT_EQ(failureOf(other, "Crash", {}), CallHandler::unexpectedFailureText())
        << "a second session can write: no lock was left behind";
}

ZEL_ALL_ENGINES(ServerFaults);
