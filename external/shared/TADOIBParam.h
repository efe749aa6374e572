#pragma once

#include <QString>
#include <QVariant>

// One named parameter of a TADOIBQuery. All the screens' parameters are texts.
//
// An empty text is bound as null, as the platform's parameters did on every engine: a
// cleared and an empty P_CDFILIAL both list every branch.
class TADOIBParam {
public:
    explicit TADOIBParam(const QString& name)
        : m_name(name) {}

    QString name() const { return m_name; }

    void setAsString(const QString& text) { m_value = QVariant(text); }
    void setValue(const QVariant& value) { m_value = value; }
    // Null.
    void clear() { m_value = QVariant(); }

    QVariant value() const { return m_value; }
    QString asString() const { return isNull() ? QString() : m_value.toString(); }
    bool isNull() const { return !m_value.isValid() || m_value.isNull(); }

    // What reaches the database: null for a null value and for an empty text.
    QVariant boundValue() const;

private:
    QString m_name;
    QVariant m_value;
};
