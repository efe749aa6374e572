#include "screens/common/TBillingScreen.h"

#include "external/shared/Consiste.h"
#include "external/shared/TADOIBQuery.h"
#include "platform/TField.h"

namespace {
TBillingScreen* g_current = nullptr;
}

TBillingScreen* TBillingScreen::current() {
    return g_current;
}

void TBillingScreen::publish(TBillingScreen* screen) {
    g_current = screen;
}

void TBillingScreen::withdraw(const TBillingScreen* screen) {
    // Never leave the screens it opened a dangling billing screen.
    if (g_current == screen)
        g_current = nullptr;
}

QString TBillingScreen::companyField(const QString& name) const {
    if (!qryCompanhia->active() || qryCompanhia->isEmpty())
        return QString();
    return qryCompanhia->fieldByName(name).asString();
}

QDate TBillingScreen::nextClosing(const QDate& lastClosing, const QString& closingDay) {
    if (!lastClosing.isValid())
        return QDate();
    const int year = lastClosing.year();
    const int month = lastClosing.month();
    if (closingDay.isEmpty())
        return Consiste::SomaMes(QDate(year, month, 1), 1);
    bool isNumber = false;
    const int day = closingDay.trimmed().toInt(&isNumber);
    const QDate closing(year, month, isNumber ? day : 0);
    return closing.isValid() ? closing : Consiste::UltDiaMes(month, year);
}
