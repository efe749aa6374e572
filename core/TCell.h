#pragma once

#include <QByteArrayView>
#include <QVariant>

#include <cstring>

// One value of a row, in 16 bytes. What rows are mostly made of - nulls, integers,
// amounts, dates and short codes - is kept inside the cell; anything else (a long or
// non-Latin-1 text, another type, a typed null) sits in a shared, immutable box. A large
// list then takes half the memory of a QVariant per cell, and loading it allocates
// nothing for its codes: memory traffic and allocations are what a large load costs.
// Every QVariant comes back exactly as it went in, type and nullness included.
class TCell {
public:
    enum class Kind : quint8 { Null, Integer, Real, Date, Text, Boxed };

    // Latin-1 texts up to this length are kept inline: codes, flight numbers, amounts.
    static constexpr qsizetype kMaxInlineText = 14;

    // Null: an invalid QVariant.
    TCell() noexcept { m_bytes[0] = quint8(Kind::Null); }
    explicit TCell(const QVariant& value);
    TCell(const TCell& other) noexcept;
    TCell(TCell&& other) noexcept {
        std::memcpy(m_bytes, other.m_bytes, sizeof m_bytes);
        other.m_bytes[0] = quint8(Kind::Null);
    }
    TCell& operator=(const TCell& other) noexcept;
    TCell& operator=(TCell&& other) noexcept;
    ~TCell() {
        if (kind() == Kind::Boxed)
            release();
    }

    static TCell integer(qint64 value) { return TCell(Kind::Integer, value); }
    static TCell real(double value) { return TCell(Kind::Real, value); }
    // `text` is Latin-1 (ASCII included) and at most kMaxInlineText bytes long.
    static TCell latin1(QByteArrayView text);
    // Inline when it fits, boxed otherwise.
    static TCell text(const QString& text);

    Kind kind() const { return Kind(m_bytes[0]); }
    bool isNull() const { return kind() == Kind::Null; }
    QVariant toVariant() const;

    // Direct reads for code that writes cells out; each is valid for its kind only.
    qint64 integerValue() const { return payload<qint64>(); }
    double realValue() const { return payload<double>(); }
    qint64 julianDay() const { return payload<qint64>(); }
    QByteArrayView latin1Text() const {
        return QByteArrayView(reinterpret_cast<const char*>(m_bytes + 2), m_bytes[1]);
    }
    const QVariant& boxedValue() const;

    // Like QVariant's ==: 1 and 1.0 are equal, so are a null and an empty text.
    friend bool operator==(const TCell& a, const TCell& b);
    friend bool operator!=(const TCell& a, const TCell& b) { return !(a == b); }

private:
    struct Box;

    template <typename T>
    TCell(Kind kind, T value) {
        m_bytes[0] = quint8(kind);
        std::memcpy(m_bytes + 8, &value, sizeof value);
    }
    template <typename T>
    T payload() const {
        T value;
        std::memcpy(&value, m_bytes + 8, sizeof value);
        return value;
    }
    Box* box() const { return payload<Box*>(); }
    static TCell boxed(const QVariant& value);
    void release() noexcept;

    // [0] kind, [1] text length, [2..15] inline text; [8..15] number, day or box.
    alignas(8) quint8 m_bytes[16];
};

static_assert(sizeof(TCell) == 16);
