#pragma once

#include "protocol/ArgKind.h"
#include "protocol/RemoteValue.h"

#include <QDate>

// One positional argument of a late-bound call: its kind and its value. R and V are
// in-out: after the reply the arguments hold what the server left in them, and an
// argument made from a variable's address writes it back into that variable too.
class TRemoteArg {
public:
    static TRemoteArg S(const QString& text);
    static TRemoteArg R(const QString& text);
    static TRemoteArg R(QString* variable);
    static TRemoteArg D(const QDate& date); // an invalid date travels as null
    static TRemoteArg V(const protocol::RemoteValue& value);
    static TRemoteArg V(protocol::RemoteValue* variable);

    protocol::ArgKind kind() const { return m_kind; }
    // The bound variable's current value, or the value given.
    protocol::RemoteValue value() const;
    // Stores the server's value (and writes it into the bound variable).
    void writeBack(const protocol::RemoteValue& value);

private:
    TRemoteArg(protocol::ArgKind kind, protocol::RemoteValue value);

    protocol::ArgKind m_kind;
    protocol::RemoteValue m_value;
    QString* m_text = nullptr;
    protocol::RemoteValue* m_variable = nullptr;
};
