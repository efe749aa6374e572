#include "platform/TField.h"

#include "core/Exception.h"
#include "platform/DisplayFormat.h"
#include "platform/TDataSet.h"

namespace {

const QString kDateFormat = QStringLiteral("dd/MM/yyyy");
const QString kDateTimeFormat = QStringLiteral("dd/MM/yyyy hh:mm:ss");

bool isTextType(TFieldType type) {
    return type == TFieldType::ftString || type == TFieldType::ftFixedChar;
}

QString trimRight(QString text) {
    qsizetype n = text.size();
    while (n > 0 && text.at(n - 1) == u' ')
        --n;
    text.truncate(n);
    return text;
}

QDateTime toDateTime(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::QDate:
        return v.toDate().startOfDay();
    case QMetaType::QDateTime:
        return v.toDateTime();
    default:
        return {};
    }
}

QString dateText(const QDateTime& dt) {
    if (!dt.isValid())
        return QString();
    if (dt.time() == QTime(0, 0))
        return dt.toString(kDateFormat);
    return dt.toString(kDateTimeFormat);
}

// Accepts the Brazilian forms first ("1.234,5", "1234,5"), then the C form ("1234.5").
bool parseFloat(const QString& text, double* out) {
    bool ok = false;
    const QString t = text.trimmed();
    *out = DisplayFormat::locale().toDouble(t, &ok);
    if (!ok)
        *out = QLocale::c().toDouble(t, &ok);
    return ok;
}

QDateTime parseDateTime(const QString& text) {
    const QString t = text.trimmed();
    for (const QString& format :
         {kDateTimeFormat, QStringLiteral("dd/MM/yyyy hh:mm"), kDateFormat}) {
        const QDateTime dt = QDateTime::fromString(t, format);
        if (dt.isValid())
            return dt;
    }
    const QDateTime iso = QDateTime::fromString(t, Qt::ISODate);
    if (iso.isValid())
        return iso;
    const QDate isoDate = QDate::fromString(t, Qt::ISODate);
    return isoDate.isValid() ? isoDate.startOfDay() : QDateTime();
}

[[noreturn]] void conversionError(const QVariant& value, const QString& what) {
    throw Exception(QStringLiteral("'%1' não é %2.").arg(value.toString(), what));
}

} // namespace

TField::TField(TDataSet& dataSet, const TFieldDef& def, bool persistent)
    : m_dataSet(dataSet)
    , m_def(def)
    , m_persistent(persistent) {}

int TField::index() const {
    const auto& list = m_dataSet.fields();
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i] == this)
            return int(i);
    }
    return -1;
}

QString TField::displayLabel() const {
    return m_def.displayLabel.isEmpty() ? m_def.name : m_def.displayLabel;
}

// The declaration wins; the packet only fills what the declaration left open.
void TField::mergeDefinition(const TFieldDef& packetDef) {
    if (m_def.size == 0)
        m_def.size = packetDef.size;
    if (m_def.displayLabel.isEmpty())
        m_def.displayLabel = packetDef.displayLabel;
}

QVariant TField::value() const {
    return m_dataSet.cellValue(m_dataSet.activeRow(), *this);
}

bool TField::isNull() const {
    return !value().isValid() || value().isNull();
}

QString TField::asString() const {
    const QVariant v = value();
    if (!v.isValid() || v.isNull())
        return QString();
    switch (m_def.type) {
    case TFieldType::ftString:
        return v.toString();
    case TFieldType::ftFixedChar:
        return trimRight(v.toString());
    case TFieldType::ftInteger:
        return QString::number(asInteger());
    case TFieldType::ftFloat: {
        QLocale loc = DisplayFormat::locale();
        loc.setNumberOptions(QLocale::OmitGroupSeparator);
        return loc.toString(asFloat(), 'g', QLocale::FloatingPointShortest);
    }
    case TFieldType::ftDate:
    case TFieldType::ftDateTime:
        return dateText(asDateTime());
    }
    return v.toString();
}

