// Round trip of a small call through the real server, against a bare loopback echo of the
// same bytes measured in the same run: what the server itself adds to a call.
#include "protocol/FrameReader.h"
#include "protocol/Message.h"
#include "server/AppServer.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QSemaphore>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <memory>

using protocol::Message;
using protocol::RemoteValue;

namespace {

class PingModule : public RemoteModule {
public:
    RemoteValue call(const QString&, QList<RemoteValue>& args, const Progress&) override {
        return args.value(0);
    }
};

// Echoes every frame back as it came, one client, blocking: the floor for any server.
class EchoServer : public QThread {
public:
    EchoServer() {
        start();
        m_ready.acquire();
    }
    ~EchoServer() override { wait(); }
    quint16 port() const { return m_port; }

protected:
    void run() override {
        QTcpServer server;
        server.listen(QHostAddress(QHostAddress::LocalHost), 0);
        m_port = server.serverPort();
        m_ready.release();
        if (!server.waitForNewConnection(10000))
            return;
        QTcpSocket* socket = server.nextPendingConnection();
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        protocol::FrameReader reader;
        QByteArray payload;
        while (socket->state() == QAbstractSocket::ConnectedState) {
            if (socket->bytesAvailable() == 0 && !socket->waitForReadyRead(1000))
                continue;
            reader.feed(socket->readAll());
            while (reader.next(&payload)) {
                socket->write(protocol::Frame::encode(payload));
                socket->flush();
            }
        }
    }

private:
    QSemaphore m_ready;
    quint16 m_port = 0;
};

class Client {
public:
    explicit Client(quint16 port) {
        m_socket.connectToHost(QHostAddress(QHostAddress::LocalHost), port);
        m_socket.waitForConnected(5000);
        m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    }

    // Sends the frame and waits for one frame back; returns its payload size.
    qsizetype roundTrip(const QByteArray& frame) {
        m_socket.write(frame);
        m_socket.flush();
        QByteArray payload;
        while (!m_reader.next(&payload)) {
            if (m_socket.bytesAvailable() == 0 && !m_socket.waitForReadyRead(5000))
                return -1;
            m_reader.feed(m_socket.readAll());
        }
        return payload.size();
    }

private:
    QTcpSocket m_socket;
    protocol::FrameReader m_reader;
};

const QByteArray& callFrame() {
    static const QByteArray frame =
        Message::call(1, QStringLiteral("Ping"), {RemoteValue(QStringLiteral("0001"))}).toFrame();
    return frame;
}

void BM_ServerCall(benchmark::State& state) {
    ServerSettings settings;
    settings.databaseUrl = QStringLiteral("sqlite::memory:");
    settings.signatures = {{QStringLiteral("Ping"), {protocol::ArgKind::S}}};
    settings.createModule = [](QSqlDatabase, const QString&) {
        return std::make_unique<PingModule>();
    };
    settings.log = std::make_shared<ServerLog>([](const QString&) {});
    AppServer server(std::move(settings));
    QString error;
    if (!server.listen(QHostAddress(QHostAddress::LocalHost), 0, &error)) {
        state.SkipWithError(error.toUtf8().constData());
        return;
    }
    Client client(server.port());
    if (client.roundTrip(Message::hello(QStringLiteral("Zel00100.rdmApuracaoZel")).toFrame()) < 0) {
        state.SkipWithError("no hello answer");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(client.roundTrip(callFrame()));
}
BENCHMARK(BM_ServerCall)->UseRealTime();

void BM_RawEcho(benchmark::State& state) {
    EchoServer echo;
    {
        Client client(echo.port());
        for (auto _ : state)
            benchmark::DoNotOptimize(client.roundTrip(callFrame()));
    }
}
BENCHMARK(BM_RawEcho)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
