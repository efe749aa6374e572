#pragma once

#include "protocol/CborCursor.h"
#include "protocol/PacketReader.h"
#include "protocol/RemoteValue.h"

namespace protocol {

// Reads remote values - arguments, results, the new values of reference arguments - from
// a cursor: scalars, arrays of values, and maps, which are packets. Problems are noted
// on the cursor, and so is the memory each value takes, before it is allocated.
class ValueReader {
public:
    // A reply may carry anything; a call's argument is a scalar or a change packet (the
    // carrier choice), so a list or a data packet there is refused before it is read.
    enum class Shape { AnyValue, CallArgument };

    explicit ValueReader(CborCursor& cursor, Shape shape = Shape::AnyValue);

    bool read(RemoteValue* value);

    // What a value costs before anything it holds: an array slot, a member of the arguments.
    static constexpr quint64 kSlotCost = sizeof(RemoteValue);

private:
    bool readArray(RemoteValue* value);

    CborCursor& m_cursor;
    Shape m_shape;
    PacketReader m_packets;
};

} // namespace protocol
