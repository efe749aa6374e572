// bench_abuse: a zel-appserver on a seeded demo database under attack. Attacking clients
// send frames of the shapes that cost a decoder most - argument lists of millions of tiny
// integers or empty texts, a packet of millions of null rows, nesting millions deep,
// changes whose rows are wide, lists declared but never sent - each as large as the attack
// frame size and as large as the server's call limit allows, over and over, while one
// well-behaved client keeps calling. Reports the server's peak resident memory and the good
// client's latencies and errors.
#include "bench/BillingScript.h"
#include "bench/ServerProcess.h"
#include "core/CommandLine.h"
#include "core/Exception.h"
#include "db/TDatabase.h"
#include "external/appserver/TNetConnection.h"
#include "protocol/Frame.h"
#include "protocol/Message.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>
#include <QTextStream>

#include <algorithm>
#include <array>
#include <atomic>
#include <limits>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

using protocol::Message;

namespace {

const QString kServerName = QStringLiteral("Zel00100.rdmApuracaoZel");
constexpr qsizetype kMiB = 1024 * 1024;
constexpr qsizetype kDefaultCallLimit = kMiB; // the server's own default
constexpr int kReplyWaitMs = 5000;

struct Options {
    int seconds = 60;
    int attackers = 16;
    qsizetype frameBytes = 60 * kMiB;
    qsizetype serverMaxFrame = 0; // 0: the server's default
    QString workdir;
    QString appserver;
};

CommandLine commandLine() {
    CommandLine line(
        QStringLiteral("bench_abuse"), QStringLiteral("[opções]"),
        QStringLiteral("Ataca um zel-appserver com quadros de formas abusivas enquanto um "
                       "cliente comum faz\nchamadas; mede o pico de memória do servidor "
                       "(VmHWM) e as latências do cliente comum."));
    line.addOptions({
        {QStringLiteral("seconds"), QStringLiteral("duração do ataque (padrão 60)"),
         QStringLiteral("N")},
        {QStringLiteral("attackers"), QStringLiteral("clientes atacantes (padrão 16)"),
         QStringLiteral("N")},
        {QStringLiteral("frame-mib"),
         QStringLiteral("tamanho dos quadros de ataque grandes, em MiB (padrão 60)"),
         QStringLiteral("N")},
        {QStringLiteral("max-frame"),
         QStringLiteral("--max-frame passado ao servidor (padrão: o do servidor)"),
         QStringLiteral("BYTES")},
        {QStringLiteral("workdir"),
         QStringLiteral("diretório do banco e do registro do servidor (padrão: um temporário)"),
         QStringLiteral("DIR")},
        {QStringLiteral("appserver"),
         QStringLiteral("caminho do zel-appserver (padrão: ao lado deste programa)"),
         QStringLiteral("CAMINHO")},
    });
    return line;
}

QString read(const CommandLine& line, Options* o) {
    qint64 seconds = o->seconds;
    qint64 attackers = o->attackers;
    qint64 frameMib = o->frameBytes / kMiB;
    qint64 maxFrame = 0;
    for (const QString& problem :
         {line.readInteger(QStringLiteral("seconds"), 1, 3600, &seconds),
          line.readInteger(QStringLiteral("attackers"), 1, 256, &attackers),
          line.readInteger(QStringLiteral("frame-mib"), 1, 2000, &frameMib),
          line.readInteger(QStringLiteral("max-frame"), 1024, 0x7fffffff, &maxFrame)}) {
        if (!problem.isEmpty())
            return problem;
    }
    o->seconds = int(seconds);
    o->attackers = int(attackers);
    o->frameBytes = qsizetype(frameMib) * kMiB;
    o->serverMaxFrame = qsizetype(maxFrame);
    o->workdir = line.value(QStringLiteral("workdir"));
    o->appserver = line.value(QStringLiteral("appserver"));
    return {};
}

// CBOR built by hand, heads in their widest form, as a hostile writer would.
QByteArray head(quint8 major, quint64 arg) {
    QByteArray h(9, '\0');
    h[0] = char((major << 5) | 27);
    qToBigEndian(arg, h.data() + 1);
    return h;
}

QByteArray text(const QByteArray& s) {
    return head(3, quint64(s.size())) + s;
}

QByteArray callPrefix() {
    return "\xa3" + text("id") + "\x01" + text("call") + text("GetDiretorios") + text("args");
}

QByteArray frameOf(const QByteArray& payload) {
    return protocol::Frame::encode(payload);
}

// One attack: the frame sent, and for a frame declared larger than what is sent, how many
// of its bytes go out before the attacker stalls and hangs up.
struct Shape {
    QString name;
    QByteArray frame;
    qsizetype sendOnly = -1; // -1: all of it
};

// `bytes`: about the payload's size. Each shape fills it with its own kind of item; the
// wide changes stay at `maxChanges`, so that it is their cost that refuses them.
QList<Shape> shapesOf(qsizetype bytes, const QString& size, qsizetype maxChanges) {
    const QByteArray prefix = callPrefix();
    const auto items = [&](qsizetype overhead, qsizetype each) {
        return std::max<qsizetype>(1, (bytes - prefix.size() - overhead) / each);
    };
    QList<Shape> shapes;
    const qsizetype ints = items(9, 1);
    shapes.append({QStringLiteral("inteiros ") + size,
                   frameOf(prefix + head(4, quint64(ints)) + QByteArray(ints, '\x01'))});
    shapes.append({QStringLiteral("textos vazios ") + size,
                   frameOf(prefix + head(4, quint64(ints)) + QByteArray(ints, '\x60'))});
    const QByteArray packetHead = "\x81\xa2" + text("fields") + "\x81\xa2" + text("name") +
                                  text("A") + text("type") + text("string") + text("rows");
    const qsizetype rows = items(packetHead.size() + 9, 2);
    shapes.append({QStringLiteral("linhas nulas ") + size,
                   frameOf(prefix + packetHead + head(4, quint64(rows)) +
                           QByteArray("\x81\xf6", 2).repeated(rows))});
    const qsizetype depth = items(1, 1);
    shapes.append({QStringLiteral("aninhamento ") + size,
                   frameOf(prefix + QByteArray(depth, '\x81') + '\x01')});
    // Changes whose rows are wide: what their cells take is many times their bytes.
    QByteArray fields = head(4, 200);
    for (int i = 0; i < 200; ++i)
        fields += "\xa2" + text("name") + text("F" + QByteArray::number(i)) + text("type") +
                  text("string");
    const QByteArray change =
        "\xa3\x64kind\x66insert\x63old\xf6\x63new\x98\xc8" + QByteArray(200, '\xf6');
    const QByteArray changesHead = "\x81\xa2" + text("fields") + fields + text("changes");
    const qsizetype changes =
        std::min<qsizetype>(maxChanges, items(changesHead.size() + 9, change.size()));
    shapes.append(
        {QStringLiteral("alterações largas ") + size,
         frameOf(prefix + changesHead + head(4, quint64(changes)) + change.repeated(changes))});
    // A list of that many items declared in a small frame, and a frame of that size
    // declared and then not sent.
    shapes.append({QStringLiteral("lista declarada ") + size,
                   frameOf(prefix + head(4, quint64(ints)) + QByteArray(16, '\x01'))});
    Shape unsent{QStringLiteral("quadro não enviado ") + size, shapes[0].frame,
                 std::min<qsizetype>(shapes[0].frame.size(), 256 * 1024)};
    shapes.append(unsent);
    return shapes;
}

// What became of the frames of one shape, across attackers.
struct Outcome {
    std::atomic<qint64> sent{0};
    std::atomic<qint64> refused{0}; // answered with a failure, the connection kept
    std::atomic<qint64> closed{0};  // the server hung up
};

// A blocking loopback socket, written and read with plain system calls: no copy of the
// frames, no event loop.
class RawSocket {
public:
    explicit RawSocket(quint16 port) {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        timeval timeout{kReplyWaitMs / 1000, 0};
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        ::setsockopt(m_fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
        if (::connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~RawSocket() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    RawSocket(const RawSocket&) = delete;
    RawSocket& operator=(const RawSocket&) = delete;

    bool isOpen() const { return m_fd >= 0; }

    bool send(const char* data, qsizetype size) {
        while (size > 0) {
            const ssize_t n = ::send(m_fd, data, size_t(size), MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            data += n;
            size -= n;
        }
        return true;
    }

    // The next message, or nothing when the server hung up or said nothing in time.
    std::optional<Message> receive() {
        char header[4];
        if (!readExactly(header, 4))
            return std::nullopt;
        const quint32 length = qFromBigEndian<quint32>(header);
        if (length == 0 || length > 16 * kMiB)
            return std::nullopt;
        QByteArray payload(qsizetype(length), '\0');
        if (!readExactly(payload.data(), payload.size()))
            return std::nullopt;
        auto decoded = Message::fromServer(payload);
        return decoded.ok() ? std::optional<Message>(decoded.take()) : std::nullopt;
    }

private:
    bool readExactly(char* data, qsizetype size) {
        while (size > 0) {
            const ssize_t n = ::recv(m_fd, data, size_t(size), 0);
            if (n <= 0)
                return false;
            data += n;
            size -= n;
        }
        return true;
    }

    int m_fd = -1;
};

// Connects, says hello, and sends shape after shape until time is up, connecting again
// whenever the server hangs up.
void attack(quint16 port, const QList<Shape>& shapes, std::vector<Outcome>& outcomes, int first,
            const std::atomic<bool>& stop) {
    const QByteArray hello = Message::hello(kServerName).toFrame();
    qsizetype next = first;
    while (!stop) {
        RawSocket socket(port);
        if (!socket.isOpen() || !socket.send(hello.constData(), hello.size())) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            continue;
        }
        const auto answer = socket.receive();
        if (!answer || answer->type != Message::Type::HelloOk) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            continue;
        }
        bool open = true;
        while (open && !stop) {
            const qsizetype index = next++ % shapes.size();
            const Shape& shape = shapes[index];
            Outcome& outcome = outcomes[size_t(index)];
            ++outcome.sent;
            const qsizetype size = shape.sendOnly >= 0 ? shape.sendOnly : shape.frame.size();
            bool sent = socket.send(shape.frame.constData(), size);
            if (sent && shape.sendOnly >= 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                sent = false; // and hang up
            }
            const auto reply = sent ? socket.receive() : std::nullopt;
            if (reply && reply->type == Message::Type::Failure) {
                ++outcome.refused;
            } else {
                ++outcome.closed;
                open = false;
            }
        }
    }
}

// The well-behaved client's calls, one after the other, each timed.
struct GoodClient {
    std::vector<double> latenciesMs;
    int errors = 0;
    QString firstError;

    void run(quint16 port, const BillingScope& scope, const QElapsedTimer& clock, qint64 untilMs) {
        TNetConnection net;
        net.setServerName(kServerName);
        net.setHost(QStringLiteral("127.0.0.1"));
        net.setPort(port);
        net.setThrowException(true);
        for (int i = 0; clock.elapsed() < untilMs; ++i) {
            QElapsedTimer timer;
            timer.start();
            try {
                if (!net.connected())
                    net.connect();
                if (i % 2 == 0)
                    net.AppServer().call(QStringLiteral("GetDiretorios"),
                                         {TRemoteArg::S(QStringLiteral("ZELAZC"))});
                else
                    scope.calculaApuracao(net);
                latenciesMs.push_back(double(timer.nsecsElapsed()) / 1e6);
            } catch (const std::exception& e) {
                if (errors++ == 0)
                    firstError = QString::fromUtf8(e.what());
            }
        }
    }

    double percentile(double p) const {
        if (latenciesMs.empty())
            return 0;
        std::vector<double> sorted = latenciesMs;
        std::sort(sorted.begin(), sorted.end());
        const auto at = size_t(
            std::min<double>(double(sorted.size() - 1), p * double(sorted.size() - 1) + 0.5));
        return sorted[at];
    }
};

int runAll(Options& options) {
    if (options.appserver.isEmpty())
        options.appserver =
            QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("zel-appserver"));
    if (!QFileInfo(options.appserver).isExecutable())
        throw Exception(
            QStringLiteral("zel-appserver não encontrado em %1; use --appserver CAMINHO.")
                .arg(options.appserver));
    QTemporaryDir temporary;
    QString workdir = options.workdir.isEmpty() ? temporary.path() : options.workdir;
    if (workdir.isEmpty() || !QDir().mkpath(workdir))
        throw Exception(QStringLiteral("Não foi possível criar o diretório de trabalho."));
    const QString dbPath = QDir(workdir).filePath(QStringLiteral("abuse.db"));
    QFile::remove(dbPath);
    const QString url = QStringLiteral("sqlite:") + dbPath;
    ServerProcess::run(options.appserver,
                       {QStringLiteral("init-db"), url, QStringLiteral("--demo")});
    BillingScope scope;
    {
        TDatabase db;
        db.open(url);
        scope = BillingScope::of(db.database(), QStringLiteral("0001"), QStringLiteral("0001"),
                                 QDate(2025, 5, 1), QDate(2025, 5, 31), QDate(2025, 6, 10));
    }

    const qsizetype callLimit =
        options.serverMaxFrame > 0 ? options.serverMaxFrame : kDefaultCallLimit;
    QList<Shape> shapes = shapesOf(options.frameBytes, QStringLiteral("grande"),
                                   std::numeric_limits<qsizetype>::max());
    shapes += shapesOf(callLimit - 64, QStringLiteral("no limite"),
                       qsizetype(Message::kMaxCallItems) - 96);
    std::vector<Outcome> outcomes(size_t(shapes.size()));

    QStringList extra;
    if (options.serverMaxFrame > 0)
        extra << QStringLiteral("--max-frame") << QString::number(options.serverMaxFrame);
    const QString log = QDir(workdir).filePath(QStringLiteral("appserver.log"));
    ServerProcess server(options.appserver, url, log, extra);
    const qint64 startKiB = ServerProcess::vmHwmKiB(server.processId());

    std::atomic<bool> stop{false};
    std::vector<std::thread> attackers;
    for (int i = 0; i < options.attackers; ++i)
        attackers.emplace_back(attack, server.port(), std::cref(shapes), std::ref(outcomes), i,
                               std::cref(stop));
    QElapsedTimer clock;
    clock.start();
    GoodClient good;
    good.run(server.port(), scope, clock, qint64(options.seconds) * 1000);
    stop = true;
    for (std::thread& t : attackers)
        t.join();
    const qint64 peakKiB = ServerProcess::vmHwmKiB(server.processId());
    const qint64 afterKiB = ServerProcess::vmRssKiB(server.processId());
    server.stop();

    QTextStream out(stdout);
    out << QStringLiteral("%1 atacantes, %2 s, quadros grandes de %3 MiB, limite de chamada %4 "
                          "bytes")
               .arg(options.attackers)
               .arg(options.seconds)
               .arg(options.frameBytes / kMiB)
               .arg(callLimit)
        << Qt::endl;
    out << QStringLiteral("forma                              enviados  recusados  fechados")
        << Qt::endl;
    for (qsizetype i = 0; i < shapes.size(); ++i)
        out << shapes[i].name.leftJustified(32)
            << QString::number(outcomes[size_t(i)].sent).rightJustified(11)
            << QString::number(outcomes[size_t(i)].refused).rightJustified(11)
            << QString::number(outcomes[size_t(i)].closed).rightJustified(10) << Qt::endl;
    out << QStringLiteral("servidor: VmHWM no início %1 MiB, pico %2 MiB, VmRSS ao fim %3 MiB")
               .arg(double(startKiB) / 1024, 0, 'f', 1)
               .arg(double(peakKiB) / 1024, 0, 'f', 1)
               .arg(double(afterKiB) / 1024, 0, 'f', 1)
        << Qt::endl;
    out << QStringLiteral("cliente comum: %1 chamadas, p50 %2 ms, p99 %3 ms, máx %4 ms, %5 erros")
               .arg(good.latenciesMs.size())
               .arg(good.percentile(0.50), 0, 'f', 1)
               .arg(good.percentile(0.99), 0, 'f', 1)
               .arg(good.percentile(1.0), 0, 'f', 1)
               .arg(good.errors)
        << Qt::endl;
    if (good.errors > 0)
        out << QStringLiteral("primeiro erro: %1").arg(good.firstError) << Qt::endl;
    return good.errors == 0 ? 0 : 2;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    CommandLine line = commandLine();
    if (const std::optional<int> exit = line.parse(app.arguments().mid(1), out, err))
        return *exit;
    Options options;
    const QString problem = read(line, &options);
    if (!problem.isEmpty())
        return line.usageError(problem, err);
    try {
        return runAll(options);
    } catch (const std::exception& e) {
        err << "bench_abuse: " << QString::fromUtf8(e.what()) << '\n';
        return 1;
    }
}
