#pragma once

#include "protocol/RemoteValue.h"

#include <QCborStreamWriter>
#include <QString>

namespace protocol {

// Streams values and packets as CBOR, row by row, with no intermediate tree.
// Cells are written as their field's type: a QString date from a database column is
// written as a date. A cell that cannot be read as its field's type, or a row of the
// wrong length, is written as nulls so the packet stays well formed, and error() names
// the first such cell; a sender that cares checks it before sending.
class ValueWriter {
public:
    // Tags for the two calendar types: RFC 8943 full-date text and RFC 8949 date-time text.
    static constexpr quint64 kDateTag = 1004;
    static constexpr quint64 kDateTimeTag = 0;

    explicit ValueWriter(QCborStreamWriter& writer);

    void write(const RemoteValue& value);
    void writeDataPacket(const TDataPacket& packet);
    void writeChangePacket(const TChangePacket& packet);

    const QString& error() const { return m_error; }

private:
    void writeFields(const TFieldDefs& fields);
    void writeRow(const TRow& row, const TFieldDefs& fields, qsizetype rowIndex);
    void writeOptionalRow(const std::optional<TRow>& row, const TFieldDefs& fields,
                          qsizetype rowIndex);
    bool writePlainCell(const TCell& cell, TFieldType type);
    bool writeCell(const QVariant& value, TFieldType type);
    void writeText(const QString& text);
    bool writeDate(const QDate& date);
    bool writeDateTime(const QDateTime& dateTime);
    void noteError(const QString& reason);

    QCborStreamWriter& m_writer;
    QString m_error;
};

} // namespace protocol
