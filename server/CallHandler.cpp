#include "server/CallHandler.h"

#include "server/ServerFailure.h"
#include "server/ServerSettings.h"

#include <QElapsedTimer>

using protocol::Message;
using protocol::RemoteValue;

CallHandler::CallHandler(const ServerSettings& settings, RemoteModule& module, QSqlDatabase db,
                         qint64 session, QString user)
    : m_settings(settings)
    , m_module(module)
    , m_db(std::move(db))
    , m_session(session)
    , m_user(std::move(user)) {}

QString CallHandler::unexpectedFailureText() {
    return QStringLiteral("Erro interno no servidor de aplicação; a operação não foi concluída.");
}

QByteArray CallHandler::handle(const Message& call, const Send& send) {
    QElapsedTimer timer;
    timer.start();
    QString fault;
    const QString refusal = checkCall(call);
    const Message reply =
        refusal.isEmpty() ? run(call, send, &fault) : Message::failure(call.id, refusal);
    QString encodeFault;
    QByteArray frame = reply.toFrame(&encodeFault);
    if (!encodeFault.isEmpty() ||
        frame.size() - protocol::Frame::kHeaderSize > m_settings.maxReplySize) {
        // A reply the client would misread (a cell sent as null) or refuse (too big) is
        // worse than a clear failure.
        fault = encodeFault.isEmpty()
                    ? QStringLiteral("resposta de %1 bytes excede o limite").arg(frame.size())
                    : QStringLiteral("resposta não codificável: %1").arg(encodeFault);
        frame = Message::failure(call.id, unexpectedFailureText()).toFrame();
    }
    const bool ok = reply.type == Message::Type::Reply && fault.isEmpty();
    const QString logged = fault.isEmpty()
                               ? reply.text
                               : unexpectedFailureText() + QStringLiteral(" (") + fault + u')';
    m_settings.log->call(m_session, m_user, call.name, timer.elapsed(), ok, logged);
    return frame;
}

QByteArray CallHandler::refuse(const Message& call, const QString& why) {
    const QString text = invalidCallText(call.name);
    m_settings.log->call(m_session, m_user, call.name, 0, false,
                         text + QStringLiteral(" (") + why + u')');
    return Message::failure(call.id, text).toFrame();
}

QString CallHandler::invalidCallText(const QString& method) {
    return QStringLiteral("Chamada inválida: %1").arg(method);
}

QString CallHandler::checkCall(const Message& call) const {
    const auto found = m_settings.signatures.constFind(call.name);
    if (found == m_settings.signatures.cend())
        return QStringLiteral("Método desconhecido: %1").arg(call.name);
    const QList<protocol::ArgKind>& kinds = *found;
    bool fits = kinds.size() == call.args.size();
    for (qsizetype i = 0; fits && i < kinds.size(); ++i) {
        // A NUL ends a text early on some engines and is refused by others: no database
        // column holds one, so it can only be an attack or a fault of the client.
        const protocol::RemoteValue& arg = call.args[i];
        fits =
            protocol::fitsArgKind(kinds[i], arg) &&
            !(arg.type() == protocol::RemoteValue::Type::Text && arg.toString().contains(QChar(0)));
    }
    return fits ? QString() : invalidCallText(call.name);
}

Message CallHandler::run(const Message& call, const Send& send, QString* fault) {
    QList<RemoteValue> args = call.args;
    const auto progress = [&](qint64 done, qint64 total, const QString& text) {
        send(Message::progress(call.id, done, total, text).toFrame());
    };
    try {
        RemoteValue result = m_module.call(call.name, args, progress);
        return Message::reply(
            call.id, std::move(result),
            protocol::referenceValues(m_settings.signatures.value(call.name), args));
    } catch (const ServerFailure& failure) {
        return Message::failure(call.id, failure.text());
    } catch (const std::exception& e) {
        *fault = QString::fromUtf8(e.what());
    } catch (...) {
        *fault = QStringLiteral("exceção desconhecida");
    }
    if (fault->isEmpty())
        *fault = QStringLiteral("exceção sem texto");
    rollBack();
    return Message::failure(call.id, unexpectedFailureText());
}

// A method that failed halfway may have left its transaction open; closing it here keeps
// its locks from blocking every other session. Without a transaction this does nothing.
void CallHandler::rollBack() {
    if (m_db.isValid() && m_db.isOpen())
        m_db.rollback();
}
