#pragma once

#include <QList>
#include <QVariant>

#include <initializer_list>
#include <utility>

// One row of values, in the order of the packet's field definitions. Reads and writes like
// a QList<QVariant>, but keeps up to kInline cells inside itself, so that a vector of
// 100,000 rows is one allocation instead of one per row: allocating and freeing those
// blocks was most of the cost of loading a large packet. Wider rows keep their cells on
// the heap. Copies copy the cells (each one a reference to shared data at most).
class TRow {
public:
    using value_type = QVariant;
    using size_type = qsizetype;
    using difference_type = qsizetype;
    using reference = QVariant&;
    using const_reference = const QVariant&;
    using pointer = QVariant*;
    using const_pointer = const QVariant*;
    using iterator = QVariant*;
    using const_iterator = const QVariant*;

    // The module's lists are two to six columns wide; every cell kept inline is 32 bytes
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
    qsizetype length() const { return m_size; }
    bool isEmpty() const { return m_size == 0; }
    bool empty() const { return m_size == 0; }
    qsizetype capacity() const { return m_capacity; }

    const QVariant& at(qsizetype i) const {
        Q_ASSERT(i >= 0 && i < m_size);
        return m_data[i];
    }
    const QVariant& operator[](qsizetype i) const { return at(i); }
    QVariant& operator[](qsizetype i) {
        Q_ASSERT(i >= 0 && i < m_size);
        return m_data[i];
    }
    // Out of range gives `fallback`, like QList::value.
    QVariant value(qsizetype i, const QVariant& fallback = QVariant()) const {
        return i >= 0 && i < m_size ? m_data[i] : fallback;
    }
    const QVariant& first() const { return at(0); }
    QVariant& first() { return (*this)[0]; }
    const QVariant& last() const { return at(m_size - 1); }
    QVariant& last() { return (*this)[m_size - 1]; }
    const QVariant& front() const { return first(); }
    QVariant& front() { return first(); }
    const QVariant& back() const { return last(); }
    QVariant& back() { return last(); }

    iterator begin() { return m_data; }
    iterator end() { return m_data + m_size; }
    const_iterator begin() const { return m_data; }
    const_iterator end() const { return m_data + m_size; }
    const_iterator cbegin() const { return m_data; }
    const_iterator cend() const { return m_data + m_size; }
    const_iterator constBegin() const { return m_data; }
    const_iterator constEnd() const { return m_data + m_size; }
    QVariant* data() { return m_data; }
    const QVariant* data() const { return m_data; }
    const QVariant* constData() const { return m_data; }

    void reserve(qsizetype capacity);
    // Grows with null cells or drops cells from the end.
    void resize(qsizetype size);
    void clear();

    template <typename... Args>
    QVariant& emplaceBack(Args&&... args) {
        if (m_size == m_capacity) {
            // The argument may be one of this row's cells: take it before growing.
            QVariant value(std::forward<Args>(args)...);
            grow(m_capacity * 2);
            return *new (m_data + m_size++) QVariant(std::move(value));
        }
        return *new (m_data + m_size++) QVariant(std::forward<Args>(args)...);
    }
    template <typename... Args>
    QVariant& emplace_back(Args&&... args) {
        return emplaceBack(std::forward<Args>(args)...);
    }
    void append(const QVariant& value) { emplaceBack(value); }
    void append(QVariant&& value) { emplaceBack(std::move(value)); }
    void push_back(const QVariant& value) { emplaceBack(value); }
    void push_back(QVariant&& value) { emplaceBack(std::move(value)); }
    TRow& operator<<(const QVariant& value) {
        emplaceBack(value);
        return *this;
    }
    void removeAt(qsizetype i);
    void removeLast() { removeAt(m_size - 1); }

    QList<QVariant> toList() const { return QList<QVariant>(begin(), end()); }

    friend bool operator==(const TRow& a, const TRow& b);
    friend bool operator!=(const TRow& a, const TRow& b) { return !(a == b); }

private:
    bool isInline() const { return m_data == inlineCells(); }
    QVariant* inlineCells() { return reinterpret_cast<QVariant*>(m_inline); }
    const QVariant* inlineCells() const { return reinterpret_cast<const QVariant*>(m_inline); }
    void grow(qsizetype capacity);
    void release();
    void takeFrom(TRow& other) noexcept;

    // 32-bit counts keep the row at a whole number of cells plus 16 bytes.
    QVariant* m_data = inlineCells();
    qint32 m_size = 0;
    qint32 m_capacity = kInline;
    alignas(QVariant) unsigned char m_inline[kInline * sizeof(QVariant)];
};
