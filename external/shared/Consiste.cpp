#include "external/shared/Consiste.h"

#include "core/EAbort.h"
#include "platform/TApplication.h"
#include "platform/TDBGrid.h"
#include "platform/TPresenter.h"

namespace Consiste {

void MensErro(const QString& text, bool abort) {
    Application().presenter().showError(text);
    if (abort)
        Abort();
}

bool EmptyString(const QString& text) {
    for (QChar c : text) {
        if (!c.isSpace() && c != u'/')
            return false;
    }
    return true;
}

QString Replace(const QString& oldText, const QString& source, const QString& newText, int) {
    if (oldText.isEmpty())
        return source;
    QString result = source;
    result.replace(oldText, newText);
    // Entries share their separators ("_A_A_"), so one pass leaves every other one behind;
    // repeat until none is left, unless the replacement would bring the pattern back.
    if (!newText.contains(oldText)) {
        while (result.contains(oldText))
            result.replace(oldText, newText);
    }
    return result;
}

QString Ajusta(const QString& code, int width) {
    const QString trimmed = code.trimmed();
    if (trimmed.isEmpty())
        return trimmed;
    for (QChar c : trimmed) {
        if (c < u'0' || c > u'9')
            return trimmed;
    }
    return trimmed.rightJustified(width, u'0');
}

QString PictPess(const QString& kind) {
    if (kind == u"J")
        return QStringLiteral("99.999.999/9999-99;0; ");
    if (kind == u"F")
        return QStringLiteral("999.999.999-99;0; ");
    return QString();
}

QDate SomaMes(const QDate& date, int months) {
    // QDate::addMonths already clamps the day to the end of the target month.
    return date.addMonths(months);
}

QDate UltDiaMes(int month, int year) {
    const QDate first(year, month, 1);
    return QDate(year, month, first.daysInMonth());
}

int IndiceCol(const TDBGrid& grid, const QString& fieldName) {
    for (int i = 0; i < grid.columnCount(); ++i) {
        if (grid.column(i).fieldName().compare(fieldName, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

} // namespace Consiste
