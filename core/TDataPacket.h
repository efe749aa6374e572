#pragma once

#include "core/TFieldDef.h"
#include "core/TRow.h"

#include <QList>
#include <QVariant>
#include <vector>

// What a server method returns for a dataset: field definitions and rows. A client
// dataset takes it whole (TClientDataSet::setData), so rows are moved, not copied.
struct TDataPacket {
    TFieldDefs fields;
    std::vector<TRow> rows;

    int fieldIndex(const QString& name) const;
};
