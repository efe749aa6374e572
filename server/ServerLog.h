#pragma once

#include <QMutex>
#include <QString>

#include <functional>

// The server's log: one line per call and per connection event, on standard error unless
// a sink is given. Safe to use from every connection thread. Lines carry method names,
// durations and our own texts, never argument values; anything a client chose (a method
// name) is cut short and stripped of control characters so it cannot forge lines.
class ServerLog {
public:
    using Sink = std::function<void(const QString& line)>;

    explicit ServerLog(Sink sink = {});

    // "... sessão 3 usuário "ana" GetVooTrecho 12 ms ok" or "... falha: TEXT".
    void call(qint64 session, const QString& user, const QString& method, qint64 elapsedMs, bool ok,
              const QString& failure = {});
    // "... sessão 3 conexão encerrada: motivo".
    void session(qint64 session, const QString& text);
    void server(const QString& text);

    static QString clean(const QString& text, qsizetype maxLength = 200);

private:
    void write(const QString& text);

    Sink m_sink;
    QMutex m_mutex;
};
