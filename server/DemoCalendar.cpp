#include "server/DemoCalendar.h"

#include <algorithm>

QList<QDate> DemoCalendar::closingsOf(int year, int month, const QList<int>& closingDays) {
    const int last = QDate(year, month, 1).daysInMonth();
    QList<QDate> dates;
    for (int day : closingDays) {
        const QDate date(year, month, std::clamp(day, 1, last));
        if (!dates.contains(date))
            dates.append(date);
    }
    std::sort(dates.begin(), dates.end());
    return dates;
}

DemoCalendar::Period DemoCalendar::closedBy(const QDate& today, const QList<int>& closingDays) {
    if (!today.isValid())
        return {};
    // Two months back always hold a closing that is not the first of its month.
    QDate month(today.year(), today.month(), 1);
    for (int i = 0; i < 3; ++i, month = month.addMonths(-1)) {
        const QList<QDate> dates = closingsOf(month.year(), month.month(), closingDays);
        for (qsizetype j = dates.size() - 1; j >= 1; --j) {
            if (dates[j] <= today)
                return {dates[j - 1], dates[j - 1].addDays(1), dates[j]};
        }
    }
    return {};
}
