#include "external/shared/TDateEditPlus.h"

#include "core/Exception.h"
#include "external/shared/Consiste.h"

namespace {
const QString kDateFormat = QStringLiteral("dd/MM/yyyy");
} // namespace

TDateEditPlus::TDateEditPlus(TComponent* owner, TWinControl* parent)
    : TMaskEdit(owner, parent) {
    setEditMask(QStringLiteral("!99/99/9999;1; "));
    setColor(clInfoBk);
    setTabStop(true);
    m_weekdayNames = {QStringLiteral("Domingo"), QStringLiteral("Segunda"), QStringLiteral("Terça"),
                      QStringLiteral("Quarta"),  QStringLiteral("Quinta"),  QStringLiteral("Sexta"),
                      QStringLiteral("Sábado")};
}

QString TDateEditPlus::formatDate(const QDate& date) {
    return date.isValid() ? date.toString(kDateFormat) : QString();
}

QDate TDateEditPlus::parseDate(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.size() != kDateFormat.size())
        return {};
    return QDate::fromString(trimmed, kDateFormat);
}

QDate TDateEditPlus::GetDate() const {
    return parseDate(text());
}

void TDateEditPlus::SetDate(const QDate& date) {
    if (date.isValid())
        setText(formatDate(date));
    else
        clear();
}

bool TDateEditPlus::IsDateValid() const {
    return GetDate().isValid();
}

void TDateEditPlus::CheckValidDate() const {
    if (Consiste::EmptyString(text()) || IsDateValid())
        return;
    throw Exception(QStringLiteral("'%1' não é uma data válida.").arg(displayText()));
}

void TDateEditPlus::setValidDateColor(TColor color) {
    m_validDateColor = color;
    updateColor();
}

void TDateEditPlus::updateColor() {
    TFont f = font();
    f.color = IsDateValid() ? m_validDateColor : clWindowText;
    if (f.color != font().color)
        setFont(f);
}

void TDateEditPlus::change() {
    updateColor();
    TMaskEdit::change();
    const QDate date = GetDate();
    const bool emptied = Consiste::EmptyString(text());
    if ((!date.isValid() && !emptied) || date == m_lastDate)
        return;
    m_lastDate = date;
    if (OnDateChange)
        OnDateChange(*this);
}
