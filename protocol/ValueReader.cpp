#include "protocol/ValueReader.h"

#include "protocol/ValueWriter.h"

#include <QStringDecoder>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>

namespace protocol {

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

constexpr quint64 kMaxReservedRows = 1 << 20;
constexpr quint64 kMaxInteger = quint64(std::numeric_limits<qint64>::max());

enum Major : quint8 { Unsigned, Negative, Bytes, Text, Array, Map, Tag, Simple };

bool is(QByteArrayView key, const char* literal) {
    const auto n = qsizetype(std::strlen(literal));
    return key.size() == n && std::memcmp(key.data(), literal, size_t(n)) == 0;
}

QString cellTypeName(const QVariant& v) {
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

bool fitsField(QVariant& v, TFieldType type) {
    if (!v.isValid()) // null
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
QDate parseDate(QByteArrayView s) {
    if (s.size() != 10 || s[4] != '-' || s[7] != '-')
        return {};
    int parts[3] = {0, 0, 0};
    const int starts[3] = {0, 5, 8};
    const int lengths[3] = {4, 2, 2};
    for (int p = 0; p < 3; ++p) {
        for (int i = 0; i < lengths[p]; ++i) {
            const char c = s[starts[p] + i];
            if (c < '0' || c > '9')
                return {};
            parts[p] = parts[p] * 10 + (c - '0');
        }
    }
    return QDate(parts[0], parts[1], parts[2]);
}

double halfToDouble(quint16 h) {
    const int exponent = (h >> 10) & 0x1f;
    const int mantissa = h & 0x3ff;
    double value = 0;
    if (exponent == 0)
        value = std::ldexp(mantissa, -24);
    else if (exponent != 31)
        value = std::ldexp(mantissa + 1024, exponent - 25);
    else
        value = mantissa == 0 ? HUGE_VAL : std::nan("");
    return (h & 0x8000) ? -value : value;
}

} // namespace

ValueReader::ValueReader(QByteArrayView bytes)
    : m_p(reinterpret_cast<const uchar*>(bytes.data()))
    , m_end(reinterpret_cast<const uchar*>(bytes.data()) + bytes.size()) {}

bool ValueReader::fail(const QString& reason) {
    if (m_error.isEmpty())
        m_error = reason;
    return false;
}

bool ValueReader::expectEnd() {
    if (!m_error.isEmpty())
        return false;
    if (m_p != m_end)
        return fail(QStringLiteral("%1 bytes sobrando após a mensagem").arg(remaining()));
    return true;
}

// The initial byte and its argument. A break (0xff) comes back as Simple, indefinite.
bool ValueReader::readHead(Head* head) {
    if (m_p >= m_end)
        return fail(QStringLiteral("dados truncados"));
    const uchar initial = *m_p++;
    head->major = initial >> 5;
    head->info = initial & 0x1f;
    head->indefinite = false;
    if (head->info < 24) {
        head->arg = head->info;
        return true;
    }
    if (head->info <= 27) {
        const qsizetype n = qsizetype(1) << (head->info - 24);
        if (remaining() < n)
            return fail(QStringLiteral("dados truncados"));
        quint64 arg = 0;
        for (qsizetype i = 0; i < n; ++i)
            arg = (arg << 8) | m_p[i];
        m_p += n;
        head->arg = arg;
        return true;
    }
    if (head->info == 31 && head->major != Unsigned && head->major != Negative &&
        head->major != Tag) {
        head->indefinite = true;
        head->arg = 0;
        return true;
    }
    return fail(
        QStringLiteral("CBOR inválido: byte inicial 0x%1").arg(initial, 2, 16, QLatin1Char('0')));
}

bool ValueReader::readTextBytes(const Head& head, QByteArrayView* bytes) {
    if (!head.indefinite) {
        if (head.arg > quint64(remaining()))
            return fail(QStringLiteral("dados truncados: texto de %1 bytes").arg(head.arg));
        *bytes = QByteArrayView(m_p, qsizetype(head.arg));
        m_p += head.arg;
        return true;
    }
    m_scratch.clear();
    for (;;) {
        if (m_p >= m_end)
            return fail(QStringLiteral("dados truncados"));
        if (*m_p == 0xff) {
            ++m_p;
            break;
        }
        Head chunk;
        if (!readHead(&chunk))
            return false;
        if (chunk.major != head.major || chunk.indefinite)
            return fail(QStringLiteral("pedaço de texto inválido"));
        if (chunk.arg > quint64(remaining()))
            return fail(QStringLiteral("dados truncados"));
        m_scratch.append(reinterpret_cast<const char*>(m_p), qsizetype(chunk.arg));
        m_p += chunk.arg;
    }
    *bytes = m_scratch;
    return true;
}

ValueReader::~ValueReader() = default;

namespace {

bool isAscii(QByteArrayView bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; });
}

// False on invalid UTF-8; the caller says where.
bool decodeText(QByteArrayView bytes, QString* text) {
    // Most texts are ASCII codes; they convert without a decoder.
    if (isAscii(bytes)) {
        *text = QString::fromLatin1(bytes);
        return true;
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                     QStringDecoder::Flag::ConvertInitialBom);
    *text = decoder.decode(bytes);
    return !decoder.hasError();
}

} // namespace

