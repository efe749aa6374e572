#pragma once

#include "core/TDataPacket.h"

#include <QDate>

// Packet builders shared by the dataset and grid tests.
inline TFieldDef fieldDef(const QString& name, TFieldType type, int size = 0,
                          const QString& label = {}) {
    TFieldDef def;
    def.name = name;
    def.type = type;
    def.size = size;
    def.displayLabel = label;
    return def;
}

// Flight legs: NRVOO, SGBASEORI, IDTIPVOO, QTDE_SERVICO.
inline TDataPacket flightPacket() {
    TDataPacket p;
    p.fields = {fieldDef("NRVOO", TFieldType::ftString, 5, "Vôo"),
                fieldDef("SGBASEORI", TFieldType::ftString, 5),
                fieldDef("IDTIPVOO", TFieldType::ftString, 1),
                fieldDef("QTDE_SERVICO", TFieldType::ftFloat)};
    p.rows.push_back({QString("1000"), QString("GRU"), QString("1"), 2.0});
    p.rows.push_back({QString("1000"), QString("REC"), QString("2"), 0.0});
    p.rows.push_back({QString("200"), QString("gig"), QString("1"), 5.5});
    return p;
}
