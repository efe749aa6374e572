#include "protocol/ValueReader.h"

#include "protocol/ValueWriter.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace protocol {

namespace {
constexpr quint64 kMaxReservedRows = 1 << 20;
} // namespace

// A packet map's members, gathered in whatever order they arrive.
struct ValueReader::PacketParts {
    bool hasFields = false;
    bool hasRows = false;
    bool hasChanges = false;
    bool rowsChecked = false; // rows that came after the fields were checked as they came
    TFieldDefs fields;
    std::vector<TRow> rows;
    QList<TChangePacket::Change> changes;
};

namespace {

QString cellTypeName(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::QString:
        return QStringLiteral("texto");
    case QMetaType::LongLong:
        return QStringLiteral("inteiro");
    case QMetaType::Double:
        return QStringLiteral("número");
    case QMetaType::QDate:
        return QStringLiteral("data");
    case QMetaType::QDateTime:
        return QStringLiteral("data e hora");
    default:
        return QStringLiteral("outro");
    }
}

bool fitsField(QVariant& v, TFieldType type)
{
    if (v.isNull())
        return true;
    switch (type) {
    case TFieldType::ftString:
    case TFieldType::ftFixedChar:
        return v.typeId() == QMetaType::QString;
    case TFieldType::ftInteger:
        return v.typeId() == QMetaType::LongLong;
    case TFieldType::ftFloat:
        // Some writers send whole amounts as integers.
        if (v.typeId() == QMetaType::LongLong)
            v = double(v.toLongLong());
        return v.typeId() == QMetaType::Double;
    case TFieldType::ftDate:
        return v.typeId() == QMetaType::QDate;
    case TFieldType::ftDateTime:
        return v.typeId() == QMetaType::QDateTime;
    }
    return false;
}

// Strict "YYYY-MM-DD": no other ISO forms, so both ends agree byte for byte.
QDate parseDate(QStringView s)
{
    if (s.size() != 10 || s[4] != u'-' || s[7] != u'-')
        return {};
    int parts[3] = {0, 0, 0};
    const int starts[3] = {0, 5, 8};
    const int lengths[3] = {4, 2, 2};
    for (int p = 0; p < 3; ++p) {
        for (int i = 0; i < lengths[p]; ++i) {
            const QChar c = s[starts[p] + i];
            if (c < u'0' || c > u'9')
                return {};
            parts[p] = parts[p] * 10 + (c.unicode() - u'0');
        }
    }
    return QDate(parts[0], parts[1], parts[2]);
}

} // namespace

ValueReader::ValueReader(QCborStreamReader& reader, qsizetype inputSize)
    : m_reader(reader)
    , m_inputSize(inputSize)
{
}

bool ValueReader::fail(const QString& reason)
{
    if (m_error.isEmpty())
        m_error = reason;
    return false;
}

bool ValueReader::readerFailed()
{
    const QCborError err = m_reader.lastError();
    // Running out of bytes after a complete top-level value is the normal end.
    if (err.c == QCborError::NoError ||
        (err.c == QCborError::EndOfFile && m_reader.containerDepth() == 0))
        return false;
    fail(QStringLiteral("CBOR inválido: %1").arg(err.toString()));
    return true;
}

qsizetype ValueReader::remaining() const
{
    return qMax<qsizetype>(0, m_inputSize - qsizetype(m_reader.currentOffset()));
}

bool ValueReader::expectEnd()
{
    if (readerFailed())
        return false;
    if (m_reader.currentOffset() < m_inputSize)
        return fail(QStringLiteral("%1 bytes sobrando após a mensagem").arg(remaining()));
    return true;
}

bool ValueReader::enter(const char* what, QCborStreamReader::Type type)
{
    if (m_reader.type() != type) {
        if (m_reader.isInvalid() && readerFailed())
            return false;
        return fail(QStringLiteral("%1: esperado %2")
                        .arg(QLatin1StringView(what),
                             type == QCborStreamReader::Map ? QStringLiteral("mapa")
                                                            : QStringLiteral("lista")));
    }
    if (!m_reader.enterContainer()) {
        readerFailed();
        return fail(QStringLiteral("lista ou mapa inválido"));
    }
    return true;
}

