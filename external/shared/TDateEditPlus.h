#pragma once

#include "platform/TMaskEdit.h"

#include <QDate>
#include <QStringList>

// Date entry: a masked edit in the short date format dd/MM/yyyy whose date follows its text.
//
// OnDateChange fires whenever the date changes: when the program sets another date
// (SetDate), when typing completes a valid date other than the last one, and when the field is
// emptied. A text that is not (yet) a valid date does not notify, so typing a date digit by digit
// notifies once.
class TDateEditPlus : public TMaskEdit {
public:
    explicit TDateEditPlus(TComponent* owner = nullptr, TWinControl* parent = nullptr);

    // The date the text holds; a null date when the text is empty or not a valid date.
    QDate GetDate() const;
    // Shows `date` (a null date empties the field). Fires OnChange when the text changes and
    // OnDateChange when the date changes.
    void SetDate(const QDate& date);
    // True when the text is a valid date.
    bool IsDateValid() const;
    // Raises "'TEXT' não é uma data válida." when the text is neither empty nor a valid date.
    void CheckValidDate() const;

    TColor validDateColor() const { return m_validDateColor; }
    void setValidDateColor(TColor color);
    bool saveTime() const { return m_saveTime; }
    void setSaveTime(bool saveTime) { m_saveTime = saveTime; }
    const QStringList& weekdayNames() const { return m_weekdayNames; }
    void setWeekdayNames(const QStringList& names) { m_weekdayNames = names; }

    TNotifyEvent OnDateChange;

    static QString formatDate(const QDate& date);
    static QDate parseDate(const QString& text);

protected:
    void change() override;

private:
    void updateColor();

    QDate m_lastDate;
    TColor m_validDateColor = clBlue;
    bool m_saveTime = false;
    QStringList m_weekdayNames;
};
