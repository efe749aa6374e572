#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QCborValue>

namespace protocol {

// A message on the wire: a 4-byte big-endian length followed by that many bytes of CBOR.
class Frame {
public:
    static constexpr qsizetype kHeaderSize = 4;
    static constexpr qsizetype kDefaultMaxSize = 64 * 1024 * 1024;

    static QByteArray encode(QByteArrayView payload);
    static QByteArray encodeValue(const QCborValue& value);

    // For writers that stream straight into the frame: start() reserves the header,
    // seal() writes the length of what was appended after it.
    static QByteArray start();
    static void seal(QByteArray& frame);

    static quint32 readLength(const char* header);
};

} // namespace protocol
