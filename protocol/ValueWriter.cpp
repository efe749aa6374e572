#include "protocol/ValueWriter.h"

#include <algorithm>
#include <cmath>

namespace protocol {

namespace {

const char* changeKindName(TChangePacket::Kind kind) {
    switch (kind) {
    case TChangePacket::Kind::Insert:
        return "insert";
    case TChangePacket::Kind::Update:
        return "update";
    case TChangePacket::Kind::Delete:
        return "delete";
    }
    return "update";
}

// Databases hand dates back as text ("2024-03-15" or "2024-03-15 14:30:00").
QDate dateFromText(const QString& text) {
    return QDate::fromString(text.left(10), Qt::ISODate);
}

QDateTime dateTimeFromText(QString text) {
    if (text.size() > 10 && text.at(10) == u' ')
        text[10] = u'T';
    QDateTime dt = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!dt.isValid() && text.size() == 10)
        dt = dateFromText(text).startOfDay();
    return dt;
}

bool isIntegral(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Bool:
        return true;
    default:
        return false;
    }
}

} // namespace

ValueWriter::ValueWriter(QCborStreamWriter& writer)
    : m_writer(writer) {}

void ValueWriter::write(const RemoteValue& value) {
    switch (value.type()) {
    case RemoteValue::Type::Null:
        m_writer.appendNull();
        break;
    case RemoteValue::Type::Text:
        writeText(value.toString());
        break;
    case RemoteValue::Type::Integer:
        m_writer.append(value.toInteger());
        break;
    case RemoteValue::Type::Float:
        if (std::isfinite(value.toDouble())) {
            m_writer.append(value.toDouble());
        } else {
            noteError(QStringLiteral("número não finito"));
            m_writer.appendNull();
        }
        break;
    case RemoteValue::Type::Date:
        if (!writeDate(value.toDate())) {
            noteError(QStringLiteral("data fora do intervalo: %1").arg(value.toString()));
            m_writer.appendNull();
        }
        break;
    case RemoteValue::Type::DateTime:
        if (!writeDateTime(value.toDateTime())) {
            noteError(QStringLiteral("data e hora fora do intervalo: %1").arg(value.toString()));
            m_writer.appendNull();
        }
        break;
    case RemoteValue::Type::Array:
        m_writer.startArray(quint64(value.toArray().size()));
        for (const RemoteValue& item : value.toArray())
            write(item);
        m_writer.endArray();
        break;
    case RemoteValue::Type::DataPacket:
        writeDataPacket(value.dataPacket());
        break;
    case RemoteValue::Type::ChangePacket:
        writeChangePacket(value.changePacket());
        break;
    }
}

void ValueWriter::writeDataPacket(const TDataPacket& packet) {
    m_writer.startMap(2);
    m_writer.append(QLatin1StringView("fields"));
    writeFields(packet.fields);
    m_writer.append(QLatin1StringView("rows"));
    m_writer.startArray(quint64(packet.rows.size()));
    for (size_t i = 0; i < packet.rows.size(); ++i)
        writeRow(packet.rows[i], packet.fields, qsizetype(i));
    m_writer.endArray();
    m_writer.endMap();
}

void ValueWriter::writeChangePacket(const TChangePacket& packet) {
    m_writer.startMap(2);
    m_writer.append(QLatin1StringView("fields"));
    writeFields(packet.fields);
    m_writer.append(QLatin1StringView("changes"));
    m_writer.startArray(quint64(packet.changes.size()));
    for (qsizetype i = 0; i < packet.changes.size(); ++i) {
        const auto& change = packet.changes[i];
        m_writer.startMap(3);
        m_writer.append(QLatin1StringView("kind"));
        m_writer.append(QLatin1StringView(changeKindName(change.kind)));
        m_writer.append(QLatin1StringView("old"));
        writeOptionalRow(change.oldValues, packet.fields, i);
        m_writer.append(QLatin1StringView("new"));
        writeOptionalRow(change.newValues, packet.fields, i);
        m_writer.endMap();
    }
    m_writer.endArray();
    m_writer.endMap();
}

void ValueWriter::writeFields(const TFieldDefs& fields) {
    m_writer.startArray(quint64(fields.size()));
    for (const TFieldDef& field : fields) {
        m_writer.startMap(4);
        m_writer.append(QLatin1StringView("name"));
        writeText(field.name);
        m_writer.append(QLatin1StringView("type"));
        writeText(fieldTypeName(field.type));
        m_writer.append(QLatin1StringView("size"));
        m_writer.append(qint64(field.size));
        m_writer.append(QLatin1StringView("label"));
        writeText(field.displayLabel);
        m_writer.endMap();
    }
    m_writer.endArray();
}

