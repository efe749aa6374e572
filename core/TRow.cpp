#include "core/TRow.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <new>

TRow::TRow(qsizetype size) {
    resize(size);
}

TRow::TRow(std::initializer_list<QVariant> values) {
    reserve(qsizetype(values.size()));
    for (const QVariant& v : values)
        new (m_data + m_size++) TCell(v);
}

TRow::TRow(const QList<QVariant>& values) {
    reserve(values.size());
    for (const QVariant& v : values)
        new (m_data + m_size++) TCell(v);
}

TRow::TRow(const TRow& other) {
    reserve(other.m_size);
    for (const TCell& v : other)
        new (m_data + m_size++) TCell(v);
}

TRow::TRow(TRow&& other) noexcept {
    takeFrom(other);
}

TRow& TRow::operator=(const TRow& other) {
    if (this == &other)
        return *this;
    clear();
    reserve(other.m_size);
    for (const TCell& v : other)
        new (m_data + m_size++) TCell(v);
    return *this;
}

TRow& TRow::operator=(TRow&& other) noexcept {
    if (this == &other)
        return *this;
    release();
    takeFrom(other);
    return *this;
}

TRow::~TRow() {
    release();
}

// Expects this row empty and inline. A heap block changes hands; inline cells are moved.
void TRow::takeFrom(TRow& other) noexcept {
    if (!other.isInline()) {
        m_data = other.m_data;
        m_size = other.m_size;
        m_capacity = other.m_capacity;
        other.m_data = other.inlineCells();
        other.m_size = 0;
        other.m_capacity = kInline;
        return;
    }
    for (qsizetype i = 0; i < other.m_size; ++i)
        new (m_data + i) TCell(std::move(other.m_data[i]));
    m_size = other.m_size;
    other.clear();
}

void TRow::release() {
    clear();
    if (!isInline())
        ::operator delete(m_data);
    m_data = inlineCells();
    m_capacity = kInline;
}

void TRow::grow(qsizetype capacity) {
    if (capacity > std::numeric_limits<qint32>::max())
        qBadAlloc();
    auto* cells = static_cast<TCell*>(::operator new(sizeof(TCell) * size_t(capacity)));
    for (qsizetype i = 0; i < m_size; ++i) {
        new (cells + i) TCell(std::move(m_data[i]));
        m_data[i].~TCell();
    }
    if (!isInline())
        ::operator delete(m_data);
    m_data = cells;
    m_capacity = qint32(capacity);
}

void TRow::reserve(qsizetype capacity) {
    if (capacity > m_capacity)
        grow(capacity);
}

void TRow::resize(qsizetype size) {
    if (size < m_size) {
        std::destroy(m_data + size, m_data + m_size);
        m_size = qint32(size);
        return;
    }
    reserve(size);
    while (m_size < size)
        new (m_data + m_size++) TCell();
}

void TRow::clear() {
    std::destroy(m_data, m_data + m_size);
    m_size = 0;
}

void TRow::removeAt(qsizetype i) {
    Q_ASSERT(i >= 0 && i < m_size);
    std::move(m_data + i + 1, m_data + m_size, m_data + i);
    m_data[--m_size].~TCell();
}

QList<QVariant> TRow::toList() const {
    QList<QVariant> list;
    list.reserve(m_size);
    for (const TCell& c : *this)
        list.append(c.toVariant());
    return list;
}

bool operator==(const TRow& a, const TRow& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
}
