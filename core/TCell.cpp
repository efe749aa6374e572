#include "core/TCell.h"

#include <QAtomicInt>
#include <QDate>

#include <array>

// Boxed values never change, so copies share one box.
struct TCell::Box {
    QAtomicInt ref{1};
    QVariant value;
};

namespace {

// One-character codes ("N", "S", "1") come back as static text: reading them allocates
// nothing and copies touch no reference count.
const QString& asciiChar(uchar c) {
    static const std::array<QString, 128> chars = [] {
        static char16_t units[128];
        std::array<QString, 128> texts;
        for (int i = 0; i < 128; ++i) {
            units[i] = char16_t(i);
            texts[size_t(i)] = QString::fromRawData(reinterpret_cast<const QChar*>(&units[i]), 1);
        }
        return texts;
    }();
    return chars[c];
}

bool fitsInline(const QString& text) {
    if (text.isNull() || text.size() > TCell::kMaxInlineText)
        return false;
    for (const QChar c : text) {
        if (c.unicode() > 0xff)
            return false;
    }
    return true;
}

} // namespace

TCell::TCell(const QVariant& value) {
    m_bytes[0] = quint8(Kind::Null);
    if (!value.isValid())
        return;
    // A typed null (a QVariant made from a QMetaType alone) must stay one.
    if (value.isNull()) {
        *this = boxed(value);
        return;
    }
    switch (value.typeId()) {
    case QMetaType::LongLong:
        *this = integer(*static_cast<const qint64*>(value.constData()));
        return;
    case QMetaType::Double:
        *this = real(*static_cast<const double*>(value.constData()));
        return;
    case QMetaType::QDate:
        *this = TCell(Kind::Date, static_cast<const QDate*>(value.constData())->toJulianDay());
        return;
    case QMetaType::QString: {
        const auto& s = *static_cast<const QString*>(value.constData());
        *this = fitsInline(s) ? TCell::text(s) : boxed(value);
        return;
    }
    default:
        *this = boxed(value);
    }
}

TCell TCell::latin1(QByteArrayView text) {
    Q_ASSERT(text.size() <= kMaxInlineText);
    TCell cell;
    cell.m_bytes[0] = quint8(Kind::Text);
    cell.m_bytes[1] = quint8(text.size());
    if (!text.isEmpty())
        std::memcpy(cell.m_bytes + 2, text.data(), size_t(text.size()));
    return cell;
}

TCell TCell::text(const QString& text) {
    if (!fitsInline(text))
        return boxed(QVariant(text));
    char bytes[kMaxInlineText];
    for (qsizetype i = 0; i < text.size(); ++i)
        bytes[i] = char(text[i].unicode());
    return latin1(QByteArrayView(bytes, text.size()));
}

TCell TCell::boxed(const QVariant& value) {
    return TCell(Kind::Boxed, new Box{1, value});
}

TCell::TCell(const TCell& other) noexcept {
    std::memcpy(m_bytes, other.m_bytes, sizeof m_bytes);
    if (kind() == Kind::Boxed)
        box()->ref.ref();
}

TCell& TCell::operator=(const TCell& other) noexcept {
    if (this != &other) {
        TCell copy(other);
        *this = std::move(copy);
    }
    return *this;
}

TCell& TCell::operator=(TCell&& other) noexcept {
    if (this != &other) {
        if (kind() == Kind::Boxed)
            release();
        std::memcpy(m_bytes, other.m_bytes, sizeof m_bytes);
        other.m_bytes[0] = quint8(Kind::Null);
    }
    return *this;
}

void TCell::release() noexcept {
    Box* b = box();
    if (!b->ref.deref())
        delete b;
    m_bytes[0] = quint8(Kind::Null);
}

const QVariant& TCell::boxedValue() const {
    return box()->value;
}

QVariant TCell::toVariant() const {
    switch (kind()) {
    case Kind::Null:
        return QVariant();
    case Kind::Integer:
        return QVariant(integerValue());
    case Kind::Real:
        return QVariant(realValue());
    case Kind::Date:
        return QVariant(QDate::fromJulianDay(julianDay()));
    case Kind::Text: {
        const QByteArrayView text = latin1Text();
        if (text.size() == 1 && uchar(text[0]) < 0x80)
            return QVariant(asciiChar(uchar(text[0])));
        // fromLatin1 keeps an empty text empty, not null: the view points at the cell.
        return QVariant(QString::fromLatin1(text));
    }
    case Kind::Boxed:
        return boxedValue();
    }
    return QVariant();
}

bool operator==(const TCell& a, const TCell& b) {
    if (a.kind() != b.kind() || a.kind() == TCell::Kind::Boxed)
        return a.toVariant() == b.toVariant();
    switch (a.kind()) {
    case TCell::Kind::Null:
        return true;
    case TCell::Kind::Integer:
    case TCell::Kind::Date:
        return a.integerValue() == b.integerValue();
    case TCell::Kind::Real:
        return a.realValue() == b.realValue();
    case TCell::Kind::Text:
        return a.latin1Text() == b.latin1Text();
    case TCell::Kind::Boxed:
        break;
    }
    return false;
}
