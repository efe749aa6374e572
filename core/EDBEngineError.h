#pragma once

#include "core/Exception.h"

#include <QStringList>

// A failure reported by the database engine, with the engine's error entries in the order it
// gave them (the general text first, then the details). The message is what a user is shown
// when nobody rebuilds it from the entries.
class EDBEngineError : public Exception {
public:
    EDBEngineError(const QString& message, const QStringList& entries);

    const QStringList& entries() const { return m_entries; }

private:
    QStringList m_entries;
};
