#include "FakeAppServer.h"
#include "TestCertificate.h"

#include "core/Exception.h"
#include "core/SystemUser.h"
#include "external/appserver/TCallLog.h"
#include "external/appserver/TNetConnection.h"
#include "platform/TApplication.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <memory>

using protocol::Message;
using protocol::RemoteValue;

namespace {

class TNetConnectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        port = server.start();
        net.setServerName(QStringLiteral("Zel00100.rdmApuracaoZel"));
        net.setThrowException(false);
        net.BeforeConnect = [this](TNetConnection& sender) {
            ++beforeConnect;
            sender.setHost(QStringLiteral("127.0.0.1"));
            sender.setPort(port);
        };
    }

    // Answers every call with its first argument as result.
    void echoFirstArgument() {
        server.OnCall = [](FakeAppServer::Client& c, const Message& m) {
            c.send(Message::reply(m.id, m.args.value(0)));
        };
    }

    QString failureOf(const QString& method) {
        try {
            net.AppServer().call(method, {TRemoteArg::S(QStringLiteral("x"))});
        } catch (const Exception& e) {
            return e.message();
        }
        return QStringLiteral("<nenhuma falha>");
    }

    FakeAppServer server;
    quint16 port = 0;
    TNetConnection net;
    int beforeConnect = 0;
};

quint16 refusedPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

} // namespace

TEST_F(TNetConnectionTest, HelloNamesTheServerObjectAndCarriesTheTokenOnlyWhenSet) {
    ASSERT_TRUE(net.connect());
    EXPECT_EQ(beforeConnect, 1);
    EXPECT_TRUE(net.connected());
    EXPECT_EQ(net.session(), 1);
    ASSERT_EQ(server.hellos.size(), 1);
    EXPECT_EQ(server.hellos[0].name, QStringLiteral("Zel00100.rdmApuracaoZel"));
    EXPECT_EQ(server.hellos[0].version, 1);
    EXPECT_TRUE(server.hellos[0].token.isEmpty());
    EXPECT_TRUE(net.connect()) << "connecting again while connected does nothing";
    EXPECT_EQ(beforeConnect, 1);

    net.disconnect();
    server.requiredToken = QStringLiteral("segredo");
    net.setToken(QStringLiteral("segredo"));
    ASSERT_TRUE(net.connect());
    EXPECT_EQ(server.hellos.last().token, QStringLiteral("segredo"));
}

// The server records who computed and cancelled: the hello names the desktop's user, cut to
// the column's width, and names nobody when there is none.
TEST_F(TNetConnectionTest, HelloNamesTheUser) {
    EXPECT_EQ(net.user(), SystemUser::name().left(TNetConnection::kMaxUserLength));
    net.setUser(QStringLiteral("maria.aparecida.souza.de.oliveira.lima"));
    ASSERT_TRUE(net.connect());
    ASSERT_EQ(server.hellos.size(), 1);
    EXPECT_EQ(server.hellos[0].user, QStringLiteral("maria.aparecida.souza.de.olive"));

    net.disconnect();
    net.setUser({});
    ASSERT_TRUE(net.connect());
    EXPECT_TRUE(server.hellos.last().user.isEmpty());
}

TEST_F(TNetConnectionTest, RefusedHelloIsAFailedConnectWithTheServersText) {
    server.requiredToken = QStringLiteral("segredo");
    EXPECT_FALSE(net.connect());
    EXPECT_EQ(net.lastError(), QStringLiteral("Acesso negado: token inválido."));
    net.setThrowException(true);
    try {
        net.connect();
        FAIL() << "expected a failure";
    } catch (const Exception& e) {
        EXPECT_TRUE(e.message().endsWith(QStringLiteral("Acesso negado: token inválido.")));
    }
}