bool ValueReader::textFromHead(const Head& head, QString* text) {
    QByteArrayView bytes;
    if (!readTextBytes(head, &bytes))
        return false;
    if (!decodeText(bytes, text))
        return fail(QStringLiteral("texto com UTF-8 inválido"));
    return true;
}

bool ValueReader::readText(QString* text) {
    if (peekMajor() != Text)
        return fail(m_p < m_end ? QStringLiteral("esperado texto")
                                : QStringLiteral("dados truncados"));
    Head head;
    return readHead(&head) && textFromHead(head, text);
}

bool ValueReader::readKey(QByteArrayView* key) {
    if (peekMajor() != Text)
        return fail(QStringLiteral("chave não é texto"));
    Head head;
    return readHead(&head) && readTextBytes(head, key);
}

bool ValueReader::readInteger(qint64* value) {
    const int major = peekMajor();
    if (major != Unsigned && major != Negative)
        return fail(m_p < m_end ? QStringLiteral("esperado inteiro")
                                : QStringLiteral("dados truncados"));
    Head head;
    if (!readHead(&head))
        return false;
    // CBOR stores a negative as -1 - n; n must fit so that the result does.
    if (head.arg > kMaxInteger)
        return fail(QStringLiteral("inteiro fora do intervalo"));
    *value = major == Unsigned ? qint64(head.arg) : -1 - qint64(head.arg);
    return true;
}

bool ValueReader::beginArray(Container* c) {
    if (peekMajor() != Array)
        return fail(m_p < m_end ? QStringLiteral("esperado lista")
                                : QStringLiteral("dados truncados"));
    Head head;
    if (!readHead(&head))
        return false;
    if (!head.indefinite && head.arg > quint64(remaining()))
        return fail(QStringLiteral("lista de %1 itens em %2 bytes").arg(head.arg).arg(remaining()));
    c->remaining = head.arg;
    c->indefinite = head.indefinite;
    return true;
}

bool ValueReader::beginMap(Container* c) {
    if (peekMajor() != Map)
        return fail(m_p < m_end ? QStringLiteral("esperado mapa")
                                : QStringLiteral("dados truncados"));
    Head head;
    if (!readHead(&head))
        return false;
    if (!head.indefinite && head.arg > quint64(remaining()) / 2)
        return fail(QStringLiteral("mapa de %1 pares em %2 bytes").arg(head.arg).arg(remaining()));
    c->remaining = head.arg;
    c->indefinite = head.indefinite;
    return true;
}

bool ValueReader::hasNext(Container& c) {
    if (!m_error.isEmpty())
        return false;
    if (c.indefinite) {
        if (m_p >= m_end)
            return fail(QStringLiteral("dados truncados"));
        if (*m_p == 0xff) {
            ++m_p;
            return false;
        }
        return true;
    }
    if (c.remaining == 0)
        return false;
    --c.remaining;
    return true;
}

