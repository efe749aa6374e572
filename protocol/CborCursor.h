#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace protocol {

// A pull parser over untrusted CBOR bytes, item by item, with no tree of values: a packet
// of 100,000 rows has to load in a few tens of milliseconds, so the reads that every cell
// takes are inline. Every read returns false on the first problem; error() then says what
// and errorOffset() where. Declared lengths are checked against the bytes that are there
// before anything is read or reserved for them, recursion is bounded, integers that do not
// fit 64 bits and invalid UTF-8 are refused. Limits cap what decoding may allocate: the
// readers say what each item will cost before they make room for it, and the first claim
// beyond the budget, or beyond a count or size the message may have, is refused.
class CborCursor {
public:
    static constexpr int kMaxDepth = 16;
    static constexpr quint64 kUnlimited = std::numeric_limits<quint64>::max();

    // What one message may cost to decode: bytes allocated for it in all (array slots,
    // cells, rows, texts), the items of any one array or map, the bytes of any one text.
    struct Limits {
        quint64 budget = kUnlimited;
        quint64 maxItems = kUnlimited;
        quint64 maxTextBytes = kUnlimited;
    };

    enum Major : quint8 { Unsigned, Negative, Bytes, Text, Array, Map, Tag, Simple };

    // An array or map being read: its items are counted down, or run to a break.
    struct Container {
        quint64 remaining = 0; // of an indefinite one: the items seen so far
        bool indefinite = false;
        quint64 itemCost = 0; // charged per item as an indefinite container goes on
    };

    // A text as it lies in the input: ASCII, which most codes are, is handed out as its
    // bytes with nothing decoded; any other text comes decoded too, which validated it.
    // Valid until the next read.
    struct TextView {
        QByteArrayView utf8;
        const QString* decoded = nullptr; // null for ASCII

        bool isAscii() const { return decoded == nullptr; }
        QString toString() const { return decoded ? *decoded : QString::fromLatin1(utf8); }
    };

    // One level of recursion into containers (nested values, skipped items), held while
    // their items are read: an item under more than kMaxDepth of them is refused, so
    // hostile input cannot exhaust the stack.
    class Level {
    public:
        explicit Level(CborCursor& cursor)
            : m_cursor(cursor) {
            ++m_cursor.m_depth;
        }
        ~Level() { --m_cursor.m_depth; }
        Level(const Level&) = delete;
        Level& operator=(const Level&) = delete;

    private:
        CborCursor& m_cursor;
    };

    // The bytes are not copied: they must outlive the cursor.
    explicit CborCursor(QByteArrayView bytes);
    CborCursor(QByteArrayView bytes, const Limits& limits);
    explicit CborCursor(QByteArray&&) = delete;
    CborCursor(QByteArray&&, const Limits&) = delete;

    bool readInteger(qint64* value);
    bool readText(QString* text);
    // A map key's bytes, not decoded: keys are compared with ASCII names.
    bool readKey(QByteArrayView* key);
    // Any scalar the protocol carries - null, integer, number, text, date (tag 1004),
    // date-time (tag 0) - handed to `sink` as null(), integer(qint64), real(double),
    // text(const TextView&), date(QDate) or dateTime(QDateTime). Values and row cells
    // both come through here, so each kind has one decoder. A sink charges what it
    // allocates beyond its slot; a charge refused fails the read.
    template <typename Sink>
    bool readScalar(Sink& sink);
    bool skipValue();
    // Fails at the current depth when it is already beyond kMaxDepth.
    bool checkDepth();

    // `itemCost`: the bytes the caller will allocate for each item (or pair), charged for
    // the declared count before anything is reserved.
    bool beginArray(Container* c, quint64 itemCost = 0) {
        return beginContainer(Array, c, itemCost);
    }
    bool beginMap(Container* c, quint64 pairCost = 0) { return beginContainer(Map, c, pairCost); }
    // Counts `bytes` the caller is about to allocate against the budget; false (and the
    // cursor failed) when they do not fit.
    bool charge(quint64 bytes);
    // What was charged so far.
    quint64 spent() const { return m_spent; }
    // True when the problem noted is a limit of the message, not malformed input.
    bool overLimit() const { return m_overLimit; }
    // True while `c` has another item (or, for a map, another key); false at its end or
    // on an error (then failed() is true).
    bool hasNext(Container& c);
    // How many items of `c` to make room for before reading them: the count it declares
    // is only a claim, so no more than the bytes left could hold at `minItemBytes` each,
    // nor than `cap`. Room for items is made through here only.
    qsizetype reserveHint(const Container& c, qsizetype minItemBytes, quint64 cap) const;

