#pragma once

#include "protocol/Decoded.h"
#include "protocol/RemoteValue.h"

#include <QByteArray>
#include <QByteArrayView>

namespace protocol {

// Standalone CBOR of values and packets (the same bytes they take inside a message).
class PacketCodec {
public:
    static QByteArray encode(const RemoteValue& value, QString* error = nullptr);
    static QByteArray encodeDataPacket(const TDataPacket& packet, QString* error = nullptr);
    static QByteArray encodeChangePacket(const TChangePacket& packet, QString* error = nullptr);

    static Decoded<RemoteValue> decode(QByteArrayView cbor);
    static Decoded<TDataPacket> decodeDataPacket(QByteArrayView cbor);
    static Decoded<TChangePacket> decodeChangePacket(QByteArrayView cbor);
};

} // namespace protocol