bool ValueReader::leave()
{
    if (readerFailed())
        return false;
    if (!m_reader.leaveContainer()) {
        readerFailed();
        return fail(QStringLiteral("fim de lista ou mapa inválido"));
    }
    return true;
}

bool ValueReader::readText(QString* text)
{
    if (!m_reader.isString()) {
        if (m_reader.isInvalid() && readerFailed())
            return false;
        return fail(QStringLiteral("esperado texto"));
    }
    QString result;
    for (;;) {
        auto chunk = m_reader.readString();
        if (chunk.status == QCborStreamReader::Error) {
            readerFailed();
            return fail(QStringLiteral("texto inválido"));
        }
        if (chunk.status == QCborStreamReader::EndOfString)
            break;
        if (result.isEmpty())
            result = std::move(chunk.data);
        else
            result += chunk.data;
    }
    *text = std::move(result);
    return true;
}

bool ValueReader::readInteger(qint64* value)
{
    constexpr quint64 kMax = quint64(std::numeric_limits<qint64>::max());
    if (m_reader.isUnsignedInteger()) {
        const quint64 v = m_reader.toUnsignedInteger();
        if (v > kMax)
            return fail(QStringLiteral("inteiro fora do intervalo"));
        *value = qint64(v);
    } else if (m_reader.isNegativeInteger()) {
        // CBOR stores -1 - n; n must fit so that the result does.
        const quint64 n = quint64(m_reader.toNegativeInteger()) - 1;
        if (n > kMax)
            return fail(QStringLiteral("inteiro fora do intervalo"));
        *value = -1 - qint64(n);
    } else {
        if (m_reader.isInvalid() && readerFailed())
            return false;
        return fail(QStringLiteral("esperado inteiro"));
    }
    return m_reader.next() || !readerFailed();
}

bool ValueReader::readDouble(double* value)
{
    double d = 0;
    if (m_reader.isDouble())
        d = m_reader.toDouble();
    else if (m_reader.isFloat())
        d = double(m_reader.toFloat());
    else
        d = double(float(m_reader.toFloat16()));
    if (!std::isfinite(d))
        return fail(QStringLiteral("número não finito"));
    *value = d;
    return m_reader.next() || !readerFailed();
}

// Scalars of cells and arguments: text, integer, float, tagged date or date-time, null.
bool ValueReader::readScalar(QVariant* value)
{
    switch (m_reader.type()) {
    case QCborStreamReader::String: {
        QString text;
        if (!readText(&text))
            return false;
        *value = std::move(text);
        return true;
    }
    case QCborStreamReader::UnsignedInteger:
    case QCborStreamReader::NegativeInteger: {
        qint64 v = 0;
        if (!readInteger(&v))
            return false;
        *value = v;
        return true;
    }
    case QCborStreamReader::Float16:
    case QCborStreamReader::Float:
    case QCborStreamReader::Double: {
        double d = 0;
        if (!readDouble(&d))
            return false;
        *value = d;
        return true;
    }
    case QCborStreamReader::Tag:
        return readTagged(value);
    case QCborStreamReader::SimpleType:
        if (m_reader.isNull() || m_reader.isUndefined()) {
            *value = QVariant();
            return m_reader.next() || !readerFailed();
        }
        return fail(QStringLiteral("valor lógico ou simples não suportado"));
    case QCborStreamReader::Invalid:
        readerFailed();
        return fail(QStringLiteral("dados truncados"));
    default:
        return fail(QStringLiteral("tipo CBOR não suportado aqui"));
    }
}

bool ValueReader::readTagged(QVariant* value)
{
    const quint64 tag = quint64(m_reader.toTag());
    if (tag != ValueWriter::kDateTag && tag != ValueWriter::kDateTimeTag)
        return fail(QStringLiteral("marca CBOR %1 não suportada").arg(tag));
    if (!m_reader.next() && readerFailed())
        return false;
    QString text;
    if (!readText(&text))
        return false;
    if (tag == ValueWriter::kDateTag) {
        const QDate date = parseDate(text);
        if (!date.isValid())
            return fail(QStringLiteral("data inválida: %1").arg(text.left(40)));
        *value = date;
        return true;
    }
    const QDateTime dt = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!dt.isValid())
        return fail(QStringLiteral("data e hora inválida: %1").arg(text.left(40)));
    *value = dt.toLocalTime();
    return true;
}

