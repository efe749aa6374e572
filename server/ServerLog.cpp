#include "server/ServerLog.h"

#include <QDateTime>
#include <QMutexLocker>

#include <cstdio>

ServerLog::ServerLog(Sink sink)
    : m_sink(std::move(sink)) {}

void ServerLog::call(qint64 session, const QString& user, const QString& method, qint64 elapsedMs,
                     bool ok, const QString& failure) {
    const QString outcome =
        ok ? QStringLiteral("ok") : QStringLiteral("falha: ") + clean(failure, 500);
    write(QStringLiteral("sessão %1 usuário \"%2\" %3 %4 ms %5")
              .arg(session)
              .arg(clean(user, 30), clean(method, 64))
              .arg(elapsedMs)
              .arg(outcome));
}

void ServerLog::session(qint64 session, const QString& text) {
    write(QStringLiteral("sessão %1 %2").arg(session).arg(clean(text, 500)));
}

void ServerLog::server(const QString& text) {
    write(clean(text, 500));
}

QString ServerLog::clean(const QString& text, qsizetype maxLength) {
    QString out = text.left(maxLength);
    for (QChar& c : out) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator)
            c = u' ';
    }
    if (text.size() > maxLength)
        out += QStringLiteral("...");
    return out;
}

void ServerLog::write(const QString& text) {
    const QString line =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz ")) + text;
    QMutexLocker lock(&m_mutex);
    if (m_sink) {
        m_sink(line);
        return;
    }
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}
