#include "platform/TDBGrid.h"

#include "platform/TApplication.h"
#include "platform/TDataSet.h"
#include "platform/TDataSource.h"

#include <algorithm>
#include <optional>

TDBGrid::TDBGrid(TComponent* owner, TWinControl* parent)
    : TWinControl(owner, parent) {
    setOptions({dgEditing, dgTitles, dgIndicator, dgColumnResize, dgColLines, dgRowLines, dgTabs,
                dgConfirmDelete, dgCancelOnExit});
    setColor(clWindow);
    setTabStop(true);
}

TDBGrid::~TDBGrid() {
    detachSource();
}

// ---- data --------------------------------------------------------------------------

void TDBGrid::setDataSource(TDataSource* source) {
    if (source == m_dataSource)
        return;
    detachSource();
    m_dataSource = source;
    if (source)
        m_sourceObserver = source->addObserver([this](TDataEvent event) { dataEvent(event); });
    changed();
}

void TDBGrid::detachSource() {
    if (m_dataSource)
        m_dataSource->removeObserver(m_sourceObserver);
    m_dataSource = nullptr;
    m_sourceObserver = 0;
}

TDataSet* TDBGrid::dataSet() const {
    return m_dataSource ? m_dataSource->dataSet() : nullptr;
}

void TDBGrid::dataEvent(TDataEvent event) {
    if (event == TDataEvent::Destroying) {
        m_dataSource = nullptr;
        m_sourceObserver = 0;
    }
    changed();
}

int TDBGrid::currentRow() const {
    const TDataSet* ds = dataSet();
    return ds && ds->active() ? ds->recNo() - 1 : -1;
}

int TDBGrid::rowCount() const {
    const TDataSet* ds = dataSet();
    return ds && ds->active() ? ds->recordCount() : 0;
}

// ---- columns -----------------------------------------------------------------------

TColumn& TDBGrid::addColumn(const QString& fieldName) {
    m_ownedColumns.push_back(std::make_unique<TColumn>(*this, fieldName));
    m_columns.push_back(m_ownedColumns.back().get());
    changed();
    return *m_columns.back();
}

const std::vector<TColumn*>& TDBGrid::columns() const {
    if (!m_columns.empty())
        return m_columns;
    // One column per visible field, rebuilt when the dataset's fields change.
    QStringList names;
    if (const TDataSet* ds = dataSet()) {
        for (const TField* f : ds->fields()) {
            if (f->visible())
                names << f->fieldName();
        }
    }
    QStringList current;
    for (const TColumn* c : m_autoColumns)
        current << c->fieldName();
    if (names != current) {
        m_autoColumns.clear();
        m_autoOwned.clear();
        auto* self = const_cast<TDBGrid*>(this);
        for (const QString& name : names) {
            m_autoOwned.push_back(std::make_unique<TColumn>(*self, name));
            m_autoColumns.push_back(m_autoOwned.back().get());
        }
    }
    return m_autoColumns;
}

