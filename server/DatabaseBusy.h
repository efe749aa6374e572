#pragma once

#include "core/EDBEngineError.h"

#include <QString>

// A write that could not get its lock in time: on SQLite the one writer at a time is
// another session (a long computation, most likely), on PostgreSQL a lock timeout ran out.
// Nothing was done, so the client is told to try again rather than that the server failed.
class DatabaseBusy {
public:
    static QString text();
    static bool is(const EDBEngineError& error);
};