TEST_F(TNetConnectionTest, ReferenceArgumentsComeBackIntoTheCallersVariables) {
    server.OnCall = [](FakeAppServer::Client& c, const Message& m) {
        // Like CalculaApuracao: the server fills R positions and clears the V one.
        QMap<int, RemoteValue> refs{{0, QStringLiteral("0000000042")},
                                    {2, QStringLiteral("S")},
                                    {3, RemoteValue()},
                                    {1, QStringLiteral("not a reference")}};
        c.send(Message::reply(m.id, QStringLiteral("0000000042"), refs));
    };
    TChangePacket delta;
    delta.fields = {TFieldDef{QStringLiteral("CDPROGRAMA")}};
    delta.changes.append(
        {TChangePacket::Kind::Insert, std::nullopt, TRow{QStringLiteral("ZELGOL")}});
    QString nrApurac = QStringLiteral("");
    RemoteValue changes(delta);
    QList<TRemoteArg> args{TRemoteArg::R(&nrApurac), TRemoteArg::S(QStringLiteral("0001")),
                           TRemoteArg::R(QStringLiteral("N")), TRemoteArg::V(&changes),
                           TRemoteArg::D(QDate(2024, 3, 31))};

    const RemoteValue result = net.AppServer().call(QStringLiteral("CalculaApuracao"), args);

    EXPECT_EQ(result.toString(), QStringLiteral("0000000042"));
    EXPECT_EQ(nrApurac, QStringLiteral("0000000042"));
    EXPECT_EQ(args[2].value().toString(), QStringLiteral("S"));
    EXPECT_TRUE(changes.isNull());
    EXPECT_EQ(args[1].value().toString(), QStringLiteral("0001")) << "S is never written back";
    // What the server received: values by position, the change packet intact.
    ASSERT_EQ(server.calls.size(), 1);
    const Message& call = server.calls[0];
    EXPECT_EQ(call.name, QStringLiteral("CalculaApuracao"));
    ASSERT_EQ(call.args.size(), 5);
    EXPECT_EQ(call.args[3], RemoteValue(delta));
    EXPECT_EQ(call.args[4].toDate(), QDate(2024, 3, 31));
    EXPECT_EQ(beforeConnect, 1) << "the first call connects";
}

TEST_F(TNetConnectionTest, ServerFailureTextArrivesUnchanged) {
    const QStringList texts{
        QStringLiteral("¿Apur_Irreg0000000042          *"),
        QStringLiteral("Falha na apuração 0000000007: não há espaço em disco"),
        QStringLiteral("ORA-00054: resource busy"),
        QStringLiteral("DELVALO_nf"),
        QStringLiteral("  #Msg_Taxa_X12345*  "),
    };
    server.OnCall = [&](FakeAppServer::Client& c, const Message& m) {
        c.send(Message::failure(m.id, texts.at(int(server.calls.size()) - 1)));
    };
    for (const QString& text : texts)
        EXPECT_EQ(failureOf(QStringLiteral("CalcApuracTaxa")), text);
    EXPECT_TRUE(net.connected()) << "a failure reply keeps the connection";
}

// The fake server answers from timers in this thread: the call only completes if its
// wait keeps the event loop running.
TEST_F(TNetConnectionTest, ProgressArrivesInOrderBeforeTheReply) {
    server.OnCall = [](FakeAppServer::Client& c, const Message& m) {
        for (int i = 1; i <= 3; ++i) {
            QTimer::singleShot(5 * i, [&c, id = m.id, i] {
                c.send(Message::progress(id, i, 3, QStringLiteral("Nota %1 de 3").arg(i)));
            });
        }
        QTimer::singleShot(20, [&c, id = m.id] { c.send(Message::reply(id, 1)); });
    };
    QStringList seen;
    net.OnProgress = [&](qint64 done, qint64 total, const QString& text) {
        seen << QStringLiteral("%1/%2 %3").arg(done).arg(total).arg(text);
    };
    const RemoteValue result = net.AppServer().call(QStringLiteral("CalculaApuracao"), {});
    seen << QStringLiteral("resultado %1").arg(result.toInteger());
    EXPECT_EQ(seen, (QStringList{"1/3 Nota 1 de 3", "2/3 Nota 2 de 3", "3/3 Nota 3 de 3",
                                 "resultado 1"}));
}

// The wait of every call is put down to its method, an answered one and a failed one alike,
// and only to it.
TEST_F(TNetConnectionTest, TheWaitForEachCallIsAddedToItsMethod) {
    TCallLog::instance().clear();
    int waitingMeanwhile = 0;
    server.OnCall = [&waitingMeanwhile](FakeAppServer::Client& c, const Message& m) {
        const bool fails = m.name == QLatin1String("GetPerFecham");
        waitingMeanwhile = TCallLog::instance().waiting();
        QTimer::singleShot(30, [&c, id = m.id, fails] {
            c.send(fails ? Message::failure(id, QStringLiteral("sem período"))
                         : Message::reply(id, 1));
        });
    };
    net.AppServer().call(QStringLiteral("GetVooTrecho"), {});
    net.AppServer().call(QStringLiteral("GetVooTrecho"), {});
    EXPECT_EQ(failureOf(QStringLiteral("GetPerFecham")), QStringLiteral("sem período"));
    const TCallLog& log = TCallLog::instance();
    EXPECT_EQ(waitingMeanwhile, 1) << "the call was under way while the server worked";
    EXPECT_EQ(log.waiting(), 0) << "every wait ended, the failed one too";
    EXPECT_GE(log.waitedNs(QStringLiteral("GetVooTrecho")), 2 * 30'000'000LL);
    EXPECT_GE(log.waitedNs(QStringLiteral("GetPerFecham")), 30'000'000LL);
    EXPECT_EQ(log.waitedNs(QStringLiteral("GetDiretorios")), 0);
    EXPECT_EQ(log.totalWaitedNs(), log.waitedNs(QStringLiteral("GetVooTrecho")) +
                                       log.waitedNs(QStringLiteral("GetPerFecham")));
    TCallLog::instance().clear();
    EXPECT_EQ(TCallLog::instance().totalWaitedNs(), 0);
}

