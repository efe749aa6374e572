#pragma once

#include "protocol/Decoded.h"
#include "protocol/RemoteValue.h"

#include <QByteArray>
#include <QMap>

namespace protocol {

// One message of the conversation between the module and the application server:
//   client hello   {"hello": SERVER, "version": 1, "token": "...", "user": "..."}
//                  (token and user only when set)
//   hello answer   {"hello": "ok", "version": 1, "session": N}  or  {"error": "text"}
//   call           {"id": N, "call": METHOD, "args": [...]}
//   progress       {"id": N, "progress": {"done": D, "total": T, "text": "..."}}
//   reply          {"id": N, "result": VALUE, "refs": {POSITION: VALUE, ...}}
//   failure        {"id": N, "error": "text"}
// Messages are written straight into a frame with a streaming writer.
class Message {
public:
    enum class Type { Hello, HelloOk, HelloRefused, Call, Progress, Reply, Failure };
    static constexpr int kVersion = 1;

    // What decoding one message may allocate: a multiple of its size, plus an allowance
    // for the fixed cost of small ones. A call holds a few short scalars and perhaps a
    // small change packet; a reply may hold a large data packet, whose narrow rows take
    // several times their wire size.
    static constexpr quint64 kCallBudgetFactor = 4;
    static constexpr quint64 kCallAllowance = 256 * 1024;
    static constexpr quint64 kReplyBudgetFactor = 12;
    static constexpr quint64 kReplyAllowance = 1024 * 1024;
    // A call's arguments, and the items of any list or map inside a call.
    static constexpr qsizetype kMaxArgs = 64;
    static constexpr quint64 kMaxCallItems = 4096;

    static Message hello(const QString& server, int version = kVersion, const QString& token = {},
                         const QString& user = {});
    static Message helloOk(qint64 session, int version = kVersion);
    static Message helloRefused(const QString& text);
    static Message call(qint64 id, const QString& method, QList<RemoteValue> args);
    static Message progress(qint64 id, qint64 done, qint64 total, const QString& text);
    static Message reply(qint64 id, RemoteValue result, QMap<int, RemoteValue> refs = {});
    static Message failure(qint64 id, const QString& text);

    // What a server reads (hello, call) and what a client reads (the rest). A message
    // that is well formed but holds more than its kind may is refused as over the limit
    // (Decoded::isOverLimit()), before what it declares is allocated.
    static Decoded<Message> fromClient(QByteArrayView cbor);
    static Decoded<Message> fromServer(QByteArrayView cbor);
    // The token of a hello, with nothing else of it decoded; empty when it has none.
    static Decoded<QString> helloToken(QByteArrayView cbor);
    // The id and method of a call, its arguments skipped unread: enough to answer a call
    // whose arguments were refused.
    static Decoded<Message> callHeader(QByteArrayView cbor);

    // `error`, when given, receives the first value that could not be written as its
    // field's type (written as null); empty when all went well.
    QByteArray toCbor(QString* error = nullptr) const;
    QByteArray toFrame(QString* error = nullptr) const;

    Type type = Type::Hello;
    qint64 id = 0;
    QString name; // server name of a hello, method of a call
    int version = kVersion;
    QString token;
    QString user; // the desktop's operating-system user, in a hello
    qint64 session = 0;
    QString text; // failure or refusal text, progress text
    qint64 done = 0;
    qint64 total = 0;
    QList<RemoteValue> args;
    RemoteValue result;
    QMap<int, RemoteValue> refs;

private:
    void writeTo(QByteArray* out, QString* error) const; // appends
};

} // namespace protocol
