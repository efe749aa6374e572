#include "protocol/Frame.h"

#include <QtEndian>

namespace protocol {

QByteArray Frame::encode(QByteArrayView payload) {
    QByteArray frame = start();
    frame.append(payload);
    seal(frame);
    return frame;
}

QByteArray Frame::encodeValue(const QCborValue& value) {
    QByteArray frame = start();
    frame.append(value.toCbor());
    seal(frame);
    return frame;
}

QByteArray Frame::start() {
    return QByteArray(kHeaderSize, '\0');
}

void Frame::seal(QByteArray& frame) {
    Q_ASSERT(frame.size() >= kHeaderSize);
    const auto length = quint32(frame.size() - kHeaderSize);
    qToBigEndian(length, frame.data());
}

quint32 Frame::readLength(const char* header) {
    return qFromBigEndian<quint32>(header);
}

} // namespace protocol
