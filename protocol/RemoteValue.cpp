#include "protocol/RemoteValue.h"

namespace protocol {

RemoteValue::RemoteValue(const QString& text)
    : m_type(Type::Text)
    , m_text(text) {}

RemoteValue::RemoteValue(const char* text)
    : RemoteValue(QString::fromUtf8(text)) {}

RemoteValue::RemoteValue(qint64 value)
    : m_type(Type::Integer)
    , m_integer(value) {}

RemoteValue::RemoteValue(int value)
    : RemoteValue(qint64(value)) {}

RemoteValue::RemoteValue(double value)
    : m_type(Type::Float)
    , m_float(value) {}

RemoteValue::RemoteValue(const QDate& date) {
    if (date.isValid()) {
        m_type = Type::Date;
        m_date = date;
    }
}

RemoteValue::RemoteValue(const QDateTime& dateTime) {
    if (dateTime.isValid()) {
        m_type = Type::DateTime;
        m_dateTime = dateTime;
    }
}

RemoteValue::RemoteValue(QList<RemoteValue> array)
    : m_type(Type::Array)
    , m_array(std::move(array)) {}

RemoteValue::RemoteValue(TDataPacket packet)
    : m_type(Type::DataPacket)
    , m_dataPacket(std::make_shared<TDataPacket>(std::move(packet))) {}

RemoteValue::RemoteValue(TChangePacket packet)
    : m_type(Type::ChangePacket)
    , m_changePacket(std::make_shared<TChangePacket>(std::move(packet))) {}

RemoteValue RemoteValue::fromVariant(const QVariant& value) {
    if (!value.isValid() || value.isNull())
        return {};
    switch (value.typeId()) {
    case QMetaType::QString:
        return RemoteValue(value.toString());
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return RemoteValue(value.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return RemoteValue(value.toDouble());
    case QMetaType::QDate:
        return RemoteValue(value.toDate());
    case QMetaType::QDateTime:
        return RemoteValue(value.toDateTime());
    default:
        return RemoteValue(value.toString());
    }
}

QString RemoteValue::typeName() const {
    switch (m_type) {
    case Type::Null:
        return QStringLiteral("nulo");
    case Type::Text:
        return QStringLiteral("texto");
    case Type::Integer:
        return QStringLiteral("inteiro");
    case Type::Float:
        return QStringLiteral("número");
    case Type::Date:
        return QStringLiteral("data");
    case Type::DateTime:
        return QStringLiteral("data e hora");
    case Type::Array:
        return QStringLiteral("lista");
    case Type::DataPacket:
        return QStringLiteral("pacote de dados");
    case Type::ChangePacket:
        return QStringLiteral("pacote de alterações");
    }
    return {};
}

QString RemoteValue::toString() const {
    switch (m_type) {
    case Type::Text:
        return m_text;
    case Type::Integer:
        return QString::number(m_integer);
    case Type::Float:
        return QString::number(m_float, 'g', 17);
    case Type::Date:
        return m_date.toString(Qt::ISODate);
    case Type::DateTime:
        return m_dateTime.toString(Qt::ISODateWithMs);
    default:
        return {};
    }
}

qint64 RemoteValue::toInteger(bool* ok) const {
    bool converted = true;
    qint64 result = 0;
    switch (m_type) {
    case Type::Integer:
        result = m_integer;
        break;
    case Type::Float:
        result = qint64(m_float);
        break;
    case Type::Text:
        result = m_text.trimmed().toLongLong(&converted);
        break;
    default:
        converted = false;
    }
    if (ok)
        *ok = converted;
    return result;
}

double RemoteValue::toDouble(bool* ok) const {
    bool converted = true;
    double result = 0;
    switch (m_type) {
    case Type::Integer:
        result = double(m_integer);
        break;
    case Type::Float:
        result = m_float;
        break;
    case Type::Text:
        result = m_text.trimmed().toDouble(&converted);
        break;
    default:
        converted = false;
    }
    if (ok)
        *ok = converted;
    return result;
}

QDate RemoteValue::toDate() const {
    switch (m_type) {
    case Type::Date:
        return m_date;
    case Type::DateTime:
        return m_dateTime.date();
    case Type::Text:
        return QDate::fromString(m_text, Qt::ISODate);
    default:
        return {};
    }
}

QDateTime RemoteValue::toDateTime() const {
    switch (m_type) {
    case Type::DateTime:
        return m_dateTime;
    case Type::Date:
        return m_date.startOfDay();
    case Type::Text:
        return QDateTime::fromString(m_text, Qt::ISODateWithMs);
    default:
        return {};
    }
}

QVariant RemoteValue::toVariant() const {
    switch (m_type) {
    case Type::Text:
        return m_text;
    case Type::Integer:
        return m_integer;
    case Type::Float:
        return m_float;
    case Type::Date:
        return m_date;
    case Type::DateTime:
        return m_dateTime;
    default:
        return {};
    }
}

TDataPacket RemoteValue::takeDataPacket() {
    Q_ASSERT(m_type == Type::DataPacket);
    TDataPacket packet =
        m_dataPacket.use_count() == 1 ? std::move(*m_dataPacket) : TDataPacket(*m_dataPacket);
    *this = RemoteValue();
    return packet;
}

bool RemoteValue::operator==(const RemoteValue& other) const {
    if (m_type != other.m_type)
        return false;
    switch (m_type) {
    case Type::Null:
        return true;
    case Type::Text:
        return m_text == other.m_text;
    case Type::Integer:
        return m_integer == other.m_integer;
    case Type::Float:
        return m_float == other.m_float;
    case Type::Date:
        return m_date == other.m_date;
    case Type::DateTime:
        return m_dateTime == other.m_dateTime;
    case Type::Array:
        return m_array == other.m_array;
    case Type::DataPacket:
        return samePacket(*m_dataPacket, *other.m_dataPacket);
    case Type::ChangePacket:
        return samePacket(*m_changePacket, *other.m_changePacket);
    }
    return false;
}

namespace {

bool sameFields(const TFieldDefs& a, const TFieldDefs& b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i].name != b[i].name || a[i].type != b[i].type || a[i].size != b[i].size ||
            a[i].displayLabel != b[i].displayLabel)
            return false;
    }
    return true;
}

