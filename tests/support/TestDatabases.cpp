#include "tests/support/TestDatabases.h"

#include <atomic>
#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <stdexcept>

namespace TestDatabases {

namespace {

std::atomic<int> g_counter{0};

QString pgServerUrl() {
    return qEnvironmentVariable("ZEL_TEST_PG").trimmed();
}

// Runs one statement on the server's maintenance database of ZEL_TEST_PG's URL (the
// database named there): CREATE and DROP DATABASE cannot run inside the new database.
void onPgServer(const QString& statement) {
    const QUrl url(pgServerUrl());
    const QString connection = QStringLiteral("zel-test-admin-%1").arg(g_counter.fetch_add(1));
    QString error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connection);
        db.setHostName(url.host());
        db.setPort(url.port(5432));
        db.setUserName(url.userName());
        db.setPassword(url.password());
        db.setDatabaseName(url.path().mid(1));
        if (!db.open()) {
            error = db.lastError().text();
        } else {
            QSqlQuery query(db);
            if (!query.exec(statement))
                error = query.lastError().text();
        }
    }
    QSqlDatabase::removeDatabase(connection);
    if (!error.isEmpty())
        throw std::runtime_error((statement + QStringLiteral(": ") + error).toStdString());
}

QString pgUrlFor(const QString& name) {
    QUrl url(pgServerUrl());
    url.setPath(QLatin1Char('/') + name);
    return url.toString();
}

QString newPgName() {
    return QStringLiteral("zel_t_%1_%2")
        .arg(QCoreApplication::applicationPid())
        .arg(g_counter.fetch_add(1));
}

} // namespace

std::vector<Engine> engines() {
    return {Engine::SQLite, Engine::PostgreSQL};
}

QString engineName(Engine engine) {
    return engine == Engine::SQLite ? QStringLiteral("SQLite") : QStringLiteral("PostgreSQL");
}

QString unavailableReason(Engine engine) {
    if (engine == Engine::SQLite) {
        if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
            return QStringLiteral("driver QSQLITE não instalado");
        return {};
    }
    if (pgServerUrl().isEmpty())
        return QStringLiteral("ZEL_TEST_PG não definida: sem servidor PostgreSQL para testes");
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        return QStringLiteral("driver QPSQL não instalado");
    return {};
}

FreshDatabase::FreshDatabase(Engine engine)
    : m_engine(engine) {
    if (engine == Engine::SQLite) {
        m_dir = std::make_unique<QTemporaryDir>();
        if (!m_dir->isValid())
            throw std::runtime_error("no temporary directory");
        m_url = QStringLiteral("sqlite:") + m_dir->filePath(QStringLiteral("test.db"));
        return;
    }
    m_pgName = newPgName();
    onPgServer(QStringLiteral("CREATE DATABASE %1").arg(m_pgName));
    m_url = pgUrlFor(m_pgName);
}

FreshDatabase::~FreshDatabase() {
    if (m_pgName.isEmpty())
        return;
    try {
        onPgServer(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_pgName));
    } catch (const std::exception& e) {
        ADD_FAILURE() << e.what();
    }
}

void EngineTest::SetUp() {
    const QString reason = unavailableReason(GetParam());
    if (!reason.isEmpty())
        GTEST_SKIP() << reason.toStdString();
    m_database = std::make_unique<FreshDatabase>(GetParam());
}

void EngineTest::TearDown() {
    m_database.reset();
}

std::string EngineName::operator()(const ::testing::TestParamInfo<Engine>& info) const {
    return engineName(info.param).toStdString();
}

} // namespace TestDatabases