TEST_F(TNetConnectionTest, RefusedPortRaisesNothingOnConnectAndNoConnectionOnCall) {
    const quint16 closed = refusedPort();
    net.BeforeConnect = [&](TNetConnection& sender) {
        ++beforeConnect;
        sender.setHost(QStringLiteral("127.0.0.1"));
        sender.setPort(closed);
    };
    EXPECT_NO_THROW(EXPECT_FALSE(net.connect()));
    EXPECT_EQ(net.lastError(), QStringLiteral("conexão recusada"));
    EXPECT_EQ(
        failureOf(QStringLiteral("GetDiretorios")),
        QStringLiteral("Sem conexão com o servidor de aplicação (127.0.0.1:%1).").arg(closed));
    EXPECT_EQ(beforeConnect, 2) << "the call tried to connect again";

    net.setThrowException(true);
    EXPECT_THROW(net.connect(), Exception);
}

TEST_F(TNetConnectionTest, LostConnectionMidCallThenTheNextCallReconnects) {
    server.OnCall = [](FakeAppServer::Client& c, const Message& m) {
        if (m.name == u"Cai")
            c.drop();
        else
            c.send(Message::reply(m.id, QStringLiteral("ok")));
    };
    ASSERT_TRUE(net.connect());
    EXPECT_EQ(failureOf(QStringLiteral("Cai")),
              QStringLiteral("Sem conexão com o servidor de aplicação (127.0.0.1:%1).").arg(port));
    EXPECT_FALSE(net.connected());
    EXPECT_EQ(net.AppServer().call(QStringLiteral("GetDiretorios"), {}).toString(),
              QStringLiteral("ok"));
    EXPECT_EQ(net.session(), 2);
    EXPECT_EQ(beforeConnect, 2);
}

TEST_F(TNetConnectionTest, DisconnectFromAHandlerDuringTheWaitEndsTheCall) {
    server.OnCall = [](FakeAppServer::Client&, const Message&) {}; // never answers
    ASSERT_TRUE(net.connect());
    QTimer::singleShot(10, [this] { net.disconnect(); }); // as a form closing would
    EXPECT_TRUE(failureOf(QStringLiteral("GetVooTrecho")).startsWith(u"Sem conexão"));
}

TEST_F(TNetConnectionTest, NestedCallsEachGetTheirOwnReply) {
    QList<qint64> pendingIds;
    FakeAppServer::Client* client = nullptr;
    server.OnCall = [&](FakeAppServer::Client& c, const Message& m) {
        client = &c;
        pendingIds.append(m.id);
        if (pendingIds.size() == 2) { // answer the inner call first, then the outer
            c.send(Message::reply(pendingIds[1], QStringLiteral("interna")));
            c.send(Message::reply(pendingIds[0], QStringLiteral("externa")));
        }
    };
    QString inner;
    QTimer::singleShot(
        10, [&] { inner = net.AppServer().call(QStringLiteral("GetPerFecham"), {}).toString(); });
    const QString outer = net.AppServer().call(QStringLiteral("GetVooTrecho"), {}).toString();
    EXPECT_EQ(outer, QStringLiteral("externa"));
    EXPECT_EQ(inner, QStringLiteral("interna"));
    ASSERT_NE(client, nullptr);
}

TEST_F(TNetConnectionTest, OversizedOrGarbledAnswerDropsTheConnection) {
    server.OnCall = [](FakeAppServer::Client& c, const Message&) {
        c.socket->write(QByteArray::fromHex("7fffffff") + "lixo");
    };
    net.setMaxFrameSize(1024);
    EXPECT_TRUE(failureOf(QStringLiteral("GetLocalFatu")).startsWith(u"Sem conexão"));
    EXPECT_TRUE(net.lastError().contains(u"limite")) << net.lastError().toStdString();

    server.OnCall = [](FakeAppServer::Client& c, const Message&) {
        c.socket->write(protocol::Frame::encode(QByteArray::fromHex("a1626964")));
    };
    EXPECT_TRUE(failureOf(QStringLiteral("GetLocalFatu")).startsWith(u"Sem conexão"));
    EXPECT_TRUE(net.lastError().contains(u"inválida")) << net.lastError().toStdString();
}

