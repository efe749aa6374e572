#include "core/EDBEngineError.h"

EDBEngineError::EDBEngineError(const QString& message, const QStringList& entries)
    : Exception(message)
    , m_entries(entries) {}
