#include "platform/TClock.h"

QDate TClock::today() const {
    return now().date();
}

QDateTime TClock::now() const {
    if (m_fixedNow)
        return *m_fixedNow;
    QDateTime moment = QDateTime::currentDateTime();
    if (m_fixedToday)
        moment.setDate(*m_fixedToday);
    return moment;
}

void TClock::setNow(const QDateTime& moment) {
    m_fixedNow = moment;
    m_fixedToday.reset();
}

void TClock::setToday(const QDate& date) {
    m_fixedToday = date;
    m_fixedNow.reset();
}

void TClock::reset() {
    m_fixedNow.reset();
    m_fixedToday.reset();
}

TClock& Clock() {
    static TClock clock;
    return clock;
}