// Scalars of cells and arguments: text, integer, float, tagged date or date-time, null.
bool ValueReader::readScalar(QVariant* value) {
    Head head;
    if (!readHead(&head))
        return false;
    switch (head.major) {
    case Unsigned:
    case Negative:
        if (head.arg > kMaxInteger)
            return fail(QStringLiteral("inteiro fora do intervalo"));
        *value = head.major == Unsigned ? qint64(head.arg) : -1 - qint64(head.arg);
        return true;
    case Text: {
        QString text;
        if (!textFromHead(head, &text))
            return false;
        *value = std::move(text);
        return true;
    }
    case Tag:
        return readTagged(head.arg, value);
    case Simple: {
        double d = 0;
        switch (head.info) {
        case 22: // null
        case 23: // undefined
            *value = QVariant();
            return true;
        case 25:
            d = halfToDouble(quint16(head.arg));
            break;
        case 26: {
            const auto bits = quint32(head.arg);
            float f = 0;
            std::memcpy(&f, &bits, sizeof f);
            d = f;
            break;
        }
        case 27:
            std::memcpy(&d, &head.arg, sizeof d);
            break;
        case 31:
            return fail(QStringLiteral("fim de lista inesperado"));
        default:
            return fail(QStringLiteral("valor lógico ou simples não suportado"));
        }
        if (!std::isfinite(d))
            return fail(QStringLiteral("número não finito"));
        *value = d;
        return true;
    }
    default:
        return fail(QStringLiteral("tipo CBOR não suportado aqui"));
    }
}

bool ValueReader::readTagged(quint64 tag, QVariant* value) {
    if (tag != ValueWriter::kDateTag && tag != ValueWriter::kDateTimeTag)
        return fail(QStringLiteral("marca CBOR %1 não suportada").arg(tag));
    if (peekMajor() != Text)
        return fail(QStringLiteral("data sem texto"));
    Head head;
    QByteArrayView bytes;
    if (!readHead(&head) || !readTextBytes(head, &bytes))
        return false;
    if (tag == ValueWriter::kDateTag) {
        const QDate date = parseDate(bytes);
        if (!date.isValid())
            return fail(
                QStringLiteral("data inválida: %1")
                    .arg(QString::fromUtf8(bytes.first(qMin<qsizetype>(bytes.size(), 40)))));
        *value = date;
        return true;
    }
    const QString text = QString::fromUtf8(bytes);
    const QDateTime dt = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!dt.isValid())
        return fail(QStringLiteral("data e hora inválida: %1").arg(text.left(40)));
    *value = dt.toLocalTime();
    return true;
}

bool ValueReader::readValue(RemoteValue* value) {
    return readValueAt(value, 0);
}

bool ValueReader::readValueAt(RemoteValue* value, int depth) {
    if (depth > kMaxDepth)
        return fail(QStringLiteral("aninhamento profundo demais"));
    if (peekMajor() == Array) {
        Container c;
        if (!beginArray(&c))
            return false;
        QList<RemoteValue> items;
        while (hasNext(c)) {
            RemoteValue item;
            if (!readValueAt(&item, depth + 1))
                return false;
            items.append(std::move(item));
        }
        if (!m_error.isEmpty())
            return false;
        *value = RemoteValue(std::move(items));
        return true;
    }
    if (peekMajor() == Map) {
        PacketParts parts;
        if (!readPacketMap(&parts))
            return false;
        if (parts.hasRows)
            *value = RemoteValue(TDataPacket{std::move(parts.fields), std::move(parts.rows)});
        else
            *value = RemoteValue(TChangePacket{std::move(parts.fields), std::move(parts.changes)});
        return true;
    }
    QVariant scalar;
    if (!readScalar(&scalar))
        return false;
    *value = RemoteValue::fromVariant(scalar);
    return true;
}

bool ValueReader::readDataPacket(TDataPacket* packet) {
    PacketParts parts;
    if (!readPacketMap(&parts))
        return false;
    if (!parts.hasRows)
        return fail(QStringLiteral("pacote de dados sem \"rows\""));
    packet->fields = std::move(parts.fields);
    packet->rows = std::move(parts.rows);
    return true;
}

bool ValueReader::readChangePacket(TChangePacket* packet) {
    PacketParts parts;
    if (!readPacketMap(&parts))
        return false;
    if (!parts.hasChanges)
        return fail(QStringLiteral("pacote de alterações sem \"changes\""));
    packet->fields = std::move(parts.fields);
    packet->changes = std::move(parts.changes);
    return true;
}

