#include "db/TDatabase.h"

#include "core/Exception.h"
#include "db/SqliteFunctions.h"

#include <atomic>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {
std::atomic<int> g_connectionCounter{0};

const QString kMemoryPath = QStringLiteral(":memory:");

QString driverError(const QSqlError& error) {
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.driverText().trimmed();
    return text.isEmpty() ? error.text().trimmed() : text;
}
} // namespace

TDatabase::TDatabase()
    : m_connectionName(QStringLiteral("zel-db-%1").arg(g_connectionCounter.fetch_add(1))) {}

TDatabase::~TDatabase() {
    close();
}

void TDatabase::open(const QString& url, OpenMode mode) {
    close();
    m_url = TDatabaseUrl::parse(url);
    if (m_url.dialect() == TDialect::SQLite)
        openSqlite(mode);
    else
        openPostgreSql();
}

bool TDatabase::isOpen() const {
    return m_db.isValid() && m_db.isOpen();
}

void TDatabase::close() {
    if (!m_db.isValid())
        return;
    m_db.close();
    m_db = QSqlDatabase(); // the last handle must go before the connection is removed
    QSqlDatabase::removeDatabase(m_connectionName);
}

void TDatabase::openSqlite(OpenMode mode) {
    const QString path = m_url.path();
    if (mode == OpenMode::ExistingOnly && path != kMemoryPath && !QFileInfo::exists(path))
        fail(QStringLiteral("o arquivo não existe"));
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
        fail(QStringLiteral("driver QSQLITE não instalado"));
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    m_db.setDatabaseName(path);
    if (!m_db.open())
        fail(driverError(m_db.lastError()));
    prepareSqlite();
}

void TDatabase::prepareSqlite() {
    const QVariant handle = m_db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        fail(QStringLiteral("o driver QSQLITE não expõe o banco SQLite"));
    auto* sqlite = *static_cast<sqlite3* const*>(handle.constData());
    if (!sqlite)
        fail(QStringLiteral("o driver QSQLITE não abriu o banco SQLite"));
    const QString error = SqliteFunctions::install(sqlite);
    if (!error.isEmpty())
        fail(QStringLiteral("falha ao registrar funções: %1").arg(error));
    exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(busyTimeoutMs));
    exec(QStringLiteral("PRAGMA foreign_keys = ON"));
    exec(QStringLiteral("PRAGMA journal_mode = WAL"));
    exec(QStringLiteral("PRAGMA synchronous = NORMAL"));
}

void TDatabase::openPostgreSql() {
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        fail(QStringLiteral("driver QPSQL não instalado"));
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_connectionName);
    m_db.setHostName(m_url.hostName());
    m_db.setPort(m_url.port());
    m_db.setUserName(m_url.userName());
    m_db.setPassword(m_url.password());
    m_db.setDatabaseName(m_url.databaseName());
    m_db.setConnectOptions(QStringLiteral("connect_timeout=10"));
    if (!m_db.open())
        fail(driverError(m_db.lastError()));
    // Dates must read back as dates whatever the server's settings.
    exec(QStringLiteral("SET DateStyle = ISO"));
}

void TDatabase::exec(const QString& statement) {
    QString error;
    {
        QSqlQuery query(m_db);
        if (!query.exec(statement))
            error = driverError(query.lastError());
    } // the query must be gone before fail() removes the connection
    if (!error.isEmpty())
        fail(error);
}

void TDatabase::fail(const QString& why) {
    const QString shown = m_url.display();
    close();
    throw Exception(
        QStringLiteral("Não foi possível abrir o banco de dados %1: %2").arg(shown, why));
}
