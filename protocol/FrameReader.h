#pragma once

#include "protocol/Frame.h"

#include <QByteArray>
#include <QString>

namespace protocol {

// Cuts a byte stream into frames. Bytes arrive in any split; a frame is handed out once
// it is complete. A declared length over the limit, or an empty frame, is an error that
// sticks until reset(): the connection is then not trustworthy and should be closed.
// Only bytes that actually arrived are buffered, never the declared size, and the room a
// large frame took is given back once it is handed out.
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
    // Applies from the next frame on (a hello is read with a smaller limit than calls).
    void setMaxFrameSize(qsizetype bytes) { m_maxFrameSize = bytes; }
    // Bytes held for frames not handed out yet, used or not.
    qsizetype capacity() const { return m_buffer.capacity(); }
    qsizetype buffered() const { return m_buffer.size() - m_pos; }
    void reset();

    // Room kept for what is still buffered, beyond which a mostly empty buffer shrinks.
    static constexpr qsizetype kKeptCapacity = 4 * 1024 * 1024;

private:
    void compact();

    qsizetype m_maxFrameSize;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    QString m_error;
};

} // namespace protocol
