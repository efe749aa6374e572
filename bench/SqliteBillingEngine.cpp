#include "bench/SqliteBillingEngine.h"

#include "core/Exception.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

SqliteBillingEngine::SqliteBillingEngine(const QString& dir)
    : m_a(QDir(dir).filePath(QStringLiteral("zelbench_a.db")))
    , m_b(QDir(dir).filePath(QStringLiteral("zelbench_b.db"))) {}

BillingEngine::Databases SqliteBillingEngine::create(const QString& appserver, qint64 n,
                                                     const QString& company, double* seedSeconds) {
    drop();
    const QString a = QStringLiteral("sqlite:") + m_a;
    *seedSeconds = seed(appserver, a, n, company);
    // init-db has ended, so a log left beside the file holds committed pages: copy it too.
    // The shared-memory index is rebuilt by whoever opens the copy.
    copy(m_a, m_b);
    if (QFileInfo(m_a + "-wal").size() > 0)
        copy(m_a + "-wal", m_b + "-wal");
    return {a, QStringLiteral("sqlite:") + m_b};
}

QString SqliteBillingEngine::copyOfB(const QString& tag) {
    const QString path = QFileInfo(m_b).dir().filePath(QStringLiteral("zelbench_%1.db").arg(tag));
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        QFile::remove(path + suffix);
    copy(m_b, path);
    if (QFileInfo(m_b + "-wal").size() > 0)
        copy(m_b + "-wal", path + "-wal");
    m_copies.append(path);
    return QStringLiteral("sqlite:") + path;
}

void SqliteBillingEngine::drop() {
    for (const QString& base : QStringList{m_a, m_b} + m_copies) {
        for (const char* suffix : {"", "-wal", "-shm", "-journal"})
            QFile::remove(base + suffix);
    }
    m_copies.clear();
}

void SqliteBillingEngine::copy(const QString& from, const QString& to) {
    if (!QFile::copy(from, to))
        throw Exception(QStringLiteral("Não foi possível copiar %1 para %2.").arg(from, to));
}
