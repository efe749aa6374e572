#include "external/appserver/TRemoteArg.h"

using protocol::ArgKind;
using protocol::RemoteValue;

TRemoteArg::TRemoteArg(ArgKind kind, RemoteValue value)
    : m_kind(kind)
    , m_value(std::move(value)) {}

TRemoteArg TRemoteArg::S(const QString& text) {
    return TRemoteArg(ArgKind::S, text);
}

TRemoteArg TRemoteArg::R(const QString& text) {
    return TRemoteArg(ArgKind::R, text);
}

TRemoteArg TRemoteArg::R(QString* variable) {
    TRemoteArg arg(ArgKind::R, *variable);
    arg.m_text = variable;
    return arg;
}

TRemoteArg TRemoteArg::D(const QDate& date) {
    return TRemoteArg(ArgKind::D, date);
}

TRemoteArg TRemoteArg::V(const RemoteValue& value) {
    return TRemoteArg(ArgKind::V, value);
}

TRemoteArg TRemoteArg::V(RemoteValue* variable) {
    TRemoteArg arg(ArgKind::V, *variable);
    arg.m_variable = variable;
    return arg;
}

RemoteValue TRemoteArg::value() const {
    if (m_text)
        return *m_text;
    if (m_variable)
        return *m_variable;
    return m_value;
}

void TRemoteArg::writeBack(const RemoteValue& value) {
    // An R argument is a text variable: whatever the server sent is read as text.
    m_value = m_kind == ArgKind::R ? RemoteValue(value.toString()) : value;
    if (m_text)
        *m_text = m_value.toString();
    if (m_variable)
        *m_variable = m_value;
}
