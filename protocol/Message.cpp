#include "protocol/Message.h"

#include "protocol/CborCursor.h"
#include "protocol/Frame.h"
#include "protocol/ValueReader.h"
#include "protocol/ValueWriter.h"

#include <QBuffer>

namespace protocol {

namespace {

// Who wrote a message: each side reads only the members of what the other side sends and
// skips the rest unread, so a call cannot make the server decode a packet as its "result".
enum class From { Client, Server };

// Every key a message may carry, in one place, so each is read once and its type checked.
struct Fields {
    enum Key : unsigned {
        Hello = 1,
        Version = 2,
        Token = 4,
        Session = 8,
        Error = 16,
        Id = 32,
        Call = 64,
        Args = 128,
        Progress = 256,
        Result = 512,
        Refs = 1024,
        User = 2048,
    };
    static constexpr unsigned kFromClient = Hello | Version | Token | User | Id | Call | Args;
    static constexpr unsigned kFromServer =
        Hello | Version | Session | Error | Id | Progress | Result | Refs;

    explicit Fields(From from)
        : from(from) {}

    From from;
    unsigned seen = 0;
    Message msg;

    bool has(unsigned keys) const { return (seen & keys) == keys; }
    unsigned readable() const { return from == From::Client ? kFromClient : kFromServer; }
};

CborCursor::Limits limitsFor(From from, qsizetype size) {
    CborCursor::Limits limits;
    const auto bytes = quint64(size);
    if (from == From::Client) {
        limits.budget = Message::kCallBudgetFactor * bytes + Message::kCallAllowance;
        limits.maxItems = Message::kMaxCallItems;
    } else {
        limits.budget = Message::kReplyBudgetFactor * bytes + Message::kReplyAllowance;
    }
    return limits;
}

template <typename T>
Decoded<T> failureOf(const CborCursor& r) {
    return r.overLimit() ? Decoded<T>::overLimit(r.error()) : Decoded<T>::failure(r.error());
}

bool readNonNegative(CborCursor& r, qint64* value, const char* what) {
    if (!r.readInteger(value) || *value < 0)
        return r.fail(
            QStringLiteral("\"%1\" não é inteiro não negativo").arg(QLatin1StringView(what)));
    return true;
}

bool readTextKey(CborCursor& r, QString* value, const char* what) {
    if (!r.readText(value))
        return r.fail(QStringLiteral("\"%1\" não é texto").arg(QLatin1StringView(what)));
    return true;
}

bool readArgs(CborCursor& r, QList<RemoteValue>* args) {
    CborCursor::Container c;
    if (!r.beginArray(&c))
        return r.fail(QStringLiteral("\"args\" não é lista"));
    const auto tooMany = [&] {
        return r.failOverLimit(QStringLiteral("mais de %1 argumentos").arg(Message::kMaxArgs));
    };
    if (!c.indefinite && c.remaining > quint64(Message::kMaxArgs))
        return tooMany();
    if (!r.charge(c.remaining * ValueReader::kSlotCost))
        return false;
    args->reserve(r.reserveHint(c, 1, Message::kMaxArgs));
    ValueReader reader(r, ValueReader::Shape::CallArgument);
    while (r.hasNext(c)) {
        if (args->size() == Message::kMaxArgs)
            return tooMany();
        if (c.indefinite && !r.charge(ValueReader::kSlotCost))
            return false;
        RemoteValue value;
        if (!reader.read(&value))
            return r.fail(QStringLiteral("argumento %1 inválido").arg(args->size()));
        args->append(std::move(value));
    }
    return !r.failed();
}

// Positions are integer keys; decimal text keys are taken too, for writers that only
// have text keys.
bool readRefs(CborCursor& r, QMap<int, RemoteValue>* refs) {
    CborCursor::Container c;
    // A map node around each value.
    if (!r.beginMap(&c, ValueReader::kSlotCost + 32))
        return r.fail(QStringLiteral("\"refs\" não é mapa"));
    while (r.hasNext(c)) {
        qint64 position = -1;
        bool ok = true;
        if (r.isText()) {
            QString key;
            ok = r.readText(&key);
            position = key.toLongLong(&ok);
        } else {
            ok = r.readInteger(&position);
        }
        if (!ok || position < 0 || position > 1024)
            return r.fail(QStringLiteral("\"refs\": posição inválida"));
        RemoteValue value;
        if (!ValueReader(r).read(&value))
            return false;
        refs->insert(int(position), std::move(value));
    }
    return !r.failed();
}

bool readProgress(CborCursor& r, Message* msg) {
    CborCursor::Container c;
    if (!r.beginMap(&c))
        return r.fail(QStringLiteral("\"progress\" não é mapa"));
    while (r.hasNext(c)) {
        QString key;
        if (!readTextKey(r, &key, "progress"))
            return false;
        bool ok = true;
        if (key == u"done")
            ok = readNonNegative(r, &msg->done, "done");
        else if (key == u"total")
            ok = readNonNegative(r, &msg->total, "total");
        else if (key == u"text")
            ok = readTextKey(r, &msg->text, "text");
        else
            ok = r.skipValue();
        if (!ok)
            return false;
    }
    return !r.failed();
}

unsigned keyBit(const QString& key) {
    static const QList<std::pair<QString, unsigned>> keys{
        {QStringLiteral("hello"), Fields::Hello},
        {QStringLiteral("version"), Fields::Version},
        {QStringLiteral("token"), Fields::Token},
        {QStringLiteral("session"), Fields::Session},
        {QStringLiteral("error"), Fields::Error},
        {QStringLiteral("id"), Fields::Id},
        {QStringLiteral("call"), Fields::Call},
        {QStringLiteral("args"), Fields::Args},
        {QStringLiteral("progress"), Fields::Progress},
        {QStringLiteral("result"), Fields::Result},
        {QStringLiteral("refs"), Fields::Refs},
        {QStringLiteral("user"), Fields::User},
    };
    for (const auto& [name, bit] : keys) {
        if (key == name)
            return bit;
    }
    return 0;
}

// Members beyond `wanted` are skipped: room for later additions, and nothing decoded of
// what this side never reads.
bool readMember(CborCursor& r, const QString& key, unsigned wanted, Fields* f) {
    const unsigned bit = keyBit(key) & wanted;
    if (bit == 0)
        return r.skipValue();
    if (f->seen & bit)
        return r.fail(QStringLiteral("chave \"%1\" repetida").arg(key));
    f->seen |= bit;
    Message& m = f->msg;
    qint64 number = 0;
    switch (bit) {
    case Fields::Hello:
        return readTextKey(r, &m.name, "hello");
    case Fields::Version:
        if (!readNonNegative(r, &number, "version") || number > 1000000)
            return r.fail(QStringLiteral("versão inválida"));
        m.version = int(number);
        return true;
    case Fields::Token:
        return readTextKey(r, &m.token, "token");
    case Fields::Session:
        return readNonNegative(r, &m.session, "session");
    case Fields::Error:
        return readTextKey(r, &m.text, "error");
    case Fields::Id:
        return readNonNegative(r, &m.id, "id");
    case Fields::Call:
        return readTextKey(r, &m.name, "call");
    case Fields::Args:
        return readArgs(r, &m.args);
    case Fields::Progress:
        return readProgress(r, &m);
    case Fields::Result:
        return ValueReader(r).read(&m.result);
    case Fields::Refs:
        return readRefs(r, &m.refs);
    case Fields::User:
        return readTextKey(r, &m.user, "user");
    }
    return false;
}

// With `scan`, reading stops once every wanted member was read: what follows is neither
// decoded nor checked.
Decoded<Fields> readFields(QByteArrayView cbor, From from, unsigned wanted,
                           const CborCursor::Limits& limits, bool scan = false) {
    CborCursor r(cbor, limits);
    Fields f(from);
    CborCursor::Container c;
    if (!r.beginMap(&c))
        return Decoded<Fields>::failure(QStringLiteral("mensagem não é mapa"));
    while (r.hasNext(c)) {
        if (scan && f.has(wanted))
            return Decoded<Fields>::success(std::move(f));
        QString key;
        if (!r.readText(&key)) {
            r.fail(QStringLiteral("chave da mensagem não é texto"));
            return failureOf<Fields>(r);
        }
        if (!readMember(r, key, wanted, &f))
            return failureOf<Fields>(r);
    }
    if (!r.expectEnd())
        return failureOf<Fields>(r);
    return Decoded<Fields>::success(std::move(f));
}

Decoded<Fields> readFields(QByteArrayView cbor, From from) {
    return readFields(cbor, from, Fields(from).readable(), limitsFor(from, cbor.size()));
}

// A few members of a client's message, the others before them skipped: skipping
// allocates nothing, so only the size of what is read is bounded.
Decoded<Fields> scanFields(QByteArrayView cbor, unsigned wanted) {
    CborCursor::Limits limits;
    limits.budget = Message::kCallAllowance;
    return readFields(cbor, From::Client, wanted, limits, true);
}

Decoded<Message> classified(Fields& f, Message::Type type, unsigned required) {
    if (!f.has(required))
        return Decoded<Message>::failure(QStringLiteral("mensagem incompleta"));
    f.msg.type = type;
    return Decoded<Message>::success(std::move(f.msg));
}

void writeKey(QCborStreamWriter& w, const char* key) {
    w.append(QLatin1StringView(key));
}

} // namespace

Message Message::hello(const QString& server, int version, const QString& token,
                       const QString& user) {
    Message m;
    m.type = Type::Hello;
    m.name = server;
    m.version = version;
    m.token = token;
    m.user = user;
    return m;
}

Message Message::helloOk(qint64 session, int version) {
    Message m;
    m.type = Type::HelloOk;
    m.session = session;
    m.version = version;
    return m;
}

Message Message::helloRefused(const QString& text) {
    Message m;
    m.type = Type::HelloRefused;
    m.text = text;
    return m;
}

Message Message::call(qint64 id, const QString& method, QList<RemoteValue> args) {
    Message m;
    m.type = Type::Call;
    m.id = id;
    m.name = method;
    m.args = std::move(args);
    return m;
}

Message Message::progress(qint64 id, qint64 done, qint64 total, const QString& text) {
    Message m;
    m.type = Type::Progress;
    m.id = id;
    m.done = done;
    m.total = total;
    m.text = text;
    return m;
}

Message Message::reply(qint64 id, RemoteValue result, QMap<int, RemoteValue> refs) {
    Message m;
    m.type = Type::Reply;
    m.id = id;
    m.result = std::move(result);
    m.refs = std::move(refs);
    return m;
}

Message Message::failure(qint64 id, const QString& text) {
    Message m;
    m.type = Type::Failure;
    m.id = id;
    m.text = text;
    return m;
}

Decoded<Message> Message::fromClient(QByteArrayView cbor) {
    auto read = readFields(cbor, From::Client);
    if (!read.ok())
        return read.isOverLimit() ? Decoded<Message>::overLimit(read.error())
                                  : Decoded<Message>::failure(read.error());
    Fields& f = read.value();
    if (f.has(Fields::Call))
        return classified(f, Type::Call, Fields::Id | Fields::Args);
    if (f.has(Fields::Hello))
        return classified(f, Type::Hello, Fields::Version);
    return Decoded<Message>::failure(QStringLiteral("mensagem desconhecida"));
}

Decoded<Message> Message::fromServer(QByteArrayView cbor) {
    auto read = readFields(cbor, From::Server);
    if (!read.ok())
        return read.isOverLimit() ? Decoded<Message>::overLimit(read.error())
                                  : Decoded<Message>::failure(read.error());
    Fields& f = read.value();
    if (f.has(Fields::Id)) {
        if (f.has(Fields::Progress))
            return classified(f, Type::Progress, 0);
        if (f.has(Fields::Error))
            return classified(f, Type::Failure, 0);
        return classified(f, Type::Reply, Fields::Result);
    }
    if (f.has(Fields::Hello)) {
        if (f.msg.name != u"ok")
            return Decoded<Message>::failure(QStringLiteral("resposta de apresentação inválida"));
        return classified(f, Type::HelloOk, Fields::Version | Fields::Session);
    }
    if (f.has(Fields::Error))
        return classified(f, Type::HelloRefused, 0);
    return Decoded<Message>::failure(QStringLiteral("mensagem desconhecida"));
}

Decoded<QString> Message::helloToken(QByteArrayView cbor) {
    auto read = scanFields(cbor, Fields::Token);
    if (!read.ok())
        return Decoded<QString>::failure(read.error());
    return Decoded<QString>::success(read.value().msg.token);
}

Decoded<Message> Message::callHeader(QByteArrayView cbor) {
    auto read = scanFields(cbor, Fields::Id | Fields::Call);
    if (!read.ok())
        return Decoded<Message>::failure(read.error());
    return classified(read.value(), Type::Call, Fields::Id | Fields::Call);
}

QByteArray Message::toCbor(QString* error) const {
    QByteArray bytes;
    writeTo(&bytes, error);
    return bytes;
}

QByteArray Message::toFrame(QString* error) const {
    QByteArray frame = Frame::start();
    writeTo(&frame, error);
    Frame::seal(frame);
    return frame;
}

void Message::writeTo(QByteArray* out, QString* error) const {
    // A writer on a QByteArray starts at offset 0; the buffer in append mode keeps the
    // frame header in front.
    QBuffer buffer(out);
    buffer.open(QIODevice::WriteOnly | QIODevice::Append);
    QCborStreamWriter w(&buffer);
    ValueWriter values(w);
    switch (type) {
    case Type::Hello:
        w.startMap(2 + (token.isEmpty() ? 0 : 1) + (user.isEmpty() ? 0 : 1));
        writeKey(w, "hello");
        w.append(QStringView(name));
        writeKey(w, "version");
        w.append(qint64(version));
        if (!token.isEmpty()) {
            writeKey(w, "token");
            w.append(QStringView(token));
        }
        if (!user.isEmpty()) {
            writeKey(w, "user");
            w.append(QStringView(user));
        }
        break;
    case Type::HelloOk:
        w.startMap(3);
        writeKey(w, "hello");
        w.append(QLatin1StringView("ok"));
        writeKey(w, "version");
        w.append(qint64(version));
        writeKey(w, "session");
        w.append(session);
        break;
    case Type::HelloRefused:
        w.startMap(1);
        writeKey(w, "error");
        w.append(QStringView(text));
        break;
    case Type::Call:
        w.startMap(3);
        writeKey(w, "id");
        w.append(id);
        writeKey(w, "call");
        w.append(QStringView(name));
        writeKey(w, "args");
        w.startArray(quint64(args.size()));
        for (const RemoteValue& arg : args)
            values.write(arg);
        w.endArray();
        break;
    case Type::Progress:
        w.startMap(2);
        writeKey(w, "id");
        w.append(id);
        writeKey(w, "progress");
        w.startMap(3);
        writeKey(w, "done");
        w.append(done);
        writeKey(w, "total");
        w.append(total);
        writeKey(w, "text");
        w.append(QStringView(text));
        w.endMap();
        break;
    case Type::Reply:
        w.startMap(3);
        writeKey(w, "id");
        w.append(id);
        writeKey(w, "result");
        values.write(result);
        writeKey(w, "refs");
        w.startMap(quint64(refs.size()));
        for (auto it = refs.cbegin(); it != refs.cend(); ++it) {
            w.append(qint64(it.key()));
            values.write(it.value());
        }
        w.endMap();
        break;
    case Type::Failure:
        w.startMap(2);
        writeKey(w, "id");
        w.append(id);
        writeKey(w, "error");
        w.append(QStringView(text));
        break;
    }
    w.endMap();
    if (error)
        *error = values.error();
}

} // namespace protocol
