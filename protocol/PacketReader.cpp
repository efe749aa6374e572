#include "protocol/PacketReader.h"

#include <algorithm>
#include <cstring>

namespace protocol {

enum class PacketReader::CellKind : quint8 { Null, Text, Integer, Number, Date, DateTime, Other };

// A packet map's members, gathered in whatever order they arrive.
struct PacketReader::Parts {
    bool hasFields = false;
    bool hasRows = false;
    bool hasChanges = false;
    bool rowsChecked = false; // rows that came after the fields were checked as they came
    TFieldDefs fields;
    std::vector<TRow> rows;
    QList<TChangePacket::Change> changes;
};

namespace {

using CellKind = PacketReader::CellKind;

constexpr quint64 kMaxReservedRows = 1 << 20;

bool is(QByteArrayView key, const char* literal) {
    const auto n = qsizetype(std::strlen(literal));
    return key.size() == n && std::memcmp(key.data(), literal, size_t(n)) == 0;
}

QString cellTypeName(CellKind kind) {
    switch (kind) {
    case CellKind::Text:
        return QStringLiteral("texto");
    case CellKind::Integer:
        return QStringLiteral("inteiro");
    case CellKind::Number:
        return QStringLiteral("número");
    case CellKind::Date:
        return QStringLiteral("data");
    case CellKind::DateTime:
        return QStringLiteral("data e hora");
    case CellKind::Null:
    case CellKind::Other:
        break;
    }
    return QStringLiteral("outro");
}

CellKind kindOf(const TCell& cell) {
    switch (cell.kind()) {
    case TCell::Kind::Null:
        return CellKind::Null;
    case TCell::Kind::Integer:
        return CellKind::Integer;
    case TCell::Kind::Real:
        return CellKind::Number;
    case TCell::Kind::Date:
        return CellKind::Date;
    case TCell::Kind::Text:
        return CellKind::Text;
    case TCell::Kind::Boxed:
        break;
    }
    switch (cell.boxedValue().typeId()) {
    case QMetaType::QString:
        return CellKind::Text;
    case QMetaType::QDateTime:
        return CellKind::DateTime;
    default:
        return CellKind::Other;
    }
}

enum class Fit : quint8 { Refused, AsIs, AsNumber };

// How a field of `type` takes a value of `kind`: a null fits any field, and a number
// field takes integers as numbers, since some writers send whole amounts as integers.
Fit fit(CellKind kind, TFieldType type) {
    switch (kind) {
    case CellKind::Null:
        return Fit::AsIs;
    case CellKind::Text:
        return type == TFieldType::ftString || type == TFieldType::ftFixedChar ? Fit::AsIs
                                                                               : Fit::Refused;
    case CellKind::Integer:
        if (type == TFieldType::ftFloat)
            return Fit::AsNumber;
        return type == TFieldType::ftInteger ? Fit::AsIs : Fit::Refused;
    case CellKind::Number:
        return type == TFieldType::ftFloat ? Fit::AsIs : Fit::Refused;
    case CellKind::Date:
        return type == TFieldType::ftDate ? Fit::AsIs : Fit::Refused;
    case CellKind::DateTime:
        return type == TFieldType::ftDateTime ? Fit::AsIs : Fit::Refused;
    case CellKind::Other:
        break;
    }
    return Fit::Refused;
}

// Appends the scalar the cursor reads to a row as its field takes it. A value the field
// refuses is noted instead; with no field (the fields come later) it goes in as it came.
struct CellSink {
    TRow* row;
    const TFieldDef* field;
    CborCursor* cursor;
    bool refused = false;
    CellKind refusedKind = CellKind::Null;

