#include "protocol/ValueReader.h"

namespace protocol {

namespace {

constexpr quint64 kMaxReservedItems = 1 << 20;

// Makes a value of the scalar the cursor reads, charging the text it copies.
struct ValueSink {
    RemoteValue* value;
    CborCursor* cursor;

    void null() { *value = RemoteValue(); }
    void integer(qint64 v) { *value = RemoteValue(v); }
    void real(double v) { *value = RemoteValue(v); }
    void text(const CborCursor::TextView& text) {
        if (cursor->charge(quint64(text.utf8.size()) * sizeof(QChar)))
            *value = RemoteValue(text.toString());
    }
    void date(const QDate& date) { *value = RemoteValue(date); }
    void dateTime(const QDateTime& dateTime) {
        if (cursor->charge(PacketReader::kBoxCost))
            *value = RemoteValue(dateTime);
    }
};

} // namespace

ValueReader::ValueReader(CborCursor& cursor, Shape shape)
    : m_cursor(cursor)
    , m_shape(shape)
    , m_packets(cursor, shape == Shape::CallArgument ? PacketReader::Kinds::ChangesOnly
                                                     : PacketReader::Kinds::Both) {}

bool ValueReader::read(RemoteValue* value) {
    if (!m_cursor.checkDepth())
        return false;
    switch (m_cursor.peekMajor()) {
    case CborCursor::Array:
        if (m_shape == Shape::CallArgument)
            return m_cursor.failOverLimit(QStringLiteral("lista como argumento de chamada"));
        return readArray(value);
    case CborCursor::Map:
        return m_packets.readPacket(value);
    default: {
        ValueSink sink{value, &m_cursor};
        return m_cursor.readScalar(sink);
    }
    }
}

bool ValueReader::readArray(RemoteValue* value) {
    CborCursor::Container c;
    if (!m_cursor.beginArray(&c, kSlotCost))
        return false;
    const CborCursor::Level level(m_cursor);
    QList<RemoteValue> items;
    // Reserved, so that the list takes what was charged and no growth on top.
    items.reserve(m_cursor.reserveHint(c, 1, kMaxReservedItems));
    while (m_cursor.hasNext(c)) {
        RemoteValue item;
        if (!read(&item))
            return false;
        items.append(std::move(item));
    }
    if (m_cursor.failed())
        return false;
    *value = RemoteValue(std::move(items));
    return true;
}

} // namespace protocol
