#include "tests/server-net/ServerHarness.h"

#include "core/Exception.h"
#include "db/TDatabase.h"
#include "protocol/FrameReader.h"
#include "server/Schema.h"
#include "server/ServerFailure.h"

#include <QDeadlineTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>

#include <stdexcept>

using protocol::ArgKind;
using protocol::Message;
using protocol::RemoteValue;

std::atomic<int> TestModule::calls{0};

TestModule::TestModule(QSqlDatabase db, QString user)
    : m_db(std::move(db))
    , m_user(std::move(user)) {}

RemoteModule::Signatures TestModule::signatures() {
    return {
        {QStringLiteral("Echo"), {ArgKind::S, ArgKind::R, ArgKind::D, ArgKind::V}},
        {QStringLiteral("Fail"), {ArgKind::S}},
        {QStringLiteral("Crash"), {}},
        {QStringLiteral("Fault"), {}},
        {QStringLiteral("Count"), {}},
        {QStringLiteral("Progress"), {}},
        {QStringLiteral("Slow"), {ArgKind::S}},
        {QStringLiteral("User"), {}},
        {QStringLiteral("Big"), {ArgKind::S}},
    };
}

RemoteValue TestModule::call(const QString& method, QList<RemoteValue>& args,
                             const Progress& progress) {
    ++calls;
    if (method == u"Echo") {
        args[1] = RemoteValue(args[1].toString() + u'!');
        args[3] = RemoteValue(QList<RemoteValue>{args[3], args[2]});
        return args[0];
    }
    if (method == u"Fail")
        throw ServerFailure(args[0].toString());
    if (method == u"Crash") {
        m_db.transaction();
        QSqlQuery insert(m_db);
        if (!insert.exec(QStringLiteral(
                "INSERT INTO DIRETORIOS (CDPROGRAMA, DSDIRETORIO) VALUES ('X', '/x')")))
            throw ServerFailure(QStringLiteral("inserção falhou: ") + insert.lastError().text());
        throw std::runtime_error("violação simulada");
    }
    if (method == u"Fault")
        throw Exception(QStringLiteral("texto interno da falha"));
    if (method == u"Count") {
        QSqlQuery q(m_db);
        if (!q.exec(QStringLiteral("SELECT COUNT(*) FROM DIRETORIOS")) || !q.next())
            throw std::runtime_error(q.lastError().text().toStdString());
        return RemoteValue(q.value(0).toLongLong());
    }
    if (method == u"Progress") {
        for (int i = 1; i <= 3; ++i)
            progress(i, 3, QStringLiteral("passo %1").arg(i));
        return RemoteValue("feito");
    }
    if (method == u"Slow") {
        QThread::msleep(args[0].toString().toULong());
        return RemoteValue("acordei");
    }
    if (method == u"User")
        return RemoteValue(m_user);
    if (method == u"Big")
        return RemoteValue(QString(args[0].toString().toInt(), u'b'));
    throw std::logic_error("método sem implementação");
}

struct ServerHarness::Database {
    QTemporaryDir dir;
    QString url;
};

ServerHarness::ServerHarness(const Adjust& adjust, const QString& databaseUrl)
    : m_database(std::make_unique<Database>())
    , m_lines(std::make_shared<QStringList>())
    , m_mutex(std::make_shared<QMutex>()) {
    m_database->url = databaseUrl;
    if (m_database->url.isEmpty()) {
        m_database->url = QStringLiteral("sqlite:") + m_database->dir.filePath("net.db");
        TDatabase db;
        db.open(m_database->url, TDatabase::OpenMode::CreateIfMissing);
        Schema::create(db.database(), db.dialect());
    }
    ServerSettings settings;
    settings.databaseUrl = m_database->url;
    settings.signatures = TestModule::signatures();
    settings.createModule = [](QSqlDatabase db, const QString& user) {
        return std::make_unique<TestModule>(db, user);
    };
    settings.pollIntervalMs = 50;
    settings.log =
        std::make_shared<ServerLog>([lines = m_lines, mutex = m_mutex](const QString& line) {
            QMutexLocker lock(mutex.get());
            lines->append(line);
        });
    if (adjust)
        adjust(settings);
    m_server = std::make_unique<AppServer>(std::move(settings));
    QString error;
    if (!m_server->listen(QHostAddress(QHostAddress::LocalHost), 0, &error))
        throw std::runtime_error(error.toStdString());
}

ServerHarness::~ServerHarness() {
    m_server->stop();
}

QStringList ServerHarness::log() const {
    QMutexLocker lock(m_mutex.get());
    return *m_lines;
}

bool ServerHarness::waitForLog(const QString& fragment, int timeoutMs, qsizetype from) const {
    const QDeadlineTimer deadline(timeoutMs);
    do {
        for (const QString& line : log().mid(from)) {
            if (line.contains(fragment))
                return true;
        }
        QThread::msleep(10);
    } while (!deadline.hasExpired());
    return false;
}

RawClient::RawClient(quint16 port, const QHostAddress& from) {
    if (!from.isNull())
        m_socket.bind(from);
    m_socket.connectToHost(QHostAddress(QHostAddress::LocalHost), port);
    m_socket.waitForConnected(5000);
}

void RawClient::sendBytes(const QByteArray& bytes) {
    m_socket.write(bytes);
    while (m_socket.bytesToWrite() > 0 && m_socket.waitForBytesWritten(5000)) {
    }
}

std::optional<Message> RawClient::receive(int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    protocol::FrameReader reader;
    for (;;) {
        reader.reset();
        reader.feed(m_buffer);
        QByteArray payload;
        if (reader.next(&payload)) {
            m_buffer.remove(0, protocol::Frame::kHeaderSize + payload.size());
            auto decoded = Message::fromServer(payload);
            if (!decoded.ok())
                return std::nullopt;
            return decoded.take();
        }
        if (m_socket.bytesAvailable() == 0 &&
            (deadline.hasExpired() || !m_socket.waitForReadyRead(int(deadline.remainingTime()))))
            return std::nullopt;
        m_buffer += m_socket.readAll();
    }
}

bool RawClient::greet(const QString& token) {
    send(Message::hello(QStringLiteral("Zel00100.rdmApuracaoZel"), Message::kVersion, token));
    const auto answer = receive();
    return answer && answer->type == Message::Type::HelloOk;
}

bool RawClient::waitClosed(int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (m_socket.state() == QAbstractSocket::ConnectedState && !deadline.hasExpired()) {
        m_socket.readAll();
        m_socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
    }
    return m_socket.state() != QAbstractSocket::ConnectedState;
}
