#pragma once

#include <optional>
#include <QDate>
#include <QDateTime>

// The one source of today's date and the current moment. Tests and `--today` fix it; nothing
// else reads the system time.
class TClock {
public:
    QDate today() const;
    QDateTime now() const;

    // Fixes the clock at a moment; the date part is what today() then gives.
    void setNow(const QDateTime& moment);
    // Fixes today's date, keeping the system's time of day for now().
    void setToday(const QDate& date);
    // Back to the system clock.
    void reset();
    bool isFixed() const { return m_fixedNow.has_value() || m_fixedToday.has_value(); }

private:
    std::optional<QDateTime> m_fixedNow;
    std::optional<QDate> m_fixedToday;
};

// The process-wide clock.
TClock& Clock();