qint64 TField::asInteger() const {
    const QVariant v = value();
    if (!v.isValid() || v.isNull())
        return 0;
    if (v.typeId() == QMetaType::Double)
        return qRound64(v.toDouble());
    bool ok = false;
    const qint64 n = v.typeId() == QMetaType::QString ? v.toString().trimmed().toLongLong(&ok)
                                                      : v.toLongLong(&ok);
    if (!ok)
        conversionError(v, QStringLiteral("um valor inteiro válido"));
    return n;
}

double TField::asFloat() const {
    const QVariant v = value();
    if (!v.isValid() || v.isNull())
        return 0.0;
    double d = 0.0;
    bool ok = false;
    if (v.typeId() == QMetaType::QString)
        ok = parseFloat(v.toString(), &d);
    else
        d = v.toDouble(&ok);
    if (!ok)
        conversionError(v, QStringLiteral("um valor numérico válido"));
    return d;
}

QDateTime TField::asDateTime() const {
    const QVariant v = value();
    if (!v.isValid() || v.isNull())
        return {};
    if (v.typeId() == QMetaType::QString) {
        const QDateTime dt = parseDateTime(v.toString());
        if (!dt.isValid() && !v.toString().trimmed().isEmpty())
            conversionError(v, QStringLiteral("uma data válida"));
        return dt;
    }
    const QDateTime dt = toDateTime(v);
    if (!dt.isValid())
        conversionError(v, QStringLiteral("uma data válida"));
    return dt;
}

QString TField::displayText() const {
    if (OnGetText) {
        QString text;
        OnGetText(const_cast<TField&>(*this), text, true);
        return text;
    }
    if (!m_def.displayFormat.isEmpty() && !isNull() &&
        (m_def.type == TFieldType::ftFloat || m_def.type == TFieldType::ftInteger))
        return DisplayFormat::formatFloat(m_def.displayFormat, asFloat());
    return asString();
}

QString TField::text() const {
    if (OnGetText) {
        QString text;
        OnGetText(const_cast<TField&>(*this), text, false);
        return text;
    }
    return asString();
}

QVariant TField::convert(const QVariant& value) const {
    if (!value.isValid() || value.isNull())
        return QVariant();
    const bool isText = value.typeId() == QMetaType::QString;
    if (isText && !isTextType(m_def.type) && value.toString().trimmed().isEmpty())
        return QVariant();
    switch (m_def.type) {
    case TFieldType::ftString:
    case TFieldType::ftFixedChar:
        if (value.typeId() == QMetaType::QDate || value.typeId() == QMetaType::QDateTime)
            return dateText(toDateTime(value));
        return value.toString();
    case TFieldType::ftInteger: {
        bool ok = false;
        const qint64 n =
            isText ? value.toString().trimmed().toLongLong(&ok) : value.toLongLong(&ok);
        if (!ok || value.typeId() == QMetaType::QDate || value.typeId() == QMetaType::QDateTime)
            conversionError(value, QStringLiteral("um valor inteiro válido"));
        return QVariant(n);
    }
    case TFieldType::ftFloat: {
        double d = 0.0;
        bool ok = false;
        if (isText)
            ok = parseFloat(value.toString(), &d);
        else if (value.typeId() != QMetaType::QDate && value.typeId() != QMetaType::QDateTime)
            d = value.toDouble(&ok);
        if (!ok)
            conversionError(value, QStringLiteral("um valor numérico válido"));
        return QVariant(d);
    }
    case TFieldType::ftDate:
    case TFieldType::ftDateTime: {
        const QDateTime dt = isText ? parseDateTime(value.toString()) : toDateTime(value);
        if (!dt.isValid())
            conversionError(value, QStringLiteral("uma data válida"));
        if (m_def.type == TFieldType::ftDate)
            return QVariant(dt.date());
        return QVariant(dt);
    }
    }
    return value;
}

void TField::setValue(const QVariant& value) {
    m_dataSet.setCellValue(*this, convert(value));
}

void TField::setAsString(const QString& text) {
    setValue(QVariant(text));
}