    int peekMajor() const { return m_p < m_end ? *m_p >> 5 : -1; }
    bool isNull() const { return m_p < m_end && *m_p == 0xf6; }
    bool isText() const { return peekMajor() == Text; }
    // Consumes a null if one is next.
    bool takeNull();
    // True when the whole input was consumed; otherwise notes trailing bytes.
    bool expectEnd();

    // Notes `reason` unless a problem was already noted (the first one is what went
    // wrong), and returns false.
    bool fail(const QString& reason);
    // The same for well-formed input that the message may not hold (overLimit()).
    bool failOverLimit(const QString& reason);
    // Puts where the reader was (a row and column, say) in front of the problem noted.
    void prefixError(const QString& where);
    bool failed() const { return m_failed; }
    const QString& error() const { return m_error; }
    // Byte offset into the input at which the first problem was noticed.
    qsizetype errorOffset() const { return m_errorOffset; }

private:
    // Left uninitialised: readHead() fills every member, once per item read.
    struct Head {
        quint8 major;
        quint8 info;
        bool indefinite;
        quint64 arg;
    };

    enum class Problem {
        Truncated,
        BadChunk,
        BadUtf8,
        OutOfRange,
        NotFinite,
        UnexpectedBreak,
        UnsupportedSimple,
        UnsupportedType,
        TooDeep,
    };
    // What a declared length counts, for its check and its wording.
    enum class Claim { TextBytes, ChunkBytes, ArrayItems, MapPairs, SkippedItems };
    enum class Excess { Budget, Items, TextBytes };

    static constexpr quint64 kMaxInteger = quint64(std::numeric_limits<qint64>::max());

    qsizetype remaining() const { return m_end - m_p; }
    bool isAscii(QByteArrayView bytes) const;

    bool readHead(Head* head);
    bool readLongHead(uchar initial, Head* head);
    // Every declared length - a text's bytes, a list's items, a map's pairs - passes here
    // before anything is read or reserved for it: the claim against the bytes left, the
    // count or size against the limits, and `costEach` per item against the budget.
    bool admit(quint64 count, quint64 minBytesEach, Claim claim, quint64 costEach = 0);
    bool readTextBytes(const Head& head, QByteArrayView* bytes);
    bool readChunkedText(const Head& head, QByteArrayView* bytes);
    bool integerFromHead(const Head& head, qint64* value);
    bool textFromHead(const Head& head, TextView* text);
    bool decodeUtf8(TextView* text);
    bool floatFromHead(const Head& head, double* value);
    bool readTagged(quint64 tag, QDate* date, QDateTime* dateTime);
    template <typename Sink>
    bool readTaggedScalar(quint64 tag, Sink& sink);
    bool beginContainer(quint8 major, Container* c, quint64 itemCost);

    Q_DECL_COLD_FUNCTION bool refuse(Problem problem);
    Q_DECL_COLD_FUNCTION bool refuseClaim(quint64 count, Claim claim);
    Q_DECL_COLD_FUNCTION bool refuseExpected(Major expected);
    Q_DECL_COLD_FUNCTION bool refuseExcess(Excess excess, quint64 amount);

    const uchar* m_begin;
    const uchar* m_p;
    const uchar* m_end;
    Limits m_limits;
    quint64 m_spent = 0;
    int m_depth = 0;
    bool m_failed = false;
    bool m_overLimit = false;
    qsizetype m_errorOffset = -1;
    QByteArray m_scratch; // chunks of an indefinite-length text, joined
    QString m_decoded;    // the last text that was not ASCII
    QString m_error;
};

