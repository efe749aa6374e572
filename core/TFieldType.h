#pragma once

#include <QString>

// Field types a dataset can hold. Values travel as QVariant: QString for the text
// types, qint64 for integers, double for floats, QDate and QDateTime for dates; an
// invalid QVariant is null.
enum class TFieldType { ftString, ftFixedChar, ftInteger, ftFloat, ftDate, ftDateTime };

// The names the wire format and the schema use ("string", "fixedstring", ...).
QString fieldTypeName(TFieldType type);
// Returns false when `name` is not one of the names above.
bool fieldTypeFromName(const QString& name, TFieldType* type);