bool ValueReader::readValue(RemoteValue* value)
{
    return readValueAt(value, 0);
}

bool ValueReader::readValueAt(RemoteValue* value, int depth)
{
    if (depth > kMaxDepth)
        return fail(QStringLiteral("aninhamento profundo demais"));
    if (m_reader.isArray()) {
        if (!enter("lista", QCborStreamReader::Array))
            return false;
        QList<RemoteValue> items;
        while (m_reader.hasNext()) {
            RemoteValue item;
            if (!readValueAt(&item, depth + 1))
                return false;
            items.append(std::move(item));
        }
        if (!leave())
            return false;
        *value = RemoteValue(std::move(items));
        return true;
    }
    if (m_reader.isMap()) {
        PacketParts parts;
        if (!readPacketMap(&parts))
            return false;
        if (parts.hasRows) {
            *value = RemoteValue(TDataPacket{std::move(parts.fields), std::move(parts.rows)});
        } else {
            *value = RemoteValue(TChangePacket{std::move(parts.fields), std::move(parts.changes)});
        }
        return true;
    }
    QVariant scalar;
    if (!readScalar(&scalar))
        return false;
    *value = RemoteValue::fromVariant(scalar);
    return true;
}

bool ValueReader::readDataPacket(TDataPacket* packet)
{
    PacketParts parts;
    if (!readPacketMap(&parts))
        return false;
    if (!parts.hasRows)
        return fail(QStringLiteral("pacote de dados sem \"rows\""));
    packet->fields = std::move(parts.fields);
    packet->rows = std::move(parts.rows);
    return true;
}

bool ValueReader::readChangePacket(TChangePacket* packet)
{
    PacketParts parts;
    if (!readPacketMap(&parts))
        return false;
    if (!parts.hasChanges)
        return fail(QStringLiteral("pacote de alterações sem \"changes\""));
    packet->fields = std::move(parts.fields);
    packet->changes = std::move(parts.changes);
    return true;
}

bool ValueReader::readPacketMap(PacketParts* parts)
{
    if (!enter("pacote", QCborStreamReader::Map))
        return false;
    while (m_reader.hasNext()) {
        QString key;
        if (!readText(&key))
            return fail(QStringLiteral("pacote: chave não é texto"));
        const bool dup = (key == u"fields" && parts->hasFields) ||
                         (key == u"rows" && parts->hasRows) ||
                         (key == u"changes" && parts->hasChanges);
        if (dup)
            return fail(QStringLiteral("pacote: chave \"%1\" repetida").arg(key));
        const TFieldDefs* known = parts->hasFields ? &parts->fields : nullptr;
        bool ok = true;
        if (key == u"fields") {
            ok = readFields(&parts->fields);
            parts->hasFields = true;
        } else if (key == u"rows") {
            ok = readRows(&parts->rows, known);
            parts->hasRows = true;
            parts->rowsChecked = known != nullptr;
        } else if (key == u"changes") {
            ok = readChanges(&parts->changes, known);
            parts->hasChanges = true;
            parts->rowsChecked = known != nullptr;
        } else {
            ok = skipValue();
        }
        if (!ok)
            return false;
    }
    if (!leave())
        return false;
    if (!parts->hasFields)
        return fail(QStringLiteral("pacote sem \"fields\""));
    if (parts->hasRows == parts->hasChanges)
        return fail(QStringLiteral("mapa não é pacote de dados nem de alterações"));
    if (parts->rowsChecked)
        return true;
    // The rows arrived before the fields: check them now.
    for (size_t i = 0; i < parts->rows.size(); ++i) {
        if (!checkRow(parts->rows[i], parts->fields, qsizetype(i)))
            return false;
    }
    for (qsizetype i = 0; i < parts->changes.size(); ++i) {
        auto& change = parts->changes[i];
        if ((change.oldValues && !checkRow(*change.oldValues, parts->fields, i)) ||
            (change.newValues && !checkRow(*change.newValues, parts->fields, i)))
            return false;
    }
    return true;
}

