#pragma once

#include "protocol/Frame.h"

#include <QByteArray>
#include <QString>

namespace protocol {

// Cuts a byte stream into frames. Bytes arrive in any split; a frame is handed out once
// it is complete. A declared length over the limit, or an empty frame, is an error that
// sticks until reset(): the connection is then not trustworthy and should be closed.
// Only bytes that actually arrived are buffered, never the declared size.
class FrameReader {
public:
    explicit FrameReader(qsizetype maxFrameSize = Frame::kDefaultMaxSize);

    void feed(QByteArrayView bytes);
    // Moves the next complete frame's payload into `payload`; false when none is ready
    // or after an error.
    bool next(QByteArray* payload);

    bool hasError() const { return !m_error.isEmpty(); }
    const QString& errorString() const { return m_error; }
    qsizetype maxFrameSize() const { return m_maxFrameSize; }
    qsizetype buffered() const { return m_buffer.size() - m_pos; }
    void reset();

private:
    void compact();

    qsizetype m_maxFrameSize;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    QString m_error;
};

} // namespace protocol
