#include "protocol/PacketCodec.h"

#include "protocol/CborCursor.h"
#include "protocol/PacketReader.h"
#include "protocol/ValueReader.h"
#include "protocol/ValueWriter.h"

namespace protocol {

namespace {

template <typename Write>
QByteArray encodeWith(QString* error, Write write) {
    QByteArray bytes;
    QCborStreamWriter stream(&bytes);
    ValueWriter writer(stream);
    write(writer);
    if (error)
        *error = writer.error();
    return bytes;
}

template <typename T, typename Read>
Decoded<T> decodeWith(QByteArrayView cbor, Read read) {
    CborCursor cursor(cbor);
    T value;
    if (!read(cursor, &value) || !cursor.expectEnd())
        return Decoded<T>::failure(cursor.error());
    return Decoded<T>::success(std::move(value));
}

} // namespace

QByteArray PacketCodec::encode(const RemoteValue& value, QString* error) {
    return encodeWith(error, [&](ValueWriter& w) { w.write(value); });
}

QByteArray PacketCodec::encodeDataPacket(const TDataPacket& packet, QString* error) {
    return encodeWith(error, [&](ValueWriter& w) { w.writeDataPacket(packet); });
}

QByteArray PacketCodec::encodeChangePacket(const TChangePacket& packet, QString* error) {
    return encodeWith(error, [&](ValueWriter& w) { w.writeChangePacket(packet); });
}

Decoded<RemoteValue> PacketCodec::decode(QByteArrayView cbor) {
    return decodeWith<RemoteValue>(
        cbor, [](CborCursor& c, RemoteValue* v) { return ValueReader(c).read(v); });
}

Decoded<TDataPacket> PacketCodec::decodeDataPacket(QByteArrayView cbor) {
    return decodeWith<TDataPacket>(
        cbor, [](CborCursor& c, TDataPacket* p) { return PacketReader(c).readDataPacket(p); });
}

Decoded<TChangePacket> PacketCodec::decodeChangePacket(QByteArrayView cbor) {
    return decodeWith<TChangePacket>(
        cbor, [](CborCursor& c, TChangePacket* p) { return PacketReader(c).readChangePacket(p); });
}

} // namespace protocol
