#include "protocol/FrameReader.h"

namespace protocol {

FrameReader::FrameReader(qsizetype maxFrameSize)
    : m_maxFrameSize(maxFrameSize) {}

void FrameReader::feed(QByteArrayView bytes) {
    if (hasError() || bytes.isEmpty())
        return;
    m_buffer.append(bytes);
}

bool FrameReader::next(QByteArray* payload) {
    if (hasError() || buffered() < Frame::kHeaderSize)
        return false;
    const qsizetype length = Frame::readLength(m_buffer.constData() + m_pos);
    if (length == 0) {
        m_error = QStringLiteral("quadro vazio");
        return false;
    }
    if (length > m_maxFrameSize) {
        m_error = QStringLiteral("quadro de %1 bytes excede o limite de %2 bytes")
                      .arg(length)
                      .arg(m_maxFrameSize);
        return false;
    }
    if (buffered() - Frame::kHeaderSize < length)
        return false;
    if (m_pos == 0 && m_buffer.size() == Frame::kHeaderSize + length) {
        // The buffer is this frame alone, as a large one usually is: handed over, not copied.
        *payload = std::move(m_buffer);
        payload->remove(0, Frame::kHeaderSize);
        m_buffer = QByteArray();
        return true;
    }
    *payload = m_buffer.mid(m_pos + Frame::kHeaderSize, length);
    m_pos += Frame::kHeaderSize + length;
    compact();
    return true;
}

void FrameReader::reset() {
    m_buffer.clear();
    m_pos = 0;
    m_error.clear();
}

// Drops consumed bytes once they are at least half the buffer, so a long stream of small
// frames costs linear time; an emptied buffer is freed, and one a large frame left mostly
// unused is reallocated to what it holds.
void FrameReader::compact() {
    if (m_pos == m_buffer.size()) {
        m_buffer.clear();
        m_pos = 0;
    } else if (m_pos >= m_buffer.size() / 2) {
        m_buffer.remove(0, m_pos);
        m_pos = 0;
    }
    if (m_buffer.capacity() > kKeptCapacity && m_buffer.size() - m_pos < m_buffer.capacity() / 4) {
        m_buffer = QByteArray(m_buffer.constData() + m_pos, m_buffer.size() - m_pos);
        m_pos = 0;
    }
}

} // namespace protocol