bool ValueReader::readFields(TFieldDefs* fields)
{
    if (!enter("fields", QCborStreamReader::Array))
        return false;
    while (m_reader.hasNext()) {
        TFieldDef field;
        if (!readField(&field))
            return false;
        for (const TFieldDef& other : std::as_const(*fields)) {
            if (other.name.compare(field.name, Qt::CaseInsensitive) == 0)
                return fail(QStringLiteral("campo \"%1\" repetido").arg(field.name.left(40)));
        }
        fields->append(std::move(field));
    }
    return leave();
}

bool ValueReader::readField(TFieldDef* field)
{
    if (!enter("campo", QCborStreamReader::Map))
        return false;
    bool hasName = false;
    bool hasType = false;
    while (m_reader.hasNext()) {
        QString key;
        if (!readText(&key))
            return fail(QStringLiteral("campo: chave não é texto"));
        if (key == u"name") {
            if (!readText(&field->name) || field->name.isEmpty())
                return fail(QStringLiteral("campo sem nome"));
            hasName = true;
        } else if (key == u"type") {
            QString name;
            if (!readText(&name))
                return fail(QStringLiteral("campo: tipo não é texto"));
            if (!fieldTypeFromName(name, &field->type))
                return fail(QStringLiteral("campo: tipo desconhecido \"%1\"").arg(name.left(40)));
            hasType = true;
        } else if (key == u"size") {
            qint64 size = 0;
            if (!readInteger(&size) || size < 0 || size > 1 << 20)
                return fail(QStringLiteral("campo: tamanho inválido"));
            field->size = int(size);
        } else if (key == u"label") {
            if (!readText(&field->displayLabel))
                return fail(QStringLiteral("campo: rótulo não é texto"));
        } else if (!skipValue()) {
            return false;
        }
    }
    if (!hasName || !hasType)
        return fail(QStringLiteral("campo sem nome ou sem tipo"));
    return leave();
}

bool ValueReader::readRows(std::vector<TRow>* rows, const TFieldDefs* fields)
{
    if (m_reader.isArray() && m_reader.isLengthKnown()) {
        // The declared count is only a hint: bounded by what the bytes can hold.
        const qsizetype minRowBytes = 1 + (fields ? fields->size() : 0);
        rows->reserve(size_t(std::min<quint64>(
            {m_reader.length(), quint64(remaining() / minRowBytes), kMaxReservedRows})));
    }
    if (!enter("rows", QCborStreamReader::Array))
        return false;
    while (m_reader.hasNext()) {
        TRow row;
        if (!readRow(&row, fields, qsizetype(rows->size())))
            return false;
        rows->push_back(std::move(row));
    }
    return leave();
}

bool ValueReader::readRow(TRow* row, const TFieldDefs* fields, qsizetype rowIndex)
{
    if (!m_reader.isArray()) {
        if (m_reader.isInvalid() && readerFailed())
            return false;
        return fail(QStringLiteral("linha %1 não é lista").arg(rowIndex));
    }
    if (m_reader.isLengthKnown()) {
        const quint64 declared = m_reader.length();
        if (fields && declared != quint64(fields->size())) {
            return fail(QStringLiteral("linha %1 com %2 valores, esperado %3")
                            .arg(rowIndex)
                            .arg(declared)
                            .arg(fields->size()));
        }
        row->reserve(qsizetype(std::min<quint64>({declared, quint64(remaining()), 256})));
    }
    if (!enter("linha", QCborStreamReader::Array))
        return false;
    while (m_reader.hasNext()) {
        if (fields && row->size() == fields->size()) {
            return fail(QStringLiteral("linha %1 com valores demais, esperado %2")
                            .arg(rowIndex)
                            .arg(fields->size()));
        }
        QVariant cell;
        if (!readScalar(&cell)) {
            m_error.prepend(QStringLiteral("linha %1, coluna %2: ").arg(rowIndex).arg(row->size()));
            return false;
        }
        if (fields && !fitsField(cell, fields->at(row->size()).type)) {
            const TFieldDef& f = fields->at(row->size());
            return fail(QStringLiteral("linha %1, campo %2: esperado %3, veio %4")
                            .arg(rowIndex)
                            .arg(f.name, fieldTypeName(f.type), cellTypeName(cell)));
        }
        row->append(std::move(cell));
    }
    if (fields && row->size() != fields->size()) {
        return fail(QStringLiteral("linha %1 com %2 valores, esperado %3")
                        .arg(rowIndex)
                        .arg(row->size())
                        .arg(fields->size()));
    }
    return leave();
}

