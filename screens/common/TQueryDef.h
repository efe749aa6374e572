#pragma once

#include "core/TFieldDef.h"

#include <QList>
#include <QString>
#include <QStringList>

// A screen's SQL lookup as data: its name, its parameters in order, its text in each dialect
// (an empty dialect text falls back to the default one) and its persistent fields. Each screen
// lists its lookups once; the form builds them from the list and the SQL tests read it.
struct TQueryDef {
    QString name;
    QStringList params;
    QStringList SQL;
    QStringList SQL_IB;
    QStringList SQL_ORACLE;
    TFieldDefs fields;
};

using TQueryDefs = QList<TQueryDef>;