    Fit take(CellKind kind) {
        const Fit f = field ? fit(kind, field->type) : Fit::AsIs;
        if (Q_UNLIKELY(f == Fit::Refused)) {
            refused = true;
            refusedKind = kind;
        }
        return f;
    }
    void null() { row->append(TCell()); }
    void integer(qint64 value) {
        switch (take(CellKind::Integer)) {
        case Fit::AsIs:
            row->append(TCell::integer(value));
            break;
        case Fit::AsNumber:
            row->append(TCell::real(double(value)));
            break;
        case Fit::Refused:
            break;
        }
    }
    void real(double value) {
        if (take(CellKind::Number) != Fit::Refused)
            row->append(TCell::real(value));
    }
    void text(const CborCursor::TextView& text) {
        if (take(CellKind::Text) == Fit::Refused)
            return;
        // Short ASCII codes go into their cells as the bytes they came in.
        if (text.isAscii() && text.utf8.size() <= TCell::kMaxInlineText)
            row->append(TCell::latin1(text.utf8));
        else if (cursor->charge(PacketReader::kBoxCost + quint64(text.utf8.size()) * sizeof(QChar)))
            row->append(TCell::text(text.toString()));
    }
    void date(const QDate& date) {
        if (take(CellKind::Date) != Fit::Refused)
            row->append(TCell(QVariant(date)));
    }
    void dateTime(const QDateTime& dateTime) {
        if (take(CellKind::DateTime) != Fit::Refused && cursor->charge(PacketReader::kBoxCost))
            row->append(TCell(QVariant(dateTime)));
    }
};

} // namespace

PacketReader::PacketReader(CborCursor& cursor, Kinds kinds)
    : m_cursor(cursor)
    , m_kinds(kinds) {}

bool PacketReader::readDataPacket(TDataPacket* packet) {
    Parts parts;
    if (!readParts(&parts))
        return false;
    if (!parts.hasRows)
        return m_cursor.fail(QStringLiteral("pacote de dados sem \"rows\""));
    packet->fields = std::move(parts.fields);
    packet->rows = std::move(parts.rows);
    return true;
}

bool PacketReader::readChangePacket(TChangePacket* packet) {
    Parts parts;
    if (!readParts(&parts))
        return false;
    if (!parts.hasChanges)
        return m_cursor.fail(QStringLiteral("pacote de alterações sem \"changes\""));
    packet->fields = std::move(parts.fields);
    packet->changes = std::move(parts.changes);
    return true;
}

bool PacketReader::readPacket(RemoteValue* value) {
    Parts parts;
    if (!readParts(&parts))
        return false;
    if (parts.hasRows)
        *value = RemoteValue(TDataPacket{std::move(parts.fields), std::move(parts.rows)});
    else
        *value = RemoteValue(TChangePacket{std::move(parts.fields), std::move(parts.changes)});
    return true;
}

bool PacketReader::readParts(Parts* parts) {
    CborCursor::Container c;
    if (!m_cursor.beginMap(&c))
        return m_cursor.fail(QStringLiteral("pacote não é mapa"));
    while (m_cursor.hasNext(c)) {
        QByteArrayView key;
        if (!m_cursor.readKey(&key))
            return false;
        const bool dup = (is(key, "fields") && parts->hasFields) ||
                         (is(key, "rows") && parts->hasRows) ||
                         (is(key, "changes") && parts->hasChanges);
        if (dup)
            return m_cursor.fail(
                QStringLiteral("pacote: chave \"%1\" repetida").arg(QString::fromUtf8(key)));
        const TFieldDefs* known = parts->hasFields ? &parts->fields : nullptr;
        bool ok = true;
        if (is(key, "fields")) {
            ok = readFields(&parts->fields);
            parts->hasFields = true;
        } else if (is(key, "rows")) {
            if (m_kinds == Kinds::ChangesOnly)
                return m_cursor.failOverLimit(QStringLiteral("pacote de dados numa chamada"));
            ok = readRows(&parts->rows, known);
            parts->hasRows = true;
            parts->rowsChecked = known != nullptr;
        } else if (is(key, "changes")) {
            ok = readChanges(&parts->changes, known);
            parts->hasChanges = true;
            parts->rowsChecked = known != nullptr;
        } else {
            ok = m_cursor.skipValue();
        }
        if (!ok)
            return false;
    }
    if (m_cursor.failed())
        return false;
    if (!parts->hasFields)
        return m_cursor.fail(QStringLiteral("pacote sem \"fields\""));
    if (parts->hasRows == parts->hasChanges)
        return m_cursor.fail(QStringLiteral("mapa não é pacote de dados nem de alterações"));
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

bool PacketReader::readFields(TFieldDefs* fields) {
    CborCursor::Container c;
    if (!m_cursor.beginArray(&c, sizeof(TFieldDef)))
        return m_cursor.fail(QStringLiteral("\"fields\" não é lista"));
    while (m_cursor.hasNext(c)) {
        TFieldDef field;
        if (!readField(&field))
            return false;
        for (const TFieldDef& other : std::as_const(*fields)) {
            if (other.name.compare(field.name, Qt::CaseInsensitive) == 0)
                return m_cursor.fail(
                    QStringLiteral("campo \"%1\" repetido").arg(field.name.left(40)));
        }
        fields->append(std::move(field));
    }
    return !m_cursor.failed();
}

bool PacketReader::readField(TFieldDef* field) {
    CborCursor::Container c;
    if (!m_cursor.beginMap(&c))
        return m_cursor.fail(QStringLiteral("campo não é mapa"));
    bool hasName = false;
    bool hasType = false;
    while (m_cursor.hasNext(c)) {
        QByteArrayView key;
        if (!m_cursor.readKey(&key))
            return false;
        if (is(key, "name")) {
            if (!m_cursor.readText(&field->name) || field->name.isEmpty())
                return m_cursor.fail(QStringLiteral("campo sem nome"));
            hasName = true;
        } else if (is(key, "type")) {
            QString name;
            if (!m_cursor.readText(&name))
                return m_cursor.fail(QStringLiteral("campo: tipo não é texto"));
            if (!fieldTypeFromName(name, &field->type))
                return m_cursor.fail(
                    QStringLiteral("campo: tipo desconhecido \"%1\"").arg(name.left(40)));
            hasType = true;
        } else if (is(key, "size")) {
            qint64 size = 0;
            if (!m_cursor.readInteger(&size) || size < 0 || size > 1 << 20)
                return m_cursor.fail(QStringLiteral("campo: tamanho inválido"));
            field->size = int(size);
        } else if (is(key, "label")) {
            if (!m_cursor.readText(&field->displayLabel))
                return m_cursor.fail(QStringLiteral("campo: rótulo não é texto"));
        } else if (!m_cursor.skipValue()) {
            return false;
        }
    }
    if (m_cursor.failed())
        return false;
    if (!hasName || !hasType)
        return m_cursor.fail(QStringLiteral("campo sem nome ou sem tipo"));
    return true;
}

bool PacketReader::readRows(std::vector<TRow>* rows, const TFieldDefs* fields) {
    CborCursor::Container c;
    if (!m_cursor.beginArray(&c, sizeof(TRow)))
        return m_cursor.fail(QStringLiteral("\"rows\" não é lista"));
    const qsizetype minRowBytes = 1 + (fields ? fields->size() : 0);
    rows->reserve(size_t(m_cursor.reserveHint(c, minRowBytes, kMaxReservedRows)));
    while (m_cursor.hasNext(c)) {
        rows->emplace_back();
        if (!readRow(&rows->back(), fields, qsizetype(rows->size() - 1)))
            return false;
    }
    return !m_cursor.failed();
}

bool PacketReader::failCount(qsizetype rowIndex, quint64 count, qsizetype expected) {
    return m_cursor.fail(QStringLiteral("linha %1 com %2 valores, esperado %3")
                             .arg(rowIndex)
                             .arg(count)
                             .arg(expected));
}

// Inline in the loop over a row's cells; what goes wrong is worded apart.
Q_ALWAYS_INLINE bool PacketReader::readCell(TRow* row, const TFieldDef* field, qsizetype rowIndex) {
    CellSink sink{row, field, &m_cursor};
    if (Q_UNLIKELY(!m_cursor.readScalar(sink)))
        return failAt(rowIndex, row->size());
    if (Q_UNLIKELY(sink.refused))
        return failType(rowIndex, *field, sink.refusedKind);
    return true;
}

bool PacketReader::failAt(qsizetype rowIndex, qsizetype column) {
    m_cursor.prefixError(QStringLiteral("linha %1, coluna %2: ").arg(rowIndex).arg(column));
    return false;
}

bool PacketReader::failType(qsizetype rowIndex, const TFieldDef& field, CellKind came) {
    return m_cursor.fail(QStringLiteral("linha %1, campo %2: esperado %3, veio %4")
                             .arg(rowIndex)
                             .arg(field.name, fieldTypeName(field.type), cellTypeName(came)));
}

bool PacketReader::readRow(TRow* row, const TFieldDefs* fields, qsizetype rowIndex) {
    if (m_cursor.peekMajor() != CborCursor::Array)
        return m_cursor.fail(QStringLiteral("linha %1 não é lista").arg(rowIndex));
    CborCursor::Container c;
    if (!m_cursor.beginArray(&c))
        return false;
    if (!c.indefinite && fields) {
        // The usual row: as many cells as fields, each read as its field takes it.
        if (c.remaining != quint64(fields->size()))
            return failCount(rowIndex, c.remaining, fields->size());
        if (!chargeCells(c.remaining))
            return false;
        row->reserve(m_cursor.reserveHint(c, 1, quint64(fields->size())));
        for (const TFieldDef& field : *fields) {
            if (!readCell(row, &field, rowIndex))
                return false;
        }
        return true;
    }
    if (!c.indefinite && !chargeCells(c.remaining))
        return false;
    row->reserve(m_cursor.reserveHint(c, 1, 256));
    while (m_cursor.hasNext(c)) {
        // Undeclared cells beyond the row's own grow its storage by doubling.
        if (c.indefinite && row->size() >= TRow::kInline && !m_cursor.charge(2 * sizeof(TCell)))
            return false;
        if (fields && row->size() == fields->size()) {
            return m_cursor.fail(QStringLiteral("linha %1 com valores demais, esperado %2")
                                     .arg(rowIndex)
                                     .arg(fields->size()));
        }
        if (!readCell(row, fields ? &fields->at(row->size()) : nullptr, rowIndex))
            return false;
    }
    if (m_cursor.failed())
        return false;
    if (fields && row->size() != fields->size())
        return failCount(rowIndex, quint64(row->size()), fields->size());
    return true;
}

// A row holds its first cells itself; the rest it allocates.
bool PacketReader::chargeCells(quint64 count) {
    const auto own = quint64(TRow::kInline);
    return count <= own || m_cursor.charge((count - own) * sizeof(TCell));
}

bool PacketReader::checkRow(TRow& row, const TFieldDefs& fields, qsizetype rowIndex) {
    if (row.size() != fields.size())
        return failCount(rowIndex, quint64(row.size()), fields.size());
    for (qsizetype c = 0; c < row.size(); ++c) {
        const CellKind kind = kindOf(row.cell(c));
        switch (fit(kind, fields[c].type)) {
        case Fit::AsIs:
            break;
        case Fit::AsNumber:
            row.replace(c, TCell::real(double(row.cell(c).integerValue())));
            break;
        case Fit::Refused:
            return failType(rowIndex, fields[c], kind);
        }
    }
    return true;
}

bool PacketReader::readChanges(QList<TChangePacket::Change>* changes, const TFieldDefs* fields) {
    CborCursor::Container c;
    if (!m_cursor.beginArray(&c, sizeof(TChangePacket::Change)))
        return m_cursor.fail(QStringLiteral("\"changes\" não é lista"));
    changes->reserve(m_cursor.reserveHint(c, 1, kMaxReservedRows));
    while (m_cursor.hasNext(c)) {
        TChangePacket::Change change;
        if (!readChange(&change, fields, changes->size()))
            return false;
        changes->append(std::move(change));
    }
    return !m_cursor.failed();
}

bool PacketReader::readChange(TChangePacket::Change* change, const TFieldDefs* fields,
                              qsizetype index) {
    CborCursor::Container c;
    if (!m_cursor.beginMap(&c))
        return m_cursor.fail(QStringLiteral("alteração %1 não é mapa").arg(index));
    bool hasKind = false;
    while (m_cursor.hasNext(c)) {
        QByteArrayView key;
        if (!m_cursor.readKey(&key))
            return false;
        bool ok = true;
        if (is(key, "kind")) {
            QString kind;
            if (!m_cursor.readText(&kind))
                return false;
            if (kind == u"insert")
                change->kind = TChangePacket::Kind::Insert;
            else if (kind == u"update")
                change->kind = TChangePacket::Kind::Update;
            else if (kind == u"delete")
                change->kind = TChangePacket::Kind::Delete;
            else
                return m_cursor.fail(QStringLiteral("alteração %1: tipo \"%2\" desconhecido")
                                         .arg(index)
                                         .arg(kind.left(20)));
            hasKind = true;
        } else if (is(key, "old")) {
            ok = readOptionalRow(&change->oldValues, fields, index);
        } else if (is(key, "new")) {
            ok = readOptionalRow(&change->newValues, fields, index);
        } else {
            ok = m_cursor.skipValue();
        }
        if (!ok)
            return false;
    }
    if (m_cursor.failed())
        return false;
    if (!hasKind)
        return m_cursor.fail(QStringLiteral("alteração %1 sem \"kind\"").arg(index));
    // Each kind carries exactly the rows it needs, so the receiver never guesses.
    const bool needsOld = change->kind != TChangePacket::Kind::Insert;
    const bool needsNew = change->kind != TChangePacket::Kind::Delete;
    if (change->oldValues.has_value() != needsOld || change->newValues.has_value() != needsNew)
        return m_cursor.fail(
            QStringLiteral("alteração %1: valores antigos/novos não combinam com o tipo")
                .arg(index));
    return true;
}

bool PacketReader::readOptionalRow(std::optional<TRow>* row, const TFieldDefs* fields,
                                   qsizetype index) {
    if (m_cursor.takeNull()) {
        row->reset();
        return true;
    }
    TRow values;
    if (!readRow(&values, fields, index))
        return false;
    *row = std::move(values);
    return true;
}

} // namespace protocol
