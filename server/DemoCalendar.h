#pragma once

#include <QDate>
#include <QList>

// The billing periods of the demo, worked out the way the billing screen proposes them: a
// period runs from the day after the last closing (CIAFILI.DTULTFECH) to the next closing
// day of the same month (PERFECHAM; a day past the month's end is its last day). So that
// the screen finds that next closing, a demo's last closing is never the last closing of
// its month: every company closes at least twice a month.
class DemoCalendar {
public:
    struct Period {
        QDate lastClosing; // DTULTFECH
        QDate start;
        QDate end; // the closing that ends it
    };

    // The latest period that has closed on or before `today` for a company closing on
    // `closingDays` (at least two of them, 1 to 31). Invalid dates when there are fewer.
    static Period closedBy(const QDate& today, const QList<int>& closingDays);
    // The closing dates of a month, in order, without repeats.
    static QList<QDate> closingsOf(int year, int month, const QList<int>& closingDays);
};
