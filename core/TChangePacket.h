#pragma once

#include "core/TDataPacket.h"

#include <optional>

// The pending edits of a client dataset, as sent back to the server: every inserted,
// modified and deleted row with its old and new values.
struct TChangePacket {
    enum class Kind { Insert, Update, Delete };
    struct Change {
        Kind kind = Kind::Update;
        std::optional<TRow> oldValues; // absent for an insert
        std::optional<TRow> newValues; // absent for a delete
    };

    TFieldDefs fields;
    QList<Change> changes;

    bool isEmpty() const { return changes.isEmpty(); }
};
