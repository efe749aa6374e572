#pragma once

#include "core/TCell.h"

#include <QList>
#include <QVariant>

#include <initializer_list>

// One row of values, in the order of the packet's field definitions. Reads like a
// QList<QVariant>, but stores compact cells (TCell) and keeps up to kInline of them inside
// itself, so that a vector of 100,000 rows is one allocation instead of one per row and
// about half the memory of a QVariant per cell. Wider rows keep their cells on the heap.
// Values are read by value; writes go through replace() or append().
class TRow {
public:
    using const_iterator = const TCell*;

    // The module's lists are two to six columns wide; every cell kept inline is 16 bytes
    // more per row whether used or not, and memory traffic is what a large load costs.
    static constexpr qsizetype kInline = 6;

    // User-provided so that value-initialising (vector::emplace_back()) does not clear
    // the inline cells first.
    TRow() noexcept {}
    // `size` null cells.
    explicit TRow(qsizetype size);
    TRow(std::initializer_list<QVariant> values);
    // Implicit, so code written against a QVariantList keeps working.
    TRow(const QList<QVariant>& values);
    TRow(const TRow& other);
    TRow(TRow&& other) noexcept;
    TRow& operator=(const TRow& other);
    TRow& operator=(TRow&& other) noexcept;
    ~TRow();

    qsizetype size() const { return m_size; }
    qsizetype count() const { return m_size; }
    bool isEmpty() const { return m_size == 0; }
    bool empty() const { return m_size == 0; }
    qsizetype capacity() const { return m_capacity; }

    QVariant at(qsizetype i) const { return cell(i).toVariant(); }
    QVariant operator[](qsizetype i) const { return at(i); }
    // Out of range gives `fallback`, like QList::value.
    QVariant value(qsizetype i, const QVariant& fallback = QVariant()) const {
        return i >= 0 && i < m_size ? at(i) : fallback;
    }
    QVariant first() const { return at(0); }
    QVariant last() const { return at(m_size - 1); }

    const TCell& cell(qsizetype i) const {
        Q_ASSERT(i >= 0 && i < m_size);
        return m_data[i];
    }
    void replace(qsizetype i, const QVariant& value) { replace(i, TCell(value)); }
    void replace(qsizetype i, TCell cell) {
        Q_ASSERT(i >= 0 && i < m_size);
        m_data[i] = std::move(cell);
    }

    const_iterator begin() const { return m_data; }
    const_iterator end() const { return m_data + m_size; }

    void reserve(qsizetype capacity);
    // Grows with null cells or drops cells from the end.
    void resize(qsizetype size);
    void clear();

    void append(const QVariant& value) { append(TCell(value)); }
    void append(TCell cell) {
        if (m_size == m_capacity)
            grow(m_capacity * 2);
        new (m_data + m_size++) TCell(std::move(cell));
    }
    void push_back(const QVariant& value) { append(value); }
    TRow& operator<<(const QVariant& value) {
        append(value);
        return *this;
    }
    void removeAt(qsizetype i);
    void removeLast() { removeAt(m_size - 1); }

    QList<QVariant> toList() const;

    friend bool operator==(const TRow& a, const TRow& b);
    friend bool operator!=(const TRow& a, const TRow& b) { return !(a == b); }

private:
    bool isInline() const { return m_data == inlineCells(); }
    TCell* inlineCells() { return reinterpret_cast<TCell*>(m_inline); }
    const TCell* inlineCells() const { return reinterpret_cast<const TCell*>(m_inline); }
    void grow(qsizetype capacity);
    void release();
    void takeFrom(TRow& other) noexcept;

    // 32-bit counts keep the row at a whole number of cells plus 16 bytes.
    TCell* m_data = inlineCells();
    qint32 m_size = 0;
    qint32 m_capacity = kInline;
    alignas(TCell) unsigned char m_inline[kInline * sizeof(TCell)];
};
