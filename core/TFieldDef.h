#pragma once

#include "core/TFieldType.h"

#include <QList>
#include <QString>

// Describes one field of a dataset or a data packet. Size counts characters for the
// text types and is 0 for the others.
struct TFieldDef {
    QString name;
    TFieldType type = TFieldType::ftString;
    int size = 0;
    QString displayLabel;
    bool visible = true;
    bool required = false;
    int displayWidth = 0;
    QString displayFormat;
};

using TFieldDefs = QList<TFieldDef>;