TEST_F(TNetConnectionTest, TlsAddressConnectsWithTlsAndVerifiesTheServer) {
    const QSslCertificate cert(QByteArray(kTestCertificate).trimmed());
    server.useTls(cert, QSslKey(QByteArray(kTestKey).trimmed(), QSsl::Rsa));
    echoFirstArgument();
    net.BeforeConnect = [this](TNetConnection& sender) {
        sender.setHost(QStringLiteral("tls://127.0.0.1"));
        sender.setPort(port);
    };
    EXPECT_FALSE(net.connect()) << "an unknown certificate is not trusted";
    EXPECT_TRUE(net.lastError().contains(u"TLS")) << net.lastError().toStdString();

    net.setCaCertificates({cert});
    ASSERT_TRUE(net.connect()) << net.lastError().toStdString();
    EXPECT_EQ(net.AppServer()
                  .call(QStringLiteral("GetDiretorios"), {TRemoteArg::S(QStringLiteral("ZELGOL"))})
                  .toString(),
              QStringLiteral("ZELGOL"));
}

TEST(TNetConnectionAddress, HostMayCarryTheSchemeAndThePort) {
    TNetConnection net;
    net.setHost(QStringLiteral("tls://servidor.exemplo:7210"));
    EXPECT_EQ(net.noConnectionText(),
              QStringLiteral("Sem conexão com o servidor de aplicação (servidor.exemplo:7210)."));
    net.setPort(7300);
    EXPECT_EQ(net.noConnectionText(),
              QStringLiteral("Sem conexão com o servidor de aplicação (servidor.exemplo:7300)."));
    net.setHost(QStringLiteral("[::1]:7210"));
    net.setPort(0);
    EXPECT_EQ(net.noConnectionText(),
              QStringLiteral("Sem conexão com o servidor de aplicação (::1:7210)."));
}

// A server that stops answering, answers another call or repeats one report for ever ends the
// call with a text naming it; the late answer is never taken for the next call's.
TEST_F(TNetConnectionTest, ACallGivesUpOnAServerThatStopsAnswering) {
    net.setCallTimeouts(150, 300);
    int answered = 0;
    server.OnCall = [&](FakeAppServer::Client& c, const Message& m) {
        if (m.name == u"Cala")
            return;
        if (m.name == u"Outro") {
            c.send(Message::reply(m.id + 100, QStringLiteral("de outra chamada")));
            return;
        }
        c.send(Message::reply(m.id, QStringLiteral("ok %1").arg(++answered)));
    };
    const QString timedOut =
        QStringLiteral("Servidor de aplicação 127.0.0.1:%1 não respondeu em 1 s.").arg(port);
    EXPECT_EQ(failureOf(QStringLiteral("Cala")), timedOut);
    EXPECT_FALSE(net.connected()) << "the link of the late answer is closed";
    EXPECT_EQ(net.AppServer().call(QStringLiteral("GetDiretorios"), {}).toString(), "ok 1");
    EXPECT_EQ(net.session(), 2) << "the next call reconnected";
    EXPECT_EQ(failureOf(QStringLiteral("Outro")), timedOut);
}

