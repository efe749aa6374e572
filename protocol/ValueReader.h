#pragma once

#include "protocol/CborCursor.h"
#include "protocol/PacketReader.h"
#include "protocol/RemoteValue.h"

namespace protocol {

// Reads remote values - arguments, results, the new values of reference arguments - from
// a cursor: scalars, arrays of values, and maps, which are packets. Problems are noted
// on the cursor.
class ValueReader {
public:
    explicit ValueReader(CborCursor& cursor);

    bool read(RemoteValue* value);

private:
    CborCursor& m_cursor;
    PacketReader m_packets;
};

} // namespace protocol
