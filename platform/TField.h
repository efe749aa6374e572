#pragma once

#include "core/TFieldDef.h"

#include <functional>
#include <QDateTime>
#include <QString>
#include <QVariant>

class TDataSet;

// One column of a dataset, read and written on the dataset's active row (the cursor row,
// or the row a grid is drawing). Fields belong to their dataset; a field declared before
// opening (persistent) keeps its label, visibility and handlers across loads.
//
// Text types: ftFixedChar values are stored as written and read (asString, displayText)
// without trailing blanks, so a CHAR(1) flag that the database pads, or that holds a
// blank, compares as "S", "N" or empty. Neither text type truncates to its size: a
// value that does not fit is the sender's fault, and losing characters silently hides it.
class TField {
public:
    TField(TDataSet& dataSet, const TFieldDef& def, bool persistent);
    TField(const TField&) = delete;
    TField& operator=(const TField&) = delete;

    TDataSet& dataSet() const { return m_dataSet; }
    QString fieldName() const { return m_def.name; }
    QString name() const { return m_def.name; }
    TFieldType dataType() const { return m_def.type; }
    int size() const { return m_def.size; }
    // Position in the dataset's field list.
    int index() const;
    bool persistent() const { return m_persistent; }

    // The label defaults to the field name.
    QString displayLabel() const;
    void setDisplayLabel(const QString& label) { m_def.displayLabel = label; }
    bool visible() const { return m_def.visible; }
    void setVisible(bool visible) { m_def.visible = visible; }
    bool required() const { return m_def.required; }
    void setRequired(bool required) { m_def.required = required; }
    int displayWidth() const { return m_def.displayWidth; }
    void setDisplayWidth(int width) { m_def.displayWidth = width; }
    QString displayFormat() const { return m_def.displayFormat; }
    void setDisplayFormat(const QString& format) { m_def.displayFormat = format; }
    const TFieldDef& def() const { return m_def; }

    // Supplies the text shown for the field: displayText is true for display (grids,
    // data-aware edits), false for the editing text. `text` starts empty.
    std::function<void(TField& sender, QString& text, bool displayText)> OnGetText;

    // Reading the active row. A null value reads as empty text, 0 or an invalid date-time.
    QVariant value() const;
    bool isNull() const;
    // Dates as dd/MM/yyyy (a date-time with a time part adds hh:mm:ss); floats with the
    // Brazilian decimal comma and no thousands separators.
    QString asString() const;
    qint64 asInteger() const;
    double asFloat() const;
    // A date value gives midnight of that day.
    QDateTime asDateTime() const;
    QDate asDate() const { return asDateTime().date(); }
    // OnGetText when set, else the display format applied, else asString().
    QString displayText() const;
    // The editing text: OnGetText(displayText = false) when set, else asString().
    QString text() const;

    // Writing the active row; only in edit or insert state. Texts are converted to the
    // field's type (invalid numbers and dates raise); an empty text clears non-text
    // fields. Fires the dataset's record-changed notification.
    void setValue(const QVariant& value);
    void setAsString(const QString& text);
    void setAsInteger(qint64 value) { setValue(QVariant(value)); }
    void setAsFloat(double value) { setValue(QVariant(value)); }
    void setAsDateTime(const QDateTime& value) { setValue(QVariant(value)); }
    void clear() { setValue(QVariant()); }

    // Converts a value to this field's stored type; raises when it cannot. Used by
    // writing and by locate.
    QVariant convert(const QVariant& value) const;

private:
    friend class TDataSet;

    void mergeDefinition(const TFieldDef& packetDef);

    TDataSet& m_dataSet;
    TFieldDef m_def;
    bool m_persistent;
    int m_column = -1; // index of the value in a stored row
};