// "Cancelar espera": the innermost wait gives up at once, says what goes on at the server, and
// the next call reconnects; an outer wait keeps waiting.
TEST_F(TNetConnectionTest, CancellingTheWaitEndsOnlyTheInnermostCall) {
    server.OnCall = [&](FakeAppServer::Client& c, const Message& m) {
        if (m.name == u"Cala")
            return;
        if (m.name == u"Lento") {
            QTimer::singleShot(
                400, [&c, id = m.id] { c.send(Message::reply(id, QStringLiteral("ok"))); });
            return;
        }
        c.send(Message::reply(m.id, QStringLiteral("ok")));
    };
    EXPECT_FALSE(Application().OnCancelWait) << "nobody waits yet";
    QTimer::singleShot(100, [] { Application().cancelWait(); });
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(failureOf(QStringLiteral("Cala")),
              QStringLiteral("Espera pelo servidor de aplicação 127.0.0.1:%1 cancelada. O servidor "
                             "continua o que estava fazendo: confira o resultado na Consulta de "
                             "Apurações.")
                  .arg(port));
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_FALSE(net.connected()) << "the link of the late answer is closed";
    EXPECT_FALSE(Application().OnCancelWait) << "the handler goes with the wait";
    EXPECT_EQ(net.AppServer().call(QStringLiteral("GetDiretorios"), {}).toString(), "ok");

    // A wait started inside another one's handler is the one cancelled; the outer one keeps
    // its handler back.
    TNetConnection inner;
    inner.setServerName(QStringLiteral("Zel00100.rdmApuracaoZel"));
    inner.setHost(QStringLiteral("127.0.0.1"));
    inner.setPort(port);
    ASSERT_TRUE(inner.connect());
    bool outerHandlerBack = false;
    Application().OnCancelWait = [] {};
    QString innerFailure;
    QTimer::singleShot(50, [&] {
        QTimer::singleShot(50, [] { Application().cancelWait(); });
        try {
            QList<TRemoteArg> none;
            inner.AppServer().call(QStringLiteral("Cala"), none);
        } catch (const Exception& e) {
            innerFailure = e.message();
        }
        outerHandlerBack = bool(Application().OnCancelWait);
    });
    EXPECT_EQ(net.AppServer().call(QStringLiteral("Lento"), {}).toString(), "ok");
    EXPECT_TRUE(innerFailure.startsWith(QStringLiteral("Espera pelo servidor")))
        << innerFailure.toStdString();
    EXPECT_TRUE(outerHandlerBack);
    Application().OnCancelWait = nullptr;
}

// The wait window and its handler are the application thread's: a call waiting on another
// thread neither takes the handler nor is cancelled by it, and the handler stays in place.
TEST_F(TNetConnectionTest, ACallOnAnotherThreadLeavesTheCancelHandlerAlone) {
    bool windowHandlerRan = false;
    Application().OnCancelWait = [&] { windowHandlerRan = true; };
    bool handlerInPlaceDuringCall = false;
    server.OnCall = [&](FakeAppServer::Client& c, const Message& m) {
        // The worker waits for this answer now; "Cancelar espera" is pressed meanwhile.
        Application().cancelWait();
        handlerInPlaceDuringCall = windowHandlerRan;
        QTimer::singleShot(100,
                           [&c, id = m.id] { c.send(Message::reply(id, QStringLiteral("ok"))); });
    };
    std::atomic<bool> done{false};
    QString answer;
    std::unique_ptr<QThread> worker(QThread::create([&] {
        TNetConnection other;
        other.setServerName(QStringLiteral("Zel00100.rdmApuracaoZel"));
        other.setHost(QStringLiteral("127.0.0.1"));
        other.setPort(port);
        try {
            QList<TRemoteArg> none;
            answer = other.AppServer().call(QStringLiteral("Lento"), none).toString();
        } catch (const Exception& e) {
            answer = e.message();
        }
        done = true;
    }));
    worker->start();
    QElapsedTimer clock;
    clock.start();
    while (!done && clock.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    worker->wait();
    EXPECT_EQ(answer, QStringLiteral("ok")) << "the worker's wait is not the window's to cancel";
    EXPECT_TRUE(handlerInPlaceDuringCall);
    ASSERT_TRUE(Application().OnCancelWait) << "nor did the worker take the handler away";
    Application().OnCancelWait = nullptr;
}

TEST_F(TNetConnectionTest, OnlyProgressThatMovesOnKeepsALongCallAlive) {
    net.setCallTimeouts(100, 300);
    std::vector<std::unique_ptr<QTimer>> timers;
    server.OnCall = [&](FakeAppServer::Client& c, const Message& m) {
        const bool moving = m.name == u"CalculaApuracao";
        auto timer = std::make_unique<QTimer>();
        int step = 0;
        QObject::connect(timer.get(), &QTimer::timeout, [&c, id = m.id, moving, step]() mutable {
            ++step;
            if (moving && step == 20) // 1 s of reports, three times the silence allowed
                c.send(Message::reply(id, QStringLiteral("feito")));
            else
                c.send(Message::progress(id, moving ? step : 1, 20, QStringLiteral("Apuração")));
        });
        timer->start(50);
        timers.push_back(std::move(timer));
    };
    EXPECT_EQ(net.AppServer().call(QStringLiteral("CalculaApuracao"), {}).toString(), "feito");
    timers.clear();
    EXPECT_EQ(failureOf(QStringLiteral("CalcApuracTaxa")),
              QStringLiteral("Servidor de aplicação 127.0.0.1:%1 não respondeu em 1 s.").arg(port))
        << "the same report over and over is a flood, not progress";
    timers.clear();
}