// Eight bytes at a time; a short tail is read as a whole word, masked, when the input
// goes on far enough, as it does for all but the last text.
inline bool CborCursor::isAscii(QByteArrayView bytes) const {
    const auto* p = reinterpret_cast<const uchar*>(bytes.data());
    qsizetype n = bytes.size();
    quint64 bits = 0;
    for (; n >= 8; p += 8, n -= 8)
        bits |= qFromLittleEndian<quint64>(p);
    if (n > 0) {
        if (m_end - p >= 8) {
            bits |= qFromLittleEndian<quint64>(p) & ((quint64(1) << (8 * n)) - 1);
        } else {
            for (qsizetype i = 0; i < n; ++i)
                bits |= p[i];
        }
    }
    return (bits & 0x8080808080808080ULL) == 0;
}

// The initial byte and its argument. A break (0xff) comes back as Simple, indefinite.
inline bool CborCursor::readHead(Head* head) {
    if (Q_UNLIKELY(m_p >= m_end))
        return refuse(Problem::Truncated);
    const uchar initial = *m_p++;
    head->major = initial >> 5;
    head->info = initial & 0x1f;
    head->indefinite = false;
    if (Q_LIKELY(head->info < 24)) {
        head->arg = head->info;
        return true;
    }
    if (head->info <= 27) {
        const qsizetype n = qsizetype(1) << (head->info - 24);
        if (Q_UNLIKELY(remaining() < n))
            return refuse(Problem::Truncated);
        quint64 arg = 0;
        for (qsizetype i = 0; i < n; ++i)
            arg = (arg << 8) | m_p[i];
        m_p += n;
        head->arg = arg;
        return true;
    }
    return readLongHead(initial, head);
}

inline bool CborCursor::charge(quint64 bytes) {
    if (Q_LIKELY(bytes <= m_limits.budget - m_spent)) {
        m_spent += bytes;
        return true;
    }
    return refuseExcess(Excess::Budget, bytes);
}

// A count that passed the check against the bytes left is below 2^32 items, so its cost
// cannot overflow.
inline bool CborCursor::admit(quint64 count, quint64 minBytesEach, Claim claim, quint64 costEach) {
    if (Q_UNLIKELY(count > quint64(remaining()) / minBytesEach))
        return refuseClaim(count, claim);
    if (claim == Claim::ArrayItems || claim == Claim::MapPairs || claim == Claim::SkippedItems) {
        if (Q_UNLIKELY(count > m_limits.maxItems))
            return refuseExcess(Excess::Items, count);
    } else if (claim == Claim::TextBytes && Q_UNLIKELY(count > m_limits.maxTextBytes)) {
        return refuseExcess(Excess::TextBytes, count);
    }
    return costEach == 0 || charge(count * costEach);
}

inline bool CborCursor::readTextBytes(const Head& head, QByteArrayView* bytes) {
    if (Q_UNLIKELY(head.indefinite))
        return readChunkedText(head, bytes);
    if (!admit(head.arg, 1, Claim::TextBytes))
        return false;
    *bytes = QByteArrayView(m_p, qsizetype(head.arg));
    m_p += head.arg;
    return true;
}

inline bool CborCursor::integerFromHead(const Head& head, qint64* value) {
    // CBOR stores a negative as -1 - n; n must fit so that the result does.
    if (Q_UNLIKELY(head.arg > kMaxInteger))
        return refuse(Problem::OutOfRange);
    *value = head.major == Unsigned ? qint64(head.arg) : -1 - qint64(head.arg);
    return true;
}

inline bool CborCursor::textFromHead(const Head& head, TextView* text) {
    if (!readTextBytes(head, &text->utf8))
        return false;
    text->decoded = nullptr;
    return isAscii(text->utf8) || decodeUtf8(text);
}