bool ValueReader::checkRow(TRow& row, const TFieldDefs& fields, qsizetype rowIndex)
{
    if (row.size() != fields.size()) {
        return fail(QStringLiteral("linha %1 com %2 valores, esperado %3")
                        .arg(rowIndex)
                        .arg(row.size())
                        .arg(fields.size()));
    }
    for (qsizetype c = 0; c < row.size(); ++c) {
        if (!fitsField(row[c], fields[c].type)) {
            return fail(QStringLiteral("linha %1, campo %2: esperado %3, veio %4")
                            .arg(rowIndex)
                            .arg(fields[c].name, fieldTypeName(fields[c].type),
                                 cellTypeName(row[c])));
        }
    }
    return true;
}

bool ValueReader::readChanges(QList<TChangePacket::Change>* changes, const TFieldDefs* fields)
{
    if (!enter("changes", QCborStreamReader::Array))
        return false;
    while (m_reader.hasNext()) {
        TChangePacket::Change change;
        if (!readChange(&change, fields, changes->size()))
            return false;
        changes->append(std::move(change));
    }
    return leave();
}

bool ValueReader::readChange(TChangePacket::Change* change, const TFieldDefs* fields,
                             qsizetype index)
{
    if (!enter("alteração", QCborStreamReader::Map))
        return false;
    bool hasKind = false;
    while (m_reader.hasNext()) {
        QString key;
        if (!readText(&key))
            return fail(QStringLiteral("alteração: chave não é texto"));
        bool ok = true;
        if (key == u"kind") {
            QString kind;
            ok = readText(&kind);
            if (kind == u"insert")
                change->kind = TChangePacket::Kind::Insert;
            else if (kind == u"update")
                change->kind = TChangePacket::Kind::Update;
            else if (kind == u"delete")
                change->kind = TChangePacket::Kind::Delete;
            else if (ok)
                return fail(QStringLiteral("alteração %1: tipo \"%2\" desconhecido")
                                .arg(index)
                                .arg(kind.left(20)));
            hasKind = true;
        } else if (key == u"old") {
            ok = readOptionalRow(&change->oldValues, fields, index);
        } else if (key == u"new") {
            ok = readOptionalRow(&change->newValues, fields, index);
        } else {
            ok = skipValue();
        }
        if (!ok)
            return false;
    }
    if (!hasKind)
        return fail(QStringLiteral("alteração %1 sem \"kind\"").arg(index));
    // Each kind carries exactly the rows it needs, so the receiver never guesses.
    const bool needsOld = change->kind != TChangePacket::Kind::Insert;
    const bool needsNew = change->kind != TChangePacket::Kind::Delete;
    if (change->oldValues.has_value() != needsOld || change->newValues.has_value() != needsNew)
        return fail(QStringLiteral("alteração %1: valores antigos/novos não combinam com o tipo")
                        .arg(index));
    return leave();
}

bool ValueReader::readOptionalRow(std::optional<TRow>* row, const TFieldDefs* fields,
                                  qsizetype index)
{
    if (m_reader.isNull()) {
        row->reset();
        return m_reader.next() || !readerFailed();
    }
    TRow values;
    if (!readRow(&values, fields, index))
        return false;
    *row = std::move(values);
    return true;
}

bool ValueReader::skipValue()
{
    return skipAt(0);
}

bool ValueReader::skipAt(int depth)
{
    if (depth > kMaxDepth)
        return fail(QStringLiteral("aninhamento profundo demais"));
    if (m_reader.isInvalid()) {
        readerFailed();
        return fail(QStringLiteral("dados truncados"));
    }
    if (m_reader.isContainer()) {
        if (!m_reader.enterContainer())
            return !readerFailed() && fail(QStringLiteral("lista ou mapa inválido"));
        while (m_reader.hasNext()) {
            if (!skipAt(depth + 1))
                return false;
        }
        return leave();
    }
    if (m_reader.isTag()) {
        if (!m_reader.next())
            return !readerFailed() && fail(QStringLiteral("marca sem valor"));
        return skipAt(depth + 1);
    }
    if (!m_reader.next() && readerFailed())
        return false;
    return !readerFailed();
}

} // namespace protocol
