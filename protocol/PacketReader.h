#pragma once

#include "protocol/CborCursor.h"
#include "protocol/RemoteValue.h"

#include <optional>
#include <vector>

namespace protocol {

// Reads data and change packets from a cursor, rows straight into cells: no tree of
// values is built. Cells are checked against their fields as they come when the fields
// came first (the usual order), or once the packet's map ends otherwise. Problems are
// noted on the cursor, with the row and column where they lie. Rows, cells beyond a row's
// own and boxed values are charged to the cursor before they are made.
class PacketReader {
public:
    // What a cell holds, as far as its field's type is concerned.
    enum class CellKind : quint8;
    // Which packets may come: a call carries change packets only.
    enum class Kinds { Both, ChangesOnly };

    // A value kept outside its cell or slot: the shared box and its variant's payload.
    static constexpr quint64 kBoxCost = 64;

    explicit PacketReader(CborCursor& cursor, Kinds kinds = Kinds::Both);

    bool readDataPacket(TDataPacket* packet);
    bool readChangePacket(TChangePacket* packet);
    // Either kind, as its members say: a map inside a value.
    bool readPacket(RemoteValue* value);

private:
    struct Parts;

    bool readParts(Parts* parts);
    bool readFields(TFieldDefs* fields);
    bool readField(TFieldDef* field);
    bool readRows(std::vector<TRow>* rows, const TFieldDefs* fields);
    bool readRow(TRow* row, const TFieldDefs* fields, qsizetype rowIndex);
    bool readCell(TRow* row, const TFieldDef* field, qsizetype rowIndex);
    bool readChanges(QList<TChangePacket::Change>* changes, const TFieldDefs* fields);
    bool readChange(TChangePacket::Change* change, const TFieldDefs* fields, qsizetype index);
    bool readOptionalRow(std::optional<TRow>* row, const TFieldDefs* fields, qsizetype index);
    bool chargeCells(quint64 count);
    bool checkRow(TRow& row, const TFieldDefs& fields, qsizetype rowIndex);
    Q_DECL_COLD_FUNCTION bool failCount(qsizetype rowIndex, quint64 count, qsizetype expected);
    Q_DECL_COLD_FUNCTION bool failAt(qsizetype rowIndex, qsizetype column);
    Q_DECL_COLD_FUNCTION bool failType(qsizetype rowIndex, const TFieldDef& field, CellKind came);

    CborCursor& m_cursor;
    Kinds m_kinds;
};

} // namespace protocol
