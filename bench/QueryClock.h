#pragma once

#include <QtGlobal>

class TComponent;

// Times the database queries a screen runs on the client's own connection (lookups,
// validations): every query component under `owner` gets its opening timed, from just
// before the SQL runs to just after its rows are loaded, whatever handlers it already has.
class QueryClock {
public:
    // Wraps the queries owned, directly or not, by `owner`. Returns how many.
    int attach(TComponent& owner);

    // Nanoseconds spent opening the queries since the start.
    qint64 total() const { return m_total; }

private:
    qint64 m_total = 0;
    qint64 m_started = 0;
};
