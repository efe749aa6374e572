#include "external/shared/TADOIBQuery.h"

#include "core/EDBEngineError.h"
#include "core/Exception.h"
#include "db/SqlPlaceholders.h"
#include "db/TDatabase.h"
#include "external/shared/TdtmDBGeral.h"

#include <QDateTime>
#include <QSqlError>
#include <QSqlField>
#include <QSqlRecord>

namespace {

bool isBlank(const QStringList& lines) {
    for (const QString& line : lines) {
        if (!line.trimmed().isEmpty())
            return false;
    }
    return true;
}

// PostgreSQL type of a placeholder, from the value bound to it. Null and text are texts.
QString castTypeOf(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return QStringLiteral("BIGINT");
    case QMetaType::Double:
    case QMetaType::Float:
        return QStringLiteral("DOUBLE PRECISION");
    case QMetaType::QDate:
        return QStringLiteral("DATE");
    case QMetaType::QDateTime:
        return QStringLiteral("TIMESTAMP");
    case QMetaType::Bool:
        return QStringLiteral("BOOLEAN");
    default:
        return QStringLiteral("TEXT");
    }
}

TFieldType fieldTypeOf(const QSqlField& column) {
    switch (column.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return TFieldType::ftInteger;
    case QMetaType::Double:
    case QMetaType::Float:
        return TFieldType::ftFloat;
    case QMetaType::QDate:
        return TFieldType::ftDate;
    case QMetaType::QDateTime:
        return TFieldType::ftDateTime;
    default:
        return TFieldType::ftString;
    }
}

// SQLite keeps dates as ISO texts: "2024-03-15" or "2024-03-15 14:30:00".
QDateTime parseIsoDateTime(const QString& text) {
    QString t = text.trimmed();
    if (t.size() == 10)
        return QDateTime(QDate::fromString(t, Qt::ISODate), QTime(0, 0));
    if (t.size() > 10 && t[10] == QLatin1Char(' '))
        t[10] = QLatin1Char('T');
    return QDateTime::fromString(t, Qt::ISODateWithMs);
}

[[noreturn]] void conversionError(const QString& column, const QVariant& value, const char* what) {
    throw Exception(QStringLiteral("Valor \"%1\" da coluna %2 não é %3.")
                        .arg(value.toString(), column, QString::fromUtf8(what)));
}

QVariant toFieldType(const QVariant& value, const TFieldDef& def) {
    if (!value.isValid() || value.isNull())
        return {};
    bool ok = true;
    switch (def.type) {
    case TFieldType::ftString:
    case TFieldType::ftFixedChar:
        return value.typeId() == QMetaType::QString ? value : QVariant(value.toString());
    case TFieldType::ftInteger: {
        const qint64 i = value.toLongLong(&ok);
        if (!ok)
            conversionError(def.name, value, "um número inteiro");
        return QVariant(i);
    }
    case TFieldType::ftFloat: {
        const double d = value.toDouble(&ok);
        if (!ok)
            conversionError(def.name, value, "um número");
        return QVariant(d);
    }
    case TFieldType::ftDate:
    case TFieldType::ftDateTime: {
        QDateTime dt;
        if (value.typeId() == QMetaType::QDate)
            dt = QDateTime(value.toDate(), QTime(0, 0));
        else if (value.typeId() == QMetaType::QDateTime)
            dt = value.toDateTime();
        else
            dt = parseIsoDateTime(value.toString());
        if (!dt.isValid())
            conversionError(def.name, value, "uma data");
        return def.type == TFieldType::ftDate ? QVariant(dt.date()) : QVariant(dt);
    }
    }
    return value;
}

} // namespace

TADOIBQuery::TADOIBQuery(TComponent* owner)
    : TDataSet(owner) {}

TADOIBQuery::~TADOIBQuery() = default;

TADOIBParam* TADOIBQuery::findParam(const QString& name) {
    for (auto& p : m_params) {
        if (p->name().compare(name, Qt::CaseInsensitive) == 0)
            return p.get();
    }
    return nullptr;
}