bool ValueReader::readPacketMap(PacketParts* parts) {
    Container c;
    if (!beginMap(&c))
        return fail(QStringLiteral("pacote não é mapa"));
    while (hasNext(c)) {
        QByteArrayView key;
        if (!readKey(&key))
            return false;
        const bool dup = (is(key, "fields") && parts->hasFields) ||
                         (is(key, "rows") && parts->hasRows) ||
                         (is(key, "changes") && parts->hasChanges);
        if (dup)
            return fail(
                QStringLiteral("pacote: chave \"%1\" repetida").arg(QString::fromUtf8(key)));
        const TFieldDefs* known = parts->hasFields ? &parts->fields : nullptr;
        bool ok = true;
        if (is(key, "fields")) {
            ok = readFields(&parts->fields);
            parts->hasFields = true;
        } else if (is(key, "rows")) {
            ok = readRows(&parts->rows, known);
            parts->hasRows = true;
            parts->rowsChecked = known != nullptr;
        } else if (is(key, "changes")) {
            ok = readChanges(&parts->changes, known);
            parts->hasChanges = true;
            parts->rowsChecked = known != nullptr;
        } else {
            ok = skipValue();
        }
        if (!ok)
            return false;
    }
    if (!m_error.isEmpty())
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

bool ValueReader::readFields(TFieldDefs* fields) {
    Container c;
    if (!beginArray(&c))
        return fail(QStringLiteral("\"fields\" não é lista"));
    while (hasNext(c)) {
        TFieldDef field;
        if (!readField(&field))
            return false;
        for (const TFieldDef& other : std::as_const(*fields)) {
            if (other.name.compare(field.name, Qt::CaseInsensitive) == 0)
                return fail(QStringLiteral("campo \"%1\" repetido").arg(field.name.left(40)));
        }
        fields->append(std::move(field));
    }
    return m_error.isEmpty();
}

bool ValueReader::readField(TFieldDef* field) {
    Container c;
    if (!beginMap(&c))
        return fail(QStringLiteral("campo não é mapa"));
    bool hasName = false;
    bool hasType = false;
    while (hasNext(c)) {
        QByteArrayView key;
        if (!readKey(&key))
            return false;
        if (is(key, "name")) {
            if (!readText(&field->name) || field->name.isEmpty())
                return fail(QStringLiteral("campo sem nome"));
            hasName = true;
        } else if (is(key, "type")) {
            QString name;
            if (!readText(&name))
                return fail(QStringLiteral("campo: tipo não é texto"));
            if (!fieldTypeFromName(name, &field->type))
                return fail(QStringLiteral("campo: tipo desconhecido \"%1\"").arg(name.left(40)));
            hasType = true;
        } else if (is(key, "size")) {
            qint64 size = 0;
            if (!readInteger(&size) || size < 0 || size > 1 << 20)
                return fail(QStringLiteral("campo: tamanho inválido"));
            field->size = int(size);
        } else if (is(key, "label")) {
            if (!readText(&field->displayLabel))
                return fail(QStringLiteral("campo: rótulo não é texto"));
        } else if (!skipValue()) {
            return false;
        }
    }
    if (!m_error.isEmpty())
        return false;
    if (!hasName || !hasType)
        return fail(QStringLiteral("campo sem nome ou sem tipo"));
    return true;
}

bool ValueReader::readRows(std::vector<TRow>* rows, const TFieldDefs* fields) {
    Container c;
    if (!beginArray(&c))
        return fail(QStringLiteral("\"rows\" não é lista"));
    if (!c.indefinite) {
        // The declared count is only a hint: bounded by what the bytes can hold.
        const qsizetype minRowBytes = 1 + (fields ? fields->size() : 0);
        rows->reserve(size_t(std::min<quint64>(
            {c.remaining, quint64(remaining() / minRowBytes), kMaxReservedRows})));
    }
    while (hasNext(c)) {
        rows->emplace_back();
        if (!readRow(&rows->back(), fields, qsizetype(rows->size() - 1)))
            return false;
    }
    return m_error.isEmpty();
}

bool ValueReader::readRow(TRow* row, const TFieldDefs* fields, qsizetype rowIndex) {
    Container c;
    if (peekMajor() != Array)
        return fail(QStringLiteral("linha %1 não é lista").arg(rowIndex));
    if (!beginArray(&c))
        return false;
    if (!c.indefinite && fields) {
        if (c.remaining != quint64(fields->size())) {
            return fail(QStringLiteral("linha %1 com %2 valores, esperado %3")
                            .arg(rowIndex)
                            .arg(c.remaining)
                            .arg(fields->size()));
        }
        row->reserve(fields->size());
        for (qsizetype col = 0; col < fields->size(); ++col) {
            if (!readPlainCell(row, (*fields)[col].type) && !readCell(row, fields, rowIndex))
                return false;
        }
        return true;
    }
    if (!c.indefinite)
        row->reserve(qsizetype(std::min<quint64>(c.remaining, 256)));
    while (hasNext(c)) {
        if (fields && row->size() == fields->size()) {
            return fail(QStringLiteral("linha %1 com valores demais, esperado %2")
                            .arg(rowIndex)
                            .arg(fields->size()));
        }
        if (!readCell(row, fields, rowIndex))
            return false;
    }
    if (!m_error.isEmpty())
        return false;
    if (fields && row->size() != fields->size()) {
        return fail(QStringLiteral("linha %1 com %2 valores, esperado %3")
                        .arg(rowIndex)
                        .arg(row->size())
                        .arg(fields->size()));
    }
    return true;
}

// Any cell, checked against its field when the fields are known.
bool ValueReader::readCell(TRow* row, const TFieldDefs* fields, qsizetype rowIndex) {
    const qsizetype col = row->size();
    QVariant cell;
    if (!readScalar(&cell)) {
        m_error.prepend(QStringLiteral("linha %1, coluna %2: ").arg(rowIndex).arg(col));
        return false;
    }
    if (fields && !fitsField(cell, fields->at(col).type)) {
        const TFieldDef& f = fields->at(col);
        return fail(QStringLiteral("linha %1, campo %2: esperado %3, veio %4")
                        .arg(rowIndex)
                        .arg(f.name, fieldTypeName(f.type), cellTypeName(cell)));
    }
    row->append(cell);
    return true;
}

// The cells most rows are made of - a short text in a text field, an integer or double in
// a number field, a null - without the general path's bookkeeping. Anything else, valid
// or not, is left unread for readCell, which also words any error.
bool ValueReader::readPlainCell(TRow* row, TFieldType type) {
    if (m_p >= m_end)
        return false;
    const uchar major = *m_p >> 5;
    const uchar info = *m_p & 0x1f;
    const qsizetype left = remaining();
    if (major == Text) {
        if (type != TFieldType::ftString && type != TFieldType::ftFixedChar)
            return false;
        qsizetype header = 1;
        quint64 size = info;
        if (info == 24 && left >= 2) {
            size = m_p[1];
            header = 2;
        } else if (info >= 24) {
            return false;
        }
        if (size > quint64(left - header))
            return false;
        const QByteArrayView bytes(m_p + header, qsizetype(size));
        if (bytes.size() <= TCell::kMaxInlineText && isAscii(bytes)) {
            row->append(TCell::latin1(bytes));
        } else {
            QString text;
            if (!decodeText(bytes, &text))
                return false;
            row->append(TCell::text(text));
        }
        m_p += header + qsizetype(size);
        return true;
    }
    if (major == Unsigned || major == Negative) {
        if (type != TFieldType::ftInteger && type != TFieldType::ftFloat)
            return false;
        qsizetype header = 1;
        quint64 arg = info;
        if (info >= 24) {
            if (info > 27 || left < 1 + (qsizetype(1) << (info - 24)))
                return false;
            header = 1 + (qsizetype(1) << (info - 24));
            arg = 0;
            for (qsizetype i = 1; i < header; ++i)
                arg = (arg << 8) | m_p[i];
        }
        if (arg > kMaxInteger)
            return false;
        m_p += header;
        const qint64 value = major == Unsigned ? qint64(arg) : -1 - qint64(arg);
        if (type == TFieldType::ftInteger)
            row->append(TCell::integer(value));
        else // some writers send whole amounts as integers
            row->append(TCell::real(double(value)));
        return true;
    }
    if (*m_p == 0xf6) { // null
        ++m_p;
        row->append(TCell());
        return true;
    }
    if (*m_p == 0xfb && type == TFieldType::ftFloat && left >= 9) {
        quint64 bits = 0;
        for (int i = 1; i <= 8; ++i)
            bits = (bits << 8) | m_p[i];
        double d = 0;
        std::memcpy(&d, &bits, sizeof d);
        if (!std::isfinite(d))
            return false;
        m_p += 9;
        row->append(TCell::real(d));
        return true;
    }
    return false;
}

bool ValueReader::checkRow(TRow& row, const TFieldDefs& fields, qsizetype rowIndex) {
    if (row.size() != fields.size()) {
        return fail(QStringLiteral("linha %1 com %2 valores, esperado %3")
                        .arg(rowIndex)
                        .arg(row.size())
                        .arg(fields.size()));
    }
    for (qsizetype c = 0; c < row.size(); ++c) {
        QVariant cell = row[c];
        const int typeBefore = cell.typeId();
        if (!fitsField(cell, fields[c].type)) {
            return fail(
                QStringLiteral("linha %1, campo %2: esperado %3, veio %4")
                    .arg(rowIndex)
                    .arg(fields[c].name, fieldTypeName(fields[c].type), cellTypeName(cell)));
        }
        if (cell.typeId() != typeBefore)
            row.replace(c, cell);
    }
    return true;
}

bool ValueReader::readChanges(QList<TChangePacket::Change>* changes, const TFieldDefs* fields) {
    Container c;
    if (!beginArray(&c))
        return fail(QStringLiteral("\"changes\" não é lista"));
    while (hasNext(c)) {
        TChangePacket::Change change;
        if (!readChange(&change, fields, changes->size()))
            return false;
        changes->append(std::move(change));
    }
    return m_error.isEmpty();
}

bool ValueReader::readChange(TChangePacket::Change* change, const TFieldDefs* fields,
                             qsizetype index) {
    Container c;
    if (!beginMap(&c))
        return fail(QStringLiteral("alteração %1 não é mapa").arg(index));
    bool hasKind = false;
    while (hasNext(c)) {
        QByteArrayView key;
        if (!readKey(&key))
            return false;
        bool ok = true;
        if (is(key, "kind")) {
            QString kind;
            if (!readText(&kind))
                return false;
            if (kind == u"insert")
                change->kind = TChangePacket::Kind::Insert;
            else if (kind == u"update")
                change->kind = TChangePacket::Kind::Update;
            else if (kind == u"delete")
                change->kind = TChangePacket::Kind::Delete;
            else
                return fail(QStringLiteral("alteração %1: tipo \"%2\" desconhecido")
                                .arg(index)
                                .arg(kind.left(20)));
            hasKind = true;
        } else if (is(key, "old")) {
            ok = readOptionalRow(&change->oldValues, fields, index);
        } else if (is(key, "new")) {
            ok = readOptionalRow(&change->newValues, fields, index);
        } else {
            ok = skipValue();
        }
        if (!ok)
            return false;
    }
    if (!m_error.isEmpty())
        return false;
    if (!hasKind)
        return fail(QStringLiteral("alteração %1 sem \"kind\"").arg(index));
    // Each kind carries exactly the rows it needs, so the receiver never guesses.
    const bool needsOld = change->kind != TChangePacket::Kind::Insert;
    const bool needsNew = change->kind != TChangePacket::Kind::Delete;
    if (change->oldValues.has_value() != needsOld || change->newValues.has_value() != needsNew)
        return fail(QStringLiteral("alteração %1: valores antigos/novos não combinam com o tipo")
                        .arg(index));
    return true;
}

bool ValueReader::readOptionalRow(std::optional<TRow>* row, const TFieldDefs* fields,
                                  qsizetype index) {
    if (isNull()) {
        ++m_p;
        row->reset();
        return true;
    }
    TRow values;
    if (!readRow(&values, fields, index))
        return false;
    *row = std::move(values);
    return true;
}

bool ValueReader::skipValue() {
    return skipAt(0);
}

bool ValueReader::skipAt(int depth) {
    if (depth > kMaxDepth)
        return fail(QStringLiteral("aninhamento profundo demais"));
    Head head;
    if (!readHead(&head))
        return false;
    switch (head.major) {
    case Bytes:
    case Text: {
        QByteArrayView ignored;
        return readTextBytes(head, &ignored);
    }
    case Array:
    case Map: {
        if (!head.indefinite && head.arg > quint64(remaining()))
            return fail(QStringLiteral("dados truncados"));
        Container c{head.major == Map ? head.arg * 2 : head.arg, head.indefinite};
        while (hasNext(c)) {
            if (!skipAt(depth + 1))
                return false;
        }
        return m_error.isEmpty();
    }
    case Tag:
        return skipAt(depth + 1);
    case Simple:
        if (head.indefinite)
            return fail(QStringLiteral("fim de lista inesperado"));
        return true;
    default:
        return true;
    }
}

} // namespace protocol
