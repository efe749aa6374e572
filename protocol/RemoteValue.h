#pragma once

#include "core/TChangePacket.h"
#include "core/TDataPacket.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariant>

#include <memory>

namespace protocol {

// A value that travels as an argument or a result of a remote call. Packets are shared,
// not copied, when the value is copied; takeDataPacket() moves the rows out when this
// value is their only owner.
class RemoteValue {
public:
    enum class Type { Null, Text, Integer, Float, Date, DateTime, Array, DataPacket, ChangePacket };

    RemoteValue() = default;
    RemoteValue(const QString& text);
    RemoteValue(const char* text);
    RemoteValue(qint64 value);
    RemoteValue(int value);
    RemoteValue(double value);
    RemoteValue(const QDate& date);         // an invalid date is null
    RemoteValue(const QDateTime& dateTime); // an invalid date-time is null
    RemoteValue(QList<RemoteValue> array);
    RemoteValue(TDataPacket packet);
    RemoteValue(TChangePacket packet);

    // Scalars of a QVariant (text, integer, float, date, date-time, null); other kinds
    // become their text.
    static RemoteValue fromVariant(const QVariant& value);

    Type type() const { return m_type; }
    bool isNull() const { return m_type == Type::Null; }
    QString typeName() const;

    // Text of a scalar: numbers in C locale, dates as YYYY-MM-DD; empty for null.
    QString toString() const;
    qint64 toInteger(bool* ok = nullptr) const;
    double toDouble(bool* ok = nullptr) const;
    QDate toDate() const;
    QDateTime toDateTime() const;
    QVariant toVariant() const; // null QVariant for arrays and packets
    const QList<RemoteValue>& toArray() const { return m_array; }

    // Precondition: type() is DataPacket / ChangePacket.
    const TDataPacket& dataPacket() const { return *m_dataPacket; }
    const TChangePacket& changePacket() const { return *m_changePacket; }
    // Moves the packet out (copies it when another value shares it); this becomes null.
    TDataPacket takeDataPacket();

    bool operator==(const RemoteValue& other) const;
    bool operator!=(const RemoteValue& other) const { return !(*this == other); }

private:
    Type m_type = Type::Null;
    QString m_text;
    qint64 m_integer = 0;
    double m_float = 0;
    QDateTime m_dateTime;
    QDate m_date;
    QList<RemoteValue> m_array;
    std::shared_ptr<TDataPacket> m_dataPacket;
    std::shared_ptr<TChangePacket> m_changePacket;
};

// Deep comparison of packets (field names, types, sizes, labels and values).
bool samePacket(const TDataPacket& a, const TDataPacket& b);
bool samePacket(const TChangePacket& a, const TChangePacket& b);

} // namespace protocol
