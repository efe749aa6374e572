#pragma once

#include "protocol/RemoteValue.h"

#include <QByteArrayView>
#include <QString>

#include <memory>
#include <vector>

namespace protocol {

// Reads values and packets from untrusted CBOR bytes, straight into rows: no tree of
// values is built. A small pull parser over the bytes does the work, because a packet of
// 100,000 rows has to load in a few tens of milliseconds. Every read returns false on
// the first problem and error() then says what and where, for the log. Lengths are
// checked against the bytes that are there before anything is reserved, nesting is
// bounded, integers that do not fit 64 bits and invalid UTF-8 are refused.
class ValueReader {
public:
    static constexpr int kMaxDepth = 16;

    // An array or map being read: its items are counted down, or run to a break.
    struct Container {
        quint64 remaining = 0;
        bool indefinite = false;
    };

    explicit ValueReader(QByteArrayView bytes);
    ~ValueReader();

    bool readValue(RemoteValue* value);
    bool readDataPacket(TDataPacket* packet);
    bool readChangePacket(TChangePacket* packet);
    bool readText(QString* text);
    bool readInteger(qint64* value);
    bool skipValue();

    bool beginArray(Container* c);
    bool beginMap(Container* c);
    // True while `c` has another item (or, for a map, another key); false at its end or
    // on an error (then error() is set).
    bool hasNext(Container& c);

    bool isNull() const { return peekByte() == 0xf6; }
    bool isText() const { return peekMajor() == 3; }
    bool atEnd() const { return m_p == m_end; }
    // True when the whole input was consumed; otherwise notes trailing bytes.
    bool expectEnd();

    bool fail(const QString& reason);
    const QString& error() const { return m_error; }

private:
    struct PacketParts;
    struct Head {
        quint8 major = 0;
        quint8 info = 0;
        quint64 arg = 0;
        bool indefinite = false;
    };

    int peekByte() const { return m_p < m_end ? *m_p : -1; }
    int peekMajor() const { return m_p < m_end ? *m_p >> 5 : -1; }
    bool readHead(Head* head);
    bool readTextBytes(const Head& head, QByteArrayView* bytes);
    bool textFromHead(const Head& head, QString* text);
    bool readKey(QByteArrayView* key);
    bool readScalar(QVariant* value);
    bool readTagged(quint64 tag, QVariant* value);
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
    bool skipAt(int depth);
    qsizetype remaining() const { return m_end - m_p; }

    bool readPlainCell(TRow* row, TFieldType type);
    bool readCell(TRow* row, const TFieldDefs* fields, qsizetype rowIndex);

    const uchar* m_p;
    const uchar* m_end;
    QByteArray m_scratch; // chunks of an indefinite-length text, joined
    QString m_error;
};

} // namespace protocol
