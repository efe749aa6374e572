#pragma once

#include "platform/TCanvas.h"
#include "platform/TColumn.h"
#include "platform/TDataSet.h"
#include "platform/TShiftState.h"
#include "platform/TWinControl.h"

#include <functional>
#include <initializer_list>
#include <memory>
#include <QRect>
#include <vector>

class TDataSource;

enum TDBGridOption {
    dgEditing,
    dgTitles,
    dgIndicator,
    dgColumnResize,
    dgColLines,
    dgRowLines,
    dgTabs,
    dgRowSelect,
    dgAlwaysShowSelection,
    dgConfirmDelete,
    dgCancelOnExit
};

// How a cell is being drawn: the current cell (the whole current row with dgRowSelect) is
// selected while the grid has the focus or always shows its selection; focused adds that
// the grid has the focus.
struct TGridDrawState {
    bool selected = false;
    bool focused = false;

    bool operator==(const TGridDrawState&) const = default;
};

// A grid over a data source: one row per dataset row (the current row is the dataset's
// cursor), one column per TColumn. Rows and columns of the user actions are 0-based and
// count data rows only (the title row is apart).
class TDBGrid : public TWinControl {
public:
    explicit TDBGrid(TComponent* owner = nullptr, TWinControl* parent = nullptr);
    ~TDBGrid() override;

    TDataSource* dataSource() const { return m_dataSource; }
    void setDataSource(TDataSource* source);
    TDataSet* dataSet() const;

    // Columns given by the form; when it gives none, one column per visible field.
    TColumn& addColumn(const QString& fieldName);
    const std::vector<TColumn*>& columns() const;
    int columnCount() const { return int(columns().size()); }
    TColumn& column(int index) const { return *columns().at(std::size_t(index)); }
    // The column showing the field (case-insensitive), or -1.
    int columnIndex(const QString& fieldName) const;

    // The current column. Notifies the view.
    int selectedIndex() const { return m_selectedIndex; }
    void setSelectedIndex(int index);
    // The current row (0-based), -1 when there is none.
    int currentRow() const;
    int rowCount() const;

    bool hasOption(TDBGridOption option) const { return (m_options >> option) & 1u; }
    void setOption(TDBGridOption option, bool on);
    void setOptions(std::initializer_list<TDBGridOption> options);

    std::function<void(TColumn& column)> OnCellClick;
    std::function<void(TColumn& column)> OnTitleClick;
    // Runs before the grid's own key handling; setting key to 0 consumes the key.
    std::function<void(int& key, TShiftState shift)> OnKeyDown;
    std::function<void(const QRect& rect, int dataCol, TColumn& column, TGridDrawState state)>
        OnDrawColumnCell;

    // User actions. Each takes the focus first through the form's walk and goes on only
    // when the focus arrived. A click on a row that does not exist only focuses the grid.
    void clickCell(int row, int col);
    void clickTitle(int col);
    // The same through the application's dispatch (EAbort silent, other errors shown);
    // false when an exception ended the action.
    bool userClickCell(int row, int col);
    bool userClickTitle(int col);

    // The handler first, then the grid: Tab/Shift+Tab move between cells with dgTabs and
    // leave the grid past the last (first) cell, and without dgTabs leave it at once (the
    // key is left to the form); arrows, PgUp/PgDn, Home/End (with Ctrl: first/last row)
    // move the cursor or the current column.
    void keyDown(int& key, TShiftState shift) override;

    // Draws one cell on `target` (canvas() returns it meanwhile): the fields read row `row`
    // without the cursor moving, the brush and font colour are set for the cell's state,
    // then OnDrawColumnCell runs, or defaultDrawColumnCell when it is not set. Row 0 of an
    // empty dataset is the blank row the grid shows.
    void drawCell(int row, int col, const QRect& rect, TCanvas& target);
    void drawCell(int row, int col, const QRect& rect) { drawCell(row, col, rect, m_canvas); }
    // Fills the cell with the brush and writes the field's display text at +2,+2.
    void defaultDrawColumnCell(const QRect& rect, int dataCol, TColumn& column,
                               TGridDrawState state);
    TCanvas& canvas() { return *m_target; }
    TGridDrawState cellState(int row, int col) const;

    void refresh() { repaint(); }
    // Rows a page key moves: what fits below the titles, at least one.
    int rowsPerPage() const;
    static constexpr int defaultRowHeight = 18;

private:
    void dataEvent(TDataEvent event);
    void detachSource();
    bool takeFocus();
    bool isColumnVisible(int index) const;
    int nextVisibleColumn(int from, int step) const;
    bool tab(bool forward);
    void moveRows(int delta);

    TDataSource* m_dataSource = nullptr;
    int m_sourceObserver = 0;
    std::vector<std::unique_ptr<TColumn>> m_ownedColumns;
    std::vector<TColumn*> m_columns;
    mutable std::vector<std::unique_ptr<TColumn>> m_autoOwned;
    mutable std::vector<TColumn*> m_autoColumns;
    int m_selectedIndex = 0;
    unsigned m_options = 0;
    TCanvas m_canvas;
    TCanvas* m_target = &m_canvas;
};
