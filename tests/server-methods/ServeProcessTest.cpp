// The same computations through real server processes: two servers on one database, and
// a server killed in the middle of a computation.
#include "MethodsFixture.h"

#include "protocol/Frame.h"
#include "protocol/Message.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>

using protocol::Message;

namespace {

// One zel-appserver serve on a free loopback port.
class ServerProcess {
public:
    explicit ServerProcess(const QString& url, const QStringList& more = {}) {
        m_process.setReadChannel(QProcess::StandardError);
        m_process.start(QDir(QCoreApplication::applicationDirPath()).filePath("zel-appserver"),
                        QStringList{"serve", "--db", url, "--listen", "127.0.0.1:0"} + more);
        static const QRegularExpression listening("Servidor ouvindo em [^:]+:(\\d+)");
        QByteArray seen;
        while (m_process.waitForReadyRead(20000)) {
            seen += m_process.readAllStandardError();
            const auto match = listening.match(QString::fromUtf8(seen));
            if (match.hasMatch()) {
                m_port = match.captured(1).toUShort();
                return;
            }
        }
    }
    ~ServerProcess() {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    quint16 port() const { return m_port; }
    void kill() {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    // SIGTERM; how long the process took to end (-1: not within `waitMs`) and its exit code.
    std::pair<qint64, int> terminate(int waitMs) {
        QElapsedTimer timer;
        timer.start();
        m_process.terminate();
        if (!m_process.waitForFinished(waitMs))
            return {-1, -1};
        return {timer.elapsed(), m_process.exitCode()};
    }
    QString log() { return QString::fromUtf8(m_process.readAllStandardError()); }

private:
    QProcess m_process;
    quint16 m_port = 0;
};

// A blocking client of one session.
class Client {
public:
    explicit Client(quint16 port) {
        m_socket.connectToHost("127.0.0.1", port);
        m_socket.waitForConnected(10000);
        send(Message::hello("Zel00100.rdmApuracaoZel"));
        m_ready = receive().type == Message::Type::HelloOk;
    }
    bool ready() const { return m_ready; }

    void start(const QString& method, QList<RemoteValue> args) {
        send(Message::call(++m_id, method, std::move(args)));
    }
    // The next message of the server; a failure type with an empty text when none came.
    Message receive() {
        while (m_buffer.size() < protocol::Frame::kHeaderSize ||
               m_buffer.size() < protocol::Frame::kHeaderSize +
                                     qsizetype(protocol::Frame::readLength(m_buffer.constData()))) {
            if (!m_socket.waitForReadyRead(60000))
                return Message::failure(0, {});
            m_buffer += m_socket.readAll();
        }
        const qsizetype length = protocol::Frame::readLength(m_buffer.constData());
        const auto decoded = Message::fromServer(
            QByteArrayView(m_buffer).sliced(protocol::Frame::kHeaderSize, length));
        m_buffer.remove(0, protocol::Frame::kHeaderSize + length);
        return decoded.ok() ? decoded.value() : Message::failure(0, {});
    }
    // The reply or failure text of a call, after its progress messages.
    Message finish() {
        Message m = receive();
        while (m.type == Message::Type::Progress)
            m = receive();
        return m;
    }

private:
    void send(const Message& message) {
        m_socket.write(message.toFrame());
        m_socket.waitForBytesWritten(10000);
    }

    QTcpSocket m_socket;
    QByteArray m_buffer;
    qint64 m_id = 0;
    bool m_ready = false;
};

} // namespace

class ServeProcess : public MethodsTest {
protected:
    void SetUp() override {
        MethodsTest::SetUp();
        if (IsSkipped())
            return;
        // Enough deliveries that a computation is still running when its first progress
        // message arrives.
        ASSERT_TRUE(db().transaction());
        SeedData(db()).deliveries(20000);
        ASSERT_TRUE(db().commit());
    }

