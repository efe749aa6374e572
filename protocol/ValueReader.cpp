#include "protocol/ValueReader.h"

namespace protocol {

namespace {

// Makes a value of the scalar the cursor reads.
struct ValueSink {
    RemoteValue* value;

    void null() { *value = RemoteValue(); }
    void integer(qint64 v) { *value = RemoteValue(v); }
    void real(double v) { *value = RemoteValue(v); }
    void text(const CborCursor::TextView& text) { *value = RemoteValue(text.toString()); }
    void date(const QDate& date) { *value = RemoteValue(date); }
    void dateTime(const QDateTime& dateTime) { *value = RemoteValue(dateTime); }
};

} // namespace

ValueReader::ValueReader(CborCursor& cursor)
    : m_cursor(cursor)
    , m_packets(cursor) {}

bool ValueReader::read(RemoteValue* value) {
    if (!m_cursor.checkDepth())
        return false;
    switch (m_cursor.peekMajor()) {
    case CborCursor::Array: {
        CborCursor::Container c;
        if (!m_cursor.beginArray(&c))
            return false;
        const CborCursor::Level level(m_cursor);
        QList<RemoteValue> items;
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
    case CborCursor::Map:
        return m_packets.readPacket(value);
    default: {
        ValueSink sink{value};
        return m_cursor.readScalar(sink);
    }
    }
}

} // namespace protocol