void ValueWriter::writeRow(const TRow& row, const TFieldDefs& fields, qsizetype rowIndex) {
    if (row.size() != fields.size()) {
        noteError(QStringLiteral("linha %1 com %2 valores, esperado %3")
                      .arg(rowIndex)
                      .arg(row.size())
                      .arg(fields.size()));
    }
    m_writer.startArray(quint64(fields.size()));
    for (qsizetype c = 0; c < fields.size(); ++c) {
        if (c >= row.size()) {
            m_writer.appendNull();
        } else if (!writePlainCell(row.cell(c), fields[c].type) &&
                   !writeCell(row[c], fields[c].type)) {
            noteError(QStringLiteral("linha %1, campo %2: valor \"%3\" não é %4")
                          .arg(rowIndex)
                          .arg(fields[c].name, row[c].toString(), fieldTypeName(fields[c].type)));
            m_writer.appendNull();
        }
    }
    m_writer.endArray();
}

void ValueWriter::writeOptionalRow(const std::optional<TRow>& row, const TFieldDefs& fields,
                                   qsizetype rowIndex) {
    if (row)
        writeRow(*row, fields, rowIndex);
    else
        m_writer.appendNull();
}

// The cells large lists are made of, straight from their compact form; anything else is
// left unwritten for writeCell.
bool ValueWriter::writePlainCell(const TCell& cell, TFieldType type) {
    const bool textField = type == TFieldType::ftString || type == TFieldType::ftFixedChar;
    switch (cell.kind()) {
    case TCell::Kind::Null:
        m_writer.appendNull();
        return true;
    case TCell::Kind::Text: {
        const QByteArrayView text = cell.latin1Text();
        const bool ascii =
            std::all_of(text.begin(), text.end(), [](char c) { return uchar(c) < 0x80; });
        if (!textField || !ascii)
            return false;
        m_writer.appendTextString(text.data(), text.size());
        return true;
    }
    case TCell::Kind::Integer:
        if (type != TFieldType::ftInteger)
            return false;
        m_writer.append(cell.integerValue());
        return true;
    case TCell::Kind::Real:
        if (type != TFieldType::ftFloat || !std::isfinite(cell.realValue()))
            return false;
        m_writer.append(cell.realValue());
        return true;
    default:
        return false;
    }
}

// Writes the cell and returns true, or writes nothing and returns false.
bool ValueWriter::writeCell(const QVariant& value, TFieldType type) {
    if (value.isNull()) {
        m_writer.appendNull();
        return true;
    }
    const bool isText = value.typeId() == QMetaType::QString;
    switch (type) {
    case TFieldType::ftString:
    case TFieldType::ftFixedChar:
        writeText(isText ? *static_cast<const QString*>(value.constData()) : value.toString());
        return true;
    case TFieldType::ftInteger: {
        bool ok = false;
        qint64 v = 0;
        if (value.typeId() == QMetaType::Double) {
            const double d = value.toDouble();
            ok = std::isfinite(d) && std::trunc(d) == d && std::fabs(d) < 9.2e18;
            v = qint64(d);
        } else if (isIntegral(value) || isText) {
            v = value.toLongLong(&ok);
        }
        if (ok)
            m_writer.append(v);
        return ok;
    }
    case TFieldType::ftFloat: {
        bool ok = false;
        const double d = value.toDouble(&ok);
        ok = ok && std::isfinite(d);
        if (ok)
            m_writer.append(d);
        return ok;
    }
    case TFieldType::ftDate:
        if (value.typeId() == QMetaType::QDateTime)
            return writeDate(value.toDateTime().date());
        return writeDate(isText ? dateFromText(value.toString()) : value.toDate());
    case TFieldType::ftDateTime:
        if (value.typeId() == QMetaType::QDate)
            return writeDateTime(value.toDate().startOfDay());
        return writeDateTime(isText ? dateTimeFromText(value.toString()) : value.toDateTime());
    }
    return false;
}

void ValueWriter::writeText(const QString& text) {
    m_writer.append(QStringView(text));
}

bool ValueWriter::writeDate(const QDate& date) {
    if (!date.isValid() || date.year() < 1 || date.year() > 9999)
        return false;
    char text[10];
    const int y = date.year();
    const int m = date.month();
    const int d = date.day();
    text[0] = char('0' + y / 1000);
    text[1] = char('0' + y / 100 % 10);
    text[2] = char('0' + y / 10 % 10);
    text[3] = char('0' + y % 10);
    text[4] = '-';
    text[5] = char('0' + m / 10);
    text[6] = char('0' + m % 10);
    text[7] = '-';
    text[8] = char('0' + d / 10);
    text[9] = char('0' + d % 10);
    m_writer.append(QCborTag(kDateTag));
    m_writer.appendTextString(text, 10);
    return true;
}

// The offset is written out so that the receiver sees the same wall time and instant.
bool ValueWriter::writeDateTime(const QDateTime& dateTime) {
    if (!dateTime.isValid() || dateTime.date().year() < 1 || dateTime.date().year() > 9999)
        return false;
    const QDateTime withOffset = dateTime.toOffsetFromUtc(dateTime.offsetFromUtc());
    m_writer.append(QCborTag(kDateTimeTag));
    writeText(withOffset.toString(Qt::ISODateWithMs));
    return true;
}

void ValueWriter::noteError(const QString& reason) {
    if (m_error.isEmpty())
        m_error = reason;
}

} // namespace protocol