    static QList<RemoteValue> longBilling() {
        QList<RemoteValue> args = billing("0001", "0001", "CLI000000001");
        args[Args::DeliveryPeriodStart] = QDate(2024, 6, 1);
        args[Args::DeliveryPeriodEnd] = QDate(2026, 12, 31);
        return args;
    }
};

TEST_P(ServeProcess, TwoServersOneDatabase) {
    ServerProcess one(url());
    ServerProcess two(url());
    ASSERT_NE(one.port(), 0);
    ASSERT_NE(two.port(), 0);
    Client first(one.port());
    Client second(two.port());
    ASSERT_TRUE(first.ready() && second.ready());
    first.start("CalculaApuracao", longBilling());
    ASSERT_EQ(first.receive().type, Message::Type::Progress);
    second.start("CalculaApuracao", longBilling());
    const Message refused = second.finish();
    const Message done = first.finish();
    EXPECT_EQ(refused.type, Message::Type::Failure);
    EXPECT_EQ(refused.text, QChar(0x00BF) + QStringLiteral("Deliv_Bloq") + QString(20, ' ') + "*");
    ASSERT_EQ(done.type, Message::Type::Reply) << done.text.toStdString();
    EXPECT_GT(
        scalar("SELECT COUNT(*) FROM DELIVERY WHERE NRAPURACFAT = '" + done.result.toString() + "'")
            .toLongLong(),
        0);
    EXPECT_EQ(billingFaults(), 0);
}

TEST_P(ServeProcess, KilledWhileComputing) {
    ServerProcess server(url());
    ASSERT_NE(server.port(), 0);
    Client client(server.port());
    ASSERT_TRUE(client.ready());
    client.start("CalculaApuracao", longBilling());
    ASSERT_EQ(client.receive().type, Message::Type::Progress);
    server.kill();

    const QString nr = scalar("SELECT MAX(NRAPURACFAT) FROM CTRLAPURFAT").toString();
    EXPECT_EQ(nr, "0000000003");
    EXPECT_EQ(
        scalar("SELECT IDSTATUS FROM CTRLAPURFAT WHERE NRAPURACFAT = '" + nr + "'").toString(),
        "P");
    EXPECT_EQ(
        scalar("SELECT COUNT(*) FROM NOTAFISCAL WHERE NRAPURACFAT = '" + nr + "'").toLongLong(), 0);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM DELIVERY WHERE NRAPURACFAT = '" + nr + "'").toLongLong(),
              0);
    EXPECT_EQ(billingFaults(), 0);
}

// SIGTERM in the middle of a computation: with time to spare it completes, with a short
// grace it is rolled back; either way nothing is left half done or marked running, the
// client gets an answer, and the process ends within its grace.
TEST_P(ServeProcess, StoppedWhileComputing) {
    for (const int grace : {30, 1}) {
        SCOPED_TRACE(grace);
        ServerProcess server(url(), {"--grace", QString::number(grace)});
        ASSERT_NE(server.port(), 0);
        Client client(server.port());
        ASSERT_TRUE(client.ready());
        client.start("CalculaApuracao", longBilling());
        ASSERT_EQ(client.receive().type, Message::Type::Progress);
        const auto [elapsedMs, exitCode] = server.terminate((grace + 5) * 1000);
        const Message answer = client.finish();
        ASSERT_GE(elapsedMs, 0) << "did not stop within its grace";
        EXPECT_LE(elapsedMs, grace * 1000 + 1500);
        EXPECT_EQ(exitCode, 0);
        const QString log = server.log();
        EXPECT_TRUE(log.contains("sinal SIGTERM recebido")) << log.toStdString();
        EXPECT_TRUE(log.contains("servidor encerrado")) << log.toStdString();

        const QString nr = scalar("SELECT MAX(NRAPURACFAT) FROM CTRLAPURFAT").toString();
        const QString status =
            scalar("SELECT IDSTATUS FROM CTRLAPURFAT WHERE NRAPURACFAT = '" + nr + "'").toString();
        const qint64 marked =
            scalar("SELECT COUNT(*) FROM DELIVERY WHERE NRAPURACFAT = '" + nr + "'").toLongLong();
        if (answer.type == Message::Type::Reply) {
            EXPECT_EQ(status, "F");
            EXPECT_GT(marked, 0);
        } else {
            EXPECT_EQ(answer.text,
                      "Falha na apuração " + nr + ": servidor encerrado antes do fim do cálculo");
            EXPECT_EQ(status, "E");
            EXPECT_EQ(marked, 0);
        }
        if (grace == 30) {
            EXPECT_EQ(status, "F") << "a long grace lets the computation finish";
        }
        EXPECT_EQ(billingFaults(), 0);
        // The next round bills afresh, as after a cancellation.
        exec("UPDATE DELIVERY SET NRAPURACFAT = NULL, NRLANCTONF = NULL");
        exec("DELETE FROM NOTAFISCAL");
        exec("UPDATE CTRLAPURFAT SET IDSTATUS = 'C'");
    }
}

ZEL_ALL_ENGINES(ServeProcess);