TADOIBParam& TADOIBQuery::paramByName(const QString& name) {
    if (TADOIBParam* p = findParam(name))
        return *p;
    for (const QStringList* text : {&SQL, &SQL_ORACLE, &SQL_IB}) {
        if (SqlPlaceholders::names(text->join(QLatin1Char('\n')))
                .contains(name, Qt::CaseInsensitive)) {
            m_params.push_back(std::make_unique<TADOIBParam>(name));
            return *m_params.back();
        }
    }
    throw Exception(QStringLiteral("Parâmetro '%1' não encontrado.").arg(name));
}

TDatabase& TADOIBQuery::connection() const {
    TDatabase* db = m_database ? m_database : (dtmDBGeral ? &dtmDBGeral->dtbGeral : nullptr);
    if (!db || !db->isOpen())
        throw Exception(QStringLiteral("Sem conexão com o banco de dados."));
    return *db;
}

const QStringList& TADOIBQuery::textFor(TDialect dialect) const {
    if (dialect == TDialect::Oracle && !isBlank(SQL_ORACLE))
        return SQL_ORACLE;
    if (dialect == TDialect::InterBase && !isBlank(SQL_IB))
        return SQL_IB;
    return SQL;
}

QString TADOIBQuery::preparedText(TDialect dialect) const {
    const QString text = textFor(dialect).join(QLatin1Char('\n'));
    if (dialect != TDialect::PostgreSQL)
        return text;
    return SqlPlaceholders::withCasts(text, [this](const QString& name) {
        for (const auto& p : m_params) {
            if (p->name().compare(name, Qt::CaseInsensitive) == 0)
                return castTypeOf(p->boundValue());
        }
        return castTypeOf(QVariant());
    });
}

TDataPacket TADOIBQuery::produceData() {
    TDatabase& db = connection();
    const QString text = preparedText(db.dialect());
    if (text.trimmed().isEmpty())
        throw Exception(QStringLiteral("A consulta %1 não tem texto SQL.").arg(name()));
    m_query = std::make_unique<QSqlQuery>(db.database());
    m_query->setForwardOnly(true);
    if (!m_query->prepare(text))
        raiseDatabaseError();
    bindParameters(text);
    if (!m_query->exec())
        raiseDatabaseError();

    TDataPacket packet;
    packet.fields = describeColumns(db.dialect());
    const int width = int(packet.fields.size());
    while (m_query->next()) {
        TRow row;
        row.reserve(width);
        for (int c = 0; c < width; ++c)
            row.append(toFieldType(m_query->value(c), packet.fields[c]));
        packet.rows.push_back(std::move(row));
    }
    if (m_query->lastError().isValid())
        raiseDatabaseError();
    return packet;
}

// Every spelling of a name in the text gets the value: the driver matches placeholders
// by their exact text, and binds each occurrence of a repeated one.
void TADOIBQuery::bindParameters(const QString& text) {
    QStringList bound;
    for (const auto& occurrence : SqlPlaceholders::find(text)) {
        if (bound.contains(occurrence.name))
            continue;
        bound.append(occurrence.name);
        const TADOIBParam* p = findParam(occurrence.name);
        m_query->bindValue(QLatin1Char(':') + occurrence.name, p ? p->boundValue() : QVariant());
    }
}

// The result's columns, described by the persistent fields that match them by name and
// by the driver for the others. PostgreSQL folds unquoted names to lower case; they are
// given back in the upper case the texts use.
TFieldDefs TADOIBQuery::describeColumns(TDialect dialect) const {
    TFieldDefs defs;
    const QSqlRecord record = m_query->record();
    for (int c = 0; c < record.count(); ++c) {
        const QSqlField column = record.field(c);
        if (const TField* f = findField(column.name())) {
            defs.append(f->def());
            continue;
        }
        TFieldDef def;
        def.name = dialect == TDialect::PostgreSQL ? column.name().toUpper() : column.name();
        def.type = fieldTypeOf(column);
        if (def.type == TFieldType::ftString && column.length() > 0)
            def.size = column.length();
        defs.append(def);
    }
    return defs;
}

void TADOIBQuery::raiseDatabaseError() const {
    const QSqlError error = m_query->lastError();
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.text().trimmed();
    // The driver's general text first, then the engine's own, as the engine lists them.
    throw EDBEngineError(text, {error.driverText(), error.databaseText()});
}

void TADOIBQuery::closed() {
    m_query.reset();
}
