#pragma once

#include "core/TDataPacket.h"
#include "platform/TComponent.h"
#include "platform/TField.h"

#include <functional>
#include <memory>
#include <QString>
#include <vector>

enum class TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert };

// What observers (data sources, grids, data-aware edits, the view) are told.
enum class TDataEvent {
    Opened,
    Closed,
    DataChanged,   // rows added, removed or replaced
    RecordChanged, // a value of the current row changed
    CursorMoved,
    StateChanged,
    Refresh,   // sent once when enableControls brings the count back to zero
    Destroying // the dataset is going away: drop every pointer to it
};

// A list of rows with fields, a cursor and an edit state. Subclasses produce the rows on
// open (produceData); TClientDataSet loads server packets and keeps a change log.
class TDataSet : public TComponent {
public:
    using Observer = std::function<void(TDataSet&, TDataEvent)>;

    explicit TDataSet(TComponent* owner = nullptr);
    ~TDataSet() override;
    TDataSet(const TDataSet&) = delete;
    TDataSet& operator=(const TDataSet&) = delete;

    // Fields: persistent ones (declared before opening, in declaration order) come first,
    // then the fields a load found in the data and not among them.
    TField& addField(const TFieldDef& def);
    const std::vector<TField*>& fields() const { return m_fieldList; }
    int fieldCount() const { return int(m_fieldList.size()); }
    TField& field(int index) const { return *m_fieldList.at(std::size_t(index)); }
    // Case-insensitive; raises "Campo 'X' não encontrado." when absent.
    TField& fieldByName(const QString& name) const;
    TField* findField(const QString& name) const;
    TFieldDefs fieldDefs() const;

    void open();
    void close();
    bool active() const { return m_state != TDataSetState::dsInactive; }
    void setActive(bool active) { active ? open() : close(); }
    TDataSetState state() const { return m_state; }

    std::function<void(TDataSet&)> BeforeOpen;
    std::function<void(TDataSet&)> AfterOpen;

    // Cursor. Moving posts a pending edit first.
    void first();
    void next();
    void prior();
    void last();
    bool eof() const { return m_eof; }
    bool bof() const { return m_bof; }
    int recNo() const { return m_cursor + 1; } // 1-based, 0 when empty
    void setRecNo(int recNo);                  // out of range: nothing happens
    int recordCount() const { return int(m_rows.size()); }
    bool isEmpty() const { return m_rows.empty(); }
    // Moves to the first row whose field equals value; the cursor stays put when none.
    bool locate(const QString& fieldName, const QVariant& value, bool caseInsensitive = false);

    // Editing the current row.
    void edit();
    void post();
    void cancel();
    void append();
    void insert();
    void deleteRecord();

    // Counted. While the count is above zero observers hear nothing (but Destroying);
    // bringing it back to zero sends one Refresh.
    void disableControls();
    void enableControls();
    bool controlsDisabled() const { return m_disableCount > 0; }

    // Keeps controls disabled for a scope, restoring them when an exception leaves it.
    class ControlsGuard {
    public:
        explicit ControlsGuard(TDataSet& dataSet)
            : m_dataSet(dataSet) {
            dataSet.disableControls();
        }
        ~ControlsGuard() { m_dataSet.enableControls(); }
        ControlsGuard(const ControlsGuard&) = delete;
        ControlsGuard& operator=(const ControlsGuard&) = delete;

    private:
        TDataSet& m_dataSet;
    };

    // Makes fields read row `index` (0-based) without moving the cursor or notifying
    // anyone: a grid drawing one row. Restored when the scope ends.
    class DisplayRow {
    public:
        DisplayRow(TDataSet& dataSet, int index);
        ~DisplayRow();
        DisplayRow(const DisplayRow&) = delete;
        DisplayRow& operator=(const DisplayRow&) = delete;

    private:
        TDataSet& m_dataSet;
        int m_previous;
    };
    // The row fields read: the display row when one is set, else the cursor row; -1 when
    // there is none.
    int activeRow() const { return m_displayRow >= 0 ? m_displayRow : m_cursor; }

    int addObserver(Observer observer);
    void removeObserver(int id);

    // Raw access for fields and subclasses.
    QVariant cellValue(int row, const TField& field) const;
    void setCellValue(TField& field, const QVariant& value);

protected:
    // Produces the packet loaded on open. The base gives no rows with the persistent fields.
    virtual TDataPacket produceData();
    // Change-log hooks; the base keeps no log. `original` is the row before the edit.
    virtual void rowPosted(int rowId, const TRow& original, const TRow& current, bool inserted);
    virtual void rowDeleted(int rowId, const TRow& values, bool inserted);
    virtual void closed() {}

    void notify(TDataEvent event);
    void checkActive() const;
    // Rows in storage order (packet columns first, then persistent fields the packet
    // lacked); field(i) reads column columnOf(i).
    std::vector<TRow>& rows() { return m_rows; }
    const std::vector<TRow>& rows() const { return m_rows; }
    std::vector<int>& rowIds() { return m_rowIds; }
    int nextRowId() { return m_nextRowId++; }
    // A row converted to field order.
    TRow rowInFieldOrder(const TRow& stored) const;
    void restoreRows(std::vector<TRow> rows, std::vector<int> ids);

private:
    void load(TDataPacket&& packet);
    void removeDynamicFields();
    void checkBrowseMode();
    void moveTo(int index);
    void setState(TDataSetState state);
    void checkRequired() const;
    void startInsert(int position);

    std::vector<std::unique_ptr<TField>> m_ownedFields;
    std::vector<TField*> m_fieldList;
    std::vector<TRow> m_rows;
    std::vector<int> m_rowIds;
    int m_nextRowId = 0;
    int m_storageWidth = 0;
    int m_cursor = -1;
    int m_displayRow = -1;
    bool m_bof = true;
    bool m_eof = true;
    TDataSetState m_state = TDataSetState::dsInactive;
    TRow m_editOriginal; // the row as it was when editing began
    int m_cursorBeforeInsert = -1;
    int m_disableCount = 0;
    struct ObserverEntry {
        int id;
        Observer observer;
    };
    std::vector<ObserverEntry> m_observers;
    int m_nextObserverId = 1;
};
