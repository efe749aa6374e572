#include "host/ScriptFailure.h"

ScriptFailure::ScriptFailure(int line, const QString& reason)
    : m_line(line)
    , m_reason(reason) {}

QString ScriptFailure::message() const {
    if (m_line <= 0)
        return m_reason;
    return QStringLiteral("linha %1: %2").arg(m_line).arg(m_reason);
}
