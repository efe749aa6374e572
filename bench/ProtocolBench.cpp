// Wire costs that users feel: a small remote call against the bare loopback round trip
// of the same bytes, and the loading of a large flight-leg list.
#include "external/appserver/TNetConnection.h"
#include "platform/TClientDataSet.h"
#include "protocol/FrameReader.h"
#include "protocol/Message.h"
#include "protocol/PacketCodec.h"

#include <benchmark/benchmark.h>

#include <QCborValue>
#include <QCoreApplication>
#include <QEventLoop>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

using protocol::Message;
using protocol::RemoteValue;

namespace {

const QString kServerName = QStringLiteral("Zel00100.rdmApuracaoZel");

// Serves in its own thread, like the real server: either echoes every byte back or
// answers hello and calls (the result is the first argument).
class LoopbackServer : public QObject {
public:
    enum class Mode { Echo, Protocol };

    explicit LoopbackServer(Mode mode)
        : m_mode(mode) {
        m_context.moveToThread(&m_thread);
        m_thread.start();
        QMetaObject::invokeMethod(
            &m_context,
            [this] {
                m_server = new QTcpServer(&m_context);
                QObject::connect(m_server, &QTcpServer::newConnection, m_server,
                                 [this] { accept(); });
                m_server->listen(QHostAddress::LocalHost, 0);
                m_port = m_server->serverPort();
            },
            Qt::BlockingQueuedConnection);
    }
    ~LoopbackServer() override {
        QMetaObject::invokeMethod(
            &m_context, [this] { delete m_server; }, Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }
    quint16 port() const { return m_port; }

private:
    void accept() {
        QTcpSocket* socket = m_server->nextPendingConnection();
        socket->setParent(m_server);
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        auto reader = std::make_shared<protocol::FrameReader>();
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, reader] {
            if (m_mode == Mode::Echo) {
                socket->write(socket->readAll());
                return;
            }
            reader->feed(socket->readAll());
            QByteArray payload;
            while (reader->next(&payload)) {
                auto m = Message::fromClient(payload);
                if (!m.ok())
                    return socket->abort();
                if (m.value().type == Message::Type::Hello)
                    socket->write(Message::helloOk(1).toFrame());
                else
                    socket->write(Message::reply(m.value().id, m.value().args.value(0)).toFrame());
            }
        });
    }

    Mode m_mode;
    QThread m_thread;
    QObject m_context; // lives in m_thread; the server and its sockets hang from it
    QTcpServer* m_server = nullptr;
    quint16 m_port = 0;
};

QList<TRemoteArg> smallCallArgs() {
    return {TRemoteArg::S(QStringLiteral("ZELGOL"))};
}

void BM_SmallCallRoundTrip(benchmark::State& state) {
    LoopbackServer server(LoopbackServer::Mode::Protocol);
    TNetConnection net;
    net.setServerName(kServerName);
    net.setHost(QStringLiteral("127.0.0.1"));
    net.setPort(server.port());
    net.connect();
    for (auto _ : state) {
        QList<TRemoteArg> args = smallCallArgs();
        benchmark::DoNotOptimize(net.AppServer().call(QStringLiteral("GetDiretorios"), args));
    }
}

// The same call frame's bytes, echoed, awaited the same way (a local event loop).
void BM_RawEchoOfTheSameBytes(benchmark::State& state) {
    LoopbackServer server(LoopbackServer::Mode::Echo);
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, server.port());
    socket.waitForConnected();
    socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    QList<RemoteValue> values{QStringLiteral("ZELGOL")};
    const QByteArray frame = Message::call(1, QStringLiteral("GetDiretorios"), values).toFrame();
    qint64 received = 0;
    QEventLoop loop;
    QObject::connect(&socket, &QTcpSocket::readyRead, &loop, [&] {
        received += socket.readAll().size();
        if (received >= frame.size())
            loop.quit();
    });
    for (auto _ : state) {
        received = 0;
        socket.write(frame);
        loop.exec();
    }
}

TDataPacket flightLegs(int rows) {
    auto field = [](const char* name, TFieldType type, int size) {
        TFieldDef f;
        f.name = QString::fromLatin1(name);
        f.type = type;
        f.size = size;
        return f;
    };
    TDataPacket p;
    p.fields = {field("IDMARCVOO", TFieldType::ftFixedChar, 1),
                field("NRVOO", TFieldType::ftString, 5),
                field("SGBASEORI", TFieldType::ftString, 5),
                field("SGBASEDES", TFieldType::ftString, 5),
                field("IDTIPVOO", TFieldType::ftFixedChar, 1),
                field("QTDE_SERVICO", TFieldType::ftInteger, 0)};
    static const char* bases[] = {"GRU", "GIG", "BSB", "SSA", "REC", "POA", "CNF", "MAO"};
    p.rows.reserve(size_t(rows));
    for (int i = 0; i < rows; ++i) {
        p.rows.push_back({QStringLiteral("N"), QString::number(1000 + i % 90000),
                          QString::fromLatin1(bases[i % 8]),
                          QString::fromLatin1(bases[(i + 3) % 8]), QString::number(1 + i % 2),
                          qint64(i % 37)});
    }
    return p;
}

const QByteArray& flightLegBytes() {
    static const QByteArray bytes = protocol::PacketCodec::encodeDataPacket(flightLegs(100000));
    return bytes;
}

void BM_DecodeFlightLegs100k(benchmark::State& state) {
    const QByteArray& bytes = flightLegBytes();
    for (auto _ : state) {
        auto packet = protocol::PacketCodec::decodeDataPacket(bytes);
        if (!packet.ok() || packet.value().rows.size() != 100000)
            state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(packet);
    }
    state.counters["MB"] = double(bytes.size()) / 1e6;
}

void BM_QCborValueFromCbor100k(benchmark::State& state) {
    const QByteArray& bytes = flightLegBytes();
    for (auto _ : state)
        benchmark::DoNotOptimize(QCborValue::fromCbor(bytes));
}

void BM_DecodeFlightLegs100kIntoClientDataSet(benchmark::State& state) {
    const QByteArray& bytes = flightLegBytes();
    TClientDataSet cds;
    for (auto _ : state) {
        auto packet = protocol::PacketCodec::decodeDataPacket(bytes);
        cds.setData(packet.take());
        benchmark::DoNotOptimize(cds.isEmpty());
    }
}

void BM_EncodeFlightLegs100k(benchmark::State& state) {
    const TDataPacket packet = flightLegs(100000);
    for (auto _ : state)
        benchmark::DoNotOptimize(protocol::PacketCodec::encodeDataPacket(packet));
}

} // namespace

BENCHMARK(BM_SmallCallRoundTrip)->Unit(benchmark::kMicrosecond)->MinTime(1.0);
BENCHMARK(BM_RawEchoOfTheSameBytes)->Unit(benchmark::kMicrosecond)->MinTime(1.0);
BENCHMARK(BM_DecodeFlightLegs100k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QCborValueFromCbor100k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeFlightLegs100kIntoClientDataSet)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeFlightLegs100k)->Unit(benchmark::kMillisecond);

// Sockets and event loops need an application object.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
