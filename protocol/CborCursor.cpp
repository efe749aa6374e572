#include "protocol/CborCursor.h"

#include "protocol/ValueWriter.h"

#include <QStringDecoder>

namespace protocol {

namespace {

// Strict "YYYY-MM-DD": no other ISO forms, so both ends agree byte for byte.
QDate parseDate(QByteArrayView s) {
    if (s.size() != 10 || s[4] != '-' || s[7] != '-')
        return {};
    int parts[3] = {0, 0, 0};
    const int starts[3] = {0, 5, 8};
    const int lengths[3] = {4, 2, 2};
    for (int p = 0; p < 3; ++p) {
        for (int i = 0; i < lengths[p]; ++i) {
            const char c = s[starts[p] + i];
            if (c < '0' || c > '9')
                return {};
            parts[p] = parts[p] * 10 + (c - '0');
        }
    }
    return QDate(parts[0], parts[1], parts[2]);
}

} // namespace

CborCursor::CborCursor(QByteArrayView bytes)
    : CborCursor(bytes, Limits()) {}

CborCursor::CborCursor(QByteArrayView bytes, const Limits& limits)
    : m_begin(reinterpret_cast<const uchar*>(bytes.data()))
    , m_p(m_begin)
    , m_end(m_begin + bytes.size())
    , m_limits(limits) {}

bool CborCursor::fail(const QString& reason) {
    if (!m_failed) {
        m_failed = true;
        m_error = reason;
        m_errorOffset = m_p - m_begin;
    }
    return false;
}

bool CborCursor::failOverLimit(const QString& reason) {
    if (!m_failed)
        m_overLimit = true;
    return fail(reason);
}

void CborCursor::prefixError(const QString& where) {
    m_error.prepend(where);
}

bool CborCursor::refuse(Problem problem) {
    switch (problem) {
    case Problem::Truncated:
        return fail(QStringLiteral("dados truncados"));
    case Problem::BadChunk:
        return fail(QStringLiteral("pedaço de texto inválido"));
    case Problem::BadUtf8:
        return fail(QStringLiteral("texto com UTF-8 inválido"));
    case Problem::OutOfRange:
        return fail(QStringLiteral("inteiro fora do intervalo"));
    case Problem::NotFinite:
        return fail(QStringLiteral("número não finito"));
    case Problem::UnexpectedBreak:
        return fail(QStringLiteral("fim de lista inesperado"));
    case Problem::UnsupportedSimple:
        return fail(QStringLiteral("valor lógico ou simples não suportado"));
    case Problem::UnsupportedType:
        return fail(QStringLiteral("tipo CBOR não suportado aqui"));
    case Problem::TooDeep:
        return fail(QStringLiteral("aninhamento profundo demais"));
    }
    return fail(QStringLiteral("CBOR inválido"));
}

bool CborCursor::refuseClaim(quint64 count, Claim claim) {
    switch (claim) {
    case Claim::TextBytes:
        return fail(QStringLiteral("dados truncados: texto de %1 bytes").arg(count));
    case Claim::ArrayItems:
        return fail(QStringLiteral("lista de %1 itens em %2 bytes").arg(count).arg(remaining()));
    case Claim::MapPairs:
        return fail(QStringLiteral("mapa de %1 pares em %2 bytes").arg(count).arg(remaining()));
    case Claim::ChunkBytes:
    case Claim::SkippedItems:
        break;
    }
    return refuse(Problem::Truncated);
}

bool CborCursor::refuseExcess(Excess excess, quint64 amount) {
    switch (excess) {
    case Excess::Budget:
        return failOverLimit(QStringLiteral("mensagem custaria mais de %1 bytes para decodificar")
                                 .arg(m_limits.budget));
    case Excess::Items:
        return failOverLimit(QStringLiteral("lista ou mapa de %1 itens excede o limite de %2")
                                 .arg(amount)
                                 .arg(m_limits.maxItems));
    case Excess::TextBytes:
        return failOverLimit(QStringLiteral("texto de %1 bytes excede o limite de %2")
                                 .arg(amount)
                                 .arg(m_limits.maxTextBytes));
    }
    return failOverLimit(QStringLiteral("limite excedido"));
}

bool CborCursor::refuseExpected(Major expected) {
    if (m_p >= m_end)
        return refuse(Problem::Truncated);
    switch (expected) {
    case Unsigned:
    case Negative:
        return fail(QStringLiteral("esperado inteiro"));
    case Text:
        return fail(QStringLiteral("esperado texto"));
    case Array:
        return fail(QStringLiteral("esperado lista"));
    case Map:
        return fail(QStringLiteral("esperado mapa"));
    default:
        return refuse(Problem::UnsupportedType);
    }
}

bool CborCursor::expectEnd() {
    if (m_failed)
        return false;
    if (m_p != m_end)
        return fail(QStringLiteral("%1 bytes sobrando após a mensagem").arg(remaining()));
    return true;
}

bool CborCursor::checkDepth() {
    return m_depth <= kMaxDepth || refuse(Problem::TooDeep);
}

// Arguments of 28 to 30 are reserved; 31 opens an indefinite length where one is allowed.
bool CborCursor::readLongHead(uchar initial, Head* head) {
    if (head->info == 31 && head->major != Unsigned && head->major != Negative &&
        head->major != Tag) {
        head->indefinite = true;
        head->arg = 0;
        return true;
    }
    return fail(
        QStringLiteral("CBOR inválido: byte inicial 0x%1").arg(initial, 2, 16, QLatin1Char('0')));
}

bool CborCursor::readChunkedText(const Head& head, QByteArrayView* bytes) {
    m_scratch.clear();
    for (;;) {
        if (m_p >= m_end)
            return refuse(Problem::Truncated);
        if (*m_p == 0xff) {
            ++m_p;
            break;
        }
        Head chunk;
        if (!readHead(&chunk))
            return false;
        if (chunk.major != head.major || chunk.indefinite)
            return refuse(Problem::BadChunk);
        if (!admit(chunk.arg, 1, Claim::ChunkBytes, 1))
            return false;
        if (quint64(m_scratch.size()) + chunk.arg > m_limits.maxTextBytes)
            return refuseExcess(Excess::TextBytes, quint64(m_scratch.size()) + chunk.arg);
        m_scratch.append(reinterpret_cast<const char*>(m_p), qsizetype(chunk.arg));
        m_p += chunk.arg;
    }
    *bytes = m_scratch;
    return true;
}

bool CborCursor::decodeUtf8(TextView* text) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                     QStringDecoder::Flag::ConvertInitialBom);
    m_decoded = decoder.decode(text->utf8);
    text->decoded = &m_decoded;
    return !decoder.hasError() || refuse(Problem::BadUtf8);
}

