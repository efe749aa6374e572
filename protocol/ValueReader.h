#pragma once

#include "protocol/RemoteValue.h"

#include <QCborStreamReader>
#include <QString>

namespace protocol {

// Reads values and packets from untrusted CBOR with QCborStreamReader, straight into
// rows: no QCborValue tree is built. Every read returns false on the first problem and
// error() then says what and where, for the log. Nesting is bounded, declared lengths
// are never trusted for allocation, and integers that do not fit 64 bits are refused.
class ValueReader {
public:
    static constexpr int kMaxDepth = 16;

    // `inputSize` is the size of the bytes behind `reader`; it bounds reservations.
    ValueReader(QCborStreamReader& reader, qsizetype inputSize);

    bool readValue(RemoteValue* value);
    bool readDataPacket(TDataPacket* packet);
    bool readChangePacket(TChangePacket* packet);
    bool readText(QString* text);
    bool readInteger(qint64* value);
    bool skipValue();
    // True when the whole input was consumed; otherwise notes trailing bytes.
    bool expectEnd();

    bool fail(const QString& reason);
    const QString& error() const { return m_error; }

private:
    struct PacketParts;

    bool readValueAt(RemoteValue* value, int depth);
    bool readPacketMap(PacketParts* parts);
    bool readFields(TFieldDefs* fields);
    bool readField(TFieldDef* field);
    bool readRows(std::vector<TRow>* rows, const TFieldDefs* fields);
    bool readRow(TRow* row, const TFieldDefs* fields, qsizetype rowIndex);
    bool readChanges(QList<TChangePacket::Change>* changes, const TFieldDefs* fields);
    bool readChange(TChangePacket::Change* change, const TFieldDefs* fields, qsizetype index);
    bool readOptionalRow(std::optional<TRow>* row, const TFieldDefs* fields, qsizetype index);
    bool checkRow(TRow& row, const TFieldDefs& fields, qsizetype rowIndex);
    bool readScalar(QVariant* value);
    bool readTagged(QVariant* value);
    bool readDouble(double* value);
    bool skipAt(int depth);
    bool enter(const char* what, QCborStreamReader::Type type);
    bool leave();
    bool readerFailed();
    qsizetype remaining() const;

    QCborStreamReader& m_reader;
    qsizetype m_inputSize;
    QString m_error;
};

} // namespace protocol