// QVariant's own == converts between types; a packet value must match in type too.
bool sameCell(const QVariant& a, const QVariant& b) {
    if (a.isNull() || b.isNull())
        return a.isNull() == b.isNull();
    return a.typeId() == b.typeId() && a == b;
}

bool sameRow(const std::optional<TRow>& a, const std::optional<TRow>& b) {
    if (a.has_value() != b.has_value())
        return false;
    if (!a)
        return true;
    if (a->size() != b->size())
        return false;
    for (qsizetype i = 0; i < a->size(); ++i) {
        if (!sameCell(a->at(i), b->at(i)))
            return false;
    }
    return true;
}

} // namespace

bool samePacket(const TDataPacket& a, const TDataPacket& b) {
    if (!sameFields(a.fields, b.fields) || a.rows.size() != b.rows.size())
        return false;
    for (size_t i = 0; i < a.rows.size(); ++i) {
        if (!sameRow(a.rows[i], b.rows[i]))
            return false;
    }
    return true;
}

bool samePacket(const TChangePacket& a, const TChangePacket& b) {
    if (!sameFields(a.fields, b.fields) || a.changes.size() != b.changes.size())
        return false;
    for (qsizetype i = 0; i < a.changes.size(); ++i) {
        const auto& x = a.changes[i];
        const auto& y = b.changes[i];
        if (x.kind != y.kind || !sameRow(x.oldValues, y.oldValues) ||
            !sameRow(x.newValues, y.newValues))
            return false;
    }
    return true;
}

} // namespace protocol