bool CborCursor::readInteger(qint64* value) {
    const int major = peekMajor();
    if (major != Unsigned && major != Negative)
        return refuseExpected(Unsigned);
    Head head;
    return readHead(&head) && integerFromHead(head, value);
}

bool CborCursor::readText(QString* text) {
    if (peekMajor() != Text)
        return refuseExpected(Text);
    Head head;
    TextView view;
    if (!readHead(&head) || !textFromHead(head, &view) ||
        !charge(quint64(view.utf8.size()) * sizeof(QChar)))
        return false;
    *text = view.toString();
    return true;
}

bool CborCursor::readKey(QByteArrayView* key) {
    if (peekMajor() != Text)
        return fail(QStringLiteral("chave não é texto"));
    Head head;
    return readHead(&head) && readTextBytes(head, key);
}

bool CborCursor::readTagged(quint64 tag, QDate* date, QDateTime* dateTime) {
    if (tag != ValueWriter::kDateTag && tag != ValueWriter::kDateTimeTag)
        return fail(QStringLiteral("marca CBOR %1 não suportada").arg(tag));
    if (peekMajor() != Text)
        return fail(QStringLiteral("data sem texto"));
    Head head;
    QByteArrayView bytes;
    if (!readHead(&head) || !readTextBytes(head, &bytes))
        return false;
    if (tag == ValueWriter::kDateTag) {
        *date = parseDate(bytes);
        if (!date->isValid())
            return fail(
                QStringLiteral("data inválida: %1")
                    .arg(QString::fromUtf8(bytes.first(qMin<qsizetype>(bytes.size(), 40)))));
        return true;
    }
    const QString text = QString::fromUtf8(bytes);
    const QDateTime parsed = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!parsed.isValid())
        return fail(QStringLiteral("data e hora inválida: %1").arg(text.left(40)));
    *dateTime = parsed.toLocalTime();
    return true;
}

bool CborCursor::skipValue() {
    if (!checkDepth())
        return false;
    Head head;
    if (!readHead(&head))
        return false;
    switch (head.major) {
    case Bytes:
    case Text: {
        QByteArrayView ignored;
        return readTextBytes(head, &ignored);
    }
    case Array:
    case Map: {
        if (!head.indefinite && !admit(head.arg, 1, Claim::SkippedItems))
            return false;
        Container c{head.major == Map ? head.arg * 2 : head.arg, head.indefinite};
        const Level level(*this);
        while (hasNext(c)) {
            if (!skipValue())
                return false;
        }
        return !m_failed;
    }
    case Tag: {
        const Level level(*this);
        return skipValue();
    }
    case Simple:
        if (head.indefinite)
            return refuse(Problem::UnexpectedBreak);
        return true;
    default:
        return true;
    }
}

} // namespace protocol