int TDBGrid::columnIndex(const QString& fieldName) const {
    const auto& list = columns();
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i]->fieldName().compare(fieldName, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

void TDBGrid::setSelectedIndex(int index) {
    if (index < 0 || index >= columnCount() || index == m_selectedIndex)
        return;
    m_selectedIndex = index;
    changed();
}

bool TDBGrid::isColumnVisible(int index) const {
    return index >= 0 && index < columnCount() && column(index).visible();
}

// The next visible column from `from` in direction `step`, or -1 past either end.
int TDBGrid::nextVisibleColumn(int from, int step) const {
    for (int i = from + step; i >= 0 && i < columnCount(); i += step) {
        if (isColumnVisible(i))
            return i;
    }
    return -1;
}

void TDBGrid::setOption(TDBGridOption option, bool on) {
    const unsigned bit = 1u << option;
    const unsigned options = on ? (m_options | bit) : (m_options & ~bit);
    if (options == m_options)
        return;
    m_options = options;
    changed();
}

void TDBGrid::setOptions(std::initializer_list<TDBGridOption> options) {
    unsigned bits = 0;
    for (TDBGridOption o : options)
        bits |= 1u << o;
    m_options = bits;
    changed();
}

// ---- user actions ------------------------------------------------------------------

bool TDBGrid::takeFocus() {
    if (!canFocus())
        return false;
    if (!focused())
        setFocus();
    return focused();
}

void TDBGrid::clickCell(int row, int col) {
    if (!takeFocus())
        return;
    TDataSet* ds = dataSet();
    if (!ds || !ds->active() || row < 0 || row >= ds->recordCount())
        return;
    ds->setRecNo(row + 1);
    if (col < 0 || col >= columnCount())
        return;
    setSelectedIndex(col);
    if (OnCellClick)
        OnCellClick(column(col));
}

void TDBGrid::clickTitle(int col) {
    if (!takeFocus() || !hasOption(dgTitles) || col < 0 || col >= columnCount())
        return;
    if (OnTitleClick)
        OnTitleClick(column(col));
}

bool TDBGrid::userClickCell(int row, int col) {
    return Application().runUserAction([&] { clickCell(row, col); });
}

bool TDBGrid::userClickTitle(int col) {
    return Application().runUserAction([&] { clickTitle(col); });
}

int TDBGrid::rowsPerPage() const {
    const int usable = height() - (hasOption(dgTitles) ? defaultRowHeight : 0);
    return std::max(1, usable / defaultRowHeight);
}

void TDBGrid::moveRows(int delta) {
    TDataSet* ds = dataSet();
    if (!ds || !ds->active() || ds->isEmpty())
        return;
    const int target = std::clamp(ds->recNo() + delta, 1, ds->recordCount());
    ds->setRecNo(target);
}

// Moves to the next (previous) visible cell, wrapping to the next (previous) row; false
// past the last (first) cell, where the focus is to leave the grid.
bool TDBGrid::tab(bool forward) {
    const int step = forward ? 1 : -1;
    TDataSet* ds = dataSet();
    const bool hasRows = ds && ds->active() && !ds->isEmpty();
    const int col = hasOption(dgRowSelect) ? -1 : nextVisibleColumn(m_selectedIndex, step);
    if (col >= 0) {
        setSelectedIndex(col);
        return true;
    }
    if (!hasRows || (forward ? ds->recNo() >= ds->recordCount() : ds->recNo() <= 1))
        return false;
    ds->setRecNo(ds->recNo() + step);
    if (!hasOption(dgRowSelect)) {
        const int wrapped = nextVisibleColumn(forward ? -1 : columnCount(), step);
        if (wrapped >= 0)
            setSelectedIndex(wrapped);
    }
    return true;
}

void TDBGrid::keyDown(int& key, TShiftState shift) {
    if (OnKeyDown)
        OnKeyDown(key, shift);
    switch (key) {
    case 0:
        return;
    case VK_TAB:
        // Handled here: consumed; otherwise the form moves the focus on.
        if (hasOption(dgTabs) && !shift.alt && !shift.ctrl && tab(!shift.shift))
            key = 0;
        return;
    case VK_UP:
        moveRows(-1);
        break;
    case VK_DOWN:
        moveRows(1);
        break;
    case VK_PRIOR:
        moveRows(-rowsPerPage());
        break;
    case VK_NEXT:
        moveRows(rowsPerPage());
        break;
    case VK_LEFT:
    case VK_RIGHT:
        if (hasOption(dgRowSelect))
            return;
        if (const int col = nextVisibleColumn(m_selectedIndex, key == VK_LEFT ? -1 : 1); col >= 0)
            setSelectedIndex(col);
        break;
    case VK_HOME:
    case VK_END:
        if (shift.ctrl || hasOption(dgRowSelect)) {
            moveRows(key == VK_HOME ? -rowCount() : rowCount());
        } else {
            const int col =
                key == VK_HOME ? nextVisibleColumn(-1, 1) : nextVisibleColumn(columnCount(), -1);
            if (col >= 0)
                setSelectedIndex(col);
        }
        break;
    default:
        return;
    }
    key = 0;
}

// ---- drawing -----------------------------------------------------------------------

TGridDrawState TDBGrid::cellState(int row, int col) const {
    TGridDrawState state;
    const bool current = row == currentRow() && (hasOption(dgRowSelect) || col == m_selectedIndex);
    const bool hasFocus = focused();
    state.selected = current && (hasFocus || hasOption(dgAlwaysShowSelection));
    state.focused = current && hasFocus;
    return state;
}

void TDBGrid::drawCell(int row, int col, const QRect& rect, TCanvas& target) {
    if (col < 0 || col >= columnCount())
        return;
    TDataSet* ds = dataSet();
    const int rows = rowCount();
    if (row < 0 || (row >= rows && !(row == 0 && rows == 0)))
        return;
    const TGridDrawState state = rows == 0 ? TGridDrawState{} : cellState(row, col);
    TCanvas* previous = m_target;
    m_target = &target;
    struct Restore {
        TCanvas*& target;
        TCanvas* previous;
        ~Restore() { target = previous; }
    } restore{m_target, previous};
    std::optional<TDataSet::DisplayRow> displayRow;
    if (ds && rows > 0)
        displayRow.emplace(*ds, row);
    target.brush().color = state.selected ? clHighlight : color();
    target.font() = font();
    target.font().color = state.selected ? clHighlightText : font().color;
    if (OnDrawColumnCell)
        OnDrawColumnCell(rect, col, column(col), state);
    else
        defaultDrawColumnCell(rect, col, column(col), state);
}

void TDBGrid::defaultDrawColumnCell(const QRect& rect, int, TColumn& column, TGridDrawState) {
    TCanvas& c = canvas();
    c.fillRect(rect);
    const TField* f = column.field();
    const TDataSet* ds = dataSet();
    const QString text = f && ds && ds->active() && !ds->isEmpty() ? f->displayText() : QString();
    c.textRect(rect, rect.left() + 2, rect.top() + 2, text, column.alignment());
}