inline bool CborCursor::floatFromHead(const Head& head, double* value) {
    if (Q_LIKELY(head.info == 27)) {
        std::memcpy(value, &head.arg, sizeof *value);
        return std::isfinite(*value) || refuse(Problem::NotFinite);
    }
    if (head.info == 26) {
        const auto bits = quint32(head.arg);
        float f = 0;
        std::memcpy(&f, &bits, sizeof f);
        *value = f;
        return std::isfinite(*value) || refuse(Problem::NotFinite);
    }
    if (head.info == 25) {
        const auto h = quint16(head.arg);
        const int exponent = (h >> 10) & 0x1f;
        const int mantissa = h & 0x3ff;
        if (exponent == 31)
            return refuse(Problem::NotFinite);
        *value =
            exponent == 0 ? std::ldexp(mantissa, -24) : std::ldexp(mantissa + 1024, exponent - 25);
        if (h & 0x8000)
            *value = -*value;
        return true;
    }
    return refuse(head.info == 31 ? Problem::UnexpectedBreak : Problem::UnsupportedSimple);
}

// Tested by likelihood, most cells being texts and integers. Inline into the loop over a
// row's cells, which is where a large packet's time goes.
template <typename Sink>
Q_ALWAYS_INLINE bool CborCursor::readScalar(Sink& sink) {
    Head head;
    if (!readHead(&head))
        return false;
    if (head.major == Text) {
        TextView text;
        if (!textFromHead(head, &text))
            return false;
        sink.text(text); // may charge what it keeps
        return Q_LIKELY(!m_failed);
    }
    if (head.major <= Negative) {
        qint64 value = 0;
        if (!integerFromHead(head, &value))
            return false;
        sink.integer(value);
        return true;
    }
    if (head.major == Simple) {
        if (head.info == 22 || head.info == 23) { // null, undefined
            sink.null();
            return true;
        }
        double value = 0;
        if (!floatFromHead(head, &value))
            return false;
        sink.real(value);
        return true;
    }
    if (head.major == Tag)
        return readTaggedScalar(head.arg, sink);
    return refuse(Problem::UnsupportedType);
}

// Apart, so that the calendar types' locals stay out of the frame every cell is read in.
template <typename Sink>
Q_NEVER_INLINE bool CborCursor::readTaggedScalar(quint64 tag, Sink& sink) {
    QDate date;
    QDateTime dateTime;
    if (!readTagged(tag, &date, &dateTime))
        return false;
    if (date.isValid())
        sink.date(date);
    else
        sink.dateTime(dateTime);
    return !m_failed;
}

inline bool CborCursor::beginContainer(quint8 major, Container* c, quint64 itemCost) {
    if (Q_UNLIKELY(peekMajor() != major))
        return refuseExpected(Major(major));
    Head head;
    if (!readHead(&head))
        return false;
    if (!head.indefinite && !admit(head.arg, major == Map ? 2 : 1,
                                   major == Map ? Claim::MapPairs : Claim::ArrayItems, itemCost))
        return false;
    c->remaining = head.arg;
    c->indefinite = head.indefinite;
    // Storage for undeclared items grows by doubling: twice their cost.
    c->itemCost = head.indefinite ? 2 * itemCost : 0;
    return true;
}

inline bool CborCursor::hasNext(Container& c) {
    if (Q_UNLIKELY(m_failed))
        return false;
    if (c.indefinite) {
        if (Q_UNLIKELY(m_p >= m_end))
            return refuse(Problem::Truncated);
        if (*m_p == 0xff) {
            ++m_p;
            return false;
        }
        // Counted as they come, since none was declared.
        if (Q_UNLIKELY(++c.remaining > m_limits.maxItems))
            return refuseExcess(Excess::Items, c.remaining);
        return c.itemCost == 0 || charge(c.itemCost);
    }
    if (c.remaining == 0)
        return false;
    --c.remaining;
    return true;
}

inline qsizetype CborCursor::reserveHint(const Container& c, qsizetype minItemBytes,
                                         quint64 cap) const {
    if (c.indefinite)
        return 0;
    return qsizetype(std::min({c.remaining, quint64(remaining() / minItemBytes), cap}));
}

inline bool CborCursor::takeNull() {
    if (!isNull())
        return false;
    ++m_p;
    return true;
}

} // namespace protocol
