#include "platform/TDataSet.h"

#include "core/Exception.h"

#include <algorithm>
#include <numeric>

namespace {

[[noreturn]] void fail(const QString& message) {
    throw Exception(message);
}

} // namespace

TDataSet::TDataSet(TComponent* owner)
    : TComponent(owner) {}

TDataSet::~TDataSet() {
    // Observers must drop their pointers whatever the disable count is.
    const auto observers = m_observers;
    for (const auto& entry : observers)
        entry.observer(*this, TDataEvent::Destroying);
}

TField& TDataSet::addField(const TFieldDef& def) {
    if (active())
        fail(QStringLiteral("Não é possível declarar campos com o dataset aberto."));
    if (findField(def.name))
        fail(QStringLiteral("Campo '%1' declarado duas vezes.").arg(def.name));
    m_ownedFields.push_back(std::make_unique<TField>(*this, def, true));
    m_fieldList.push_back(m_ownedFields.back().get());
    return *m_fieldList.back();
}

TField* TDataSet::findField(const QString& name) const {
    for (TField* f : m_fieldList) {
        if (f->fieldName().compare(name, Qt::CaseInsensitive) == 0)
            return f;
    }
    return nullptr;
}

TField& TDataSet::fieldByName(const QString& name) const {
    TField* f = findField(name);
    if (!f)
        fail(QStringLiteral("Campo '%1' não encontrado.").arg(name));
    return *f;
}

TFieldDefs TDataSet::fieldDefs() const {
    TFieldDefs defs;
    defs.reserve(qsizetype(m_fieldList.size()));
    for (const TField* f : m_fieldList)
        defs.append(f->def());
    return defs;
}

// ---- open and close --------------------------------------------------------------

TDataPacket TDataSet::produceData() {
    TDataPacket packet;
    packet.fields = fieldDefs();
    return packet;
}

void TDataSet::open() {
    if (active())
        return;
    if (BeforeOpen)
        BeforeOpen(*this);
    load(produceData());
    m_state = TDataSetState::dsBrowse;
    m_cursor = m_rows.empty() ? -1 : 0;
    m_bof = true;
    m_eof = m_rows.empty();
    if (AfterOpen)
        AfterOpen(*this);
    notify(TDataEvent::Opened);
}

// Maps every field to a column of the packet's rows instead of reordering the rows, so
// a large packet is taken by moving its row vector.
void TDataSet::load(TDataPacket&& packet) {
    removeDynamicFields();
    const int width = int(packet.fields.size());
    std::vector<bool> matched(std::size_t(width), false);
    int extra = 0;
    for (TField* f : m_fieldList) {
        const int column = packet.fieldIndex(f->fieldName());
        if (column >= 0 && !matched[std::size_t(column)]) {
            matched[std::size_t(column)] = true;
            f->m_column = column;
            f->mergeDefinition(packet.fields[column]);
        } else {
            // Not in the packet: reads as null; rows grow to hold it when written.
            f->m_column = width + extra++;
        }
    }
    for (int c = 0; c < width; ++c) {
        if (matched[std::size_t(c)])
            continue;
        m_ownedFields.push_back(std::make_unique<TField>(*this, packet.fields[c], false));
        m_ownedFields.back()->m_column = c;
        m_fieldList.push_back(m_ownedFields.back().get());
    }
    m_storageWidth = width + extra;
    m_rows = std::move(packet.rows);
    m_rowIds.resize(m_rows.size());
    std::iota(m_rowIds.begin(), m_rowIds.end(), 0);
    m_nextRowId = int(m_rows.size());
}

void TDataSet::removeDynamicFields() {
    std::erase_if(m_fieldList, [](TField* f) { return !f->persistent(); });
    std::erase_if(m_ownedFields, [](const auto& f) { return !f->persistent(); });
}

void TDataSet::close() {
    if (!active())
        return;
    m_state = TDataSetState::dsInactive;
    m_editOriginal.clear();
    m_rows.clear();
    m_rowIds.clear();
    m_cursor = -1;
    m_displayRow = -1;
    m_bof = m_eof = true;
    removeDynamicFields();
    closed();
    notify(TDataEvent::Closed);
}

void TDataSet::checkActive() const {
    if (!active())
        fail(QStringLiteral("Operação não permitida: o dataset está fechado."));
}

// ---- cursor ------------------------------------------------------------------------

void TDataSet::checkBrowseMode() {
    checkActive();
    if (m_state == TDataSetState::dsEdit || m_state == TDataSetState::dsInsert)
        post();
}

void TDataSet::moveTo(int index) {
    const int before = m_cursor;
    m_cursor = index;
    if (before != m_cursor)
        notify(TDataEvent::CursorMoved);
}

void TDataSet::first() {
    checkBrowseMode();
    m_bof = true;
    m_eof = m_rows.empty();
    moveTo(m_rows.empty() ? -1 : 0);
}

void TDataSet::last() {
    checkBrowseMode();
    m_eof = true;
    m_bof = m_rows.empty();
    moveTo(int(m_rows.size()) - 1);
}

void TDataSet::next() {
    checkBrowseMode();
    if (m_cursor + 1 < int(m_rows.size())) {
        m_bof = m_eof = false;
        moveTo(m_cursor + 1);
    } else {
        m_eof = true;
    }
}

void TDataSet::prior() {
    checkBrowseMode();
    if (m_cursor > 0) {
        m_bof = m_eof = false;
        moveTo(m_cursor - 1);
    } else {
        m_bof = true;
    }
}

void TDataSet::setRecNo(int recNo) {
    checkActive();
    if (recNo < 1 || recNo > int(m_rows.size()) || recNo == m_cursor + 1)
        return;
    checkBrowseMode();
    m_bof = m_eof = false;
    moveTo(recNo - 1);
}

bool TDataSet::locate(const QString& fieldName, const QVariant& value, bool caseInsensitive) {
    checkBrowseMode();
    const TField& f = fieldByName(fieldName);
    QVariant wanted;
    try {
        wanted = f.convert(value);
    } catch (const Exception&) {
        return false; // a value the field cannot hold matches no row
    }
    const bool text = wanted.typeId() == QMetaType::QString;
    const Qt::CaseSensitivity cs = caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive;
    for (int r = 0; r < int(m_rows.size()); ++r) {
        const QVariant v = cellValue(r, f);
        bool equal;
        if (!wanted.isValid())
            equal = !v.isValid() || v.isNull();
        else if (text)
            equal = v.isValid() && v.toString().compare(wanted.toString(), cs) == 0;
        else
            equal = v.isValid() && !v.isNull() && f.convert(v) == wanted;
        if (equal) {
            m_bof = m_eof = false;
            moveTo(r);
            return true;
        }
    }
    return false;
}

// ---- values ------------------------------------------------------------------------

QVariant TDataSet::cellValue(int row, const TField& field) const {
    if (row < 0 || row >= int(m_rows.size()))
        return QVariant();
    const TRow& r = m_rows[std::size_t(row)];
    return field.m_column < r.size() ? r[field.m_column] : QVariant();
}

void TDataSet::setCellValue(TField& field, const QVariant& value) {
    if (m_state != TDataSetState::dsEdit && m_state != TDataSetState::dsInsert)
        fail(QStringLiteral("Dataset não está em modo de edição."));
    TRow& r = m_rows[std::size_t(m_cursor)];
    if (r.size() < m_storageWidth)
        r.resize(m_storageWidth);
    r.replace(field.m_column, value);
    notify(TDataEvent::RecordChanged);
}

TRow TDataSet::rowInFieldOrder(const TRow& stored) const {
    TRow row;
    row.reserve(qsizetype(m_fieldList.size()));
    for (const TField* f : m_fieldList)
        row.append(f->m_column < stored.size() ? stored.cell(f->m_column) : TCell());
    return row;
}

// ---- editing -----------------------------------------------------------------------

void TDataSet::setState(TDataSetState state) {
    if (m_state == state)
        return;
    m_state = state;
    notify(TDataEvent::StateChanged);
}

void TDataSet::edit() {
    checkActive();
    if (m_state == TDataSetState::dsEdit || m_state == TDataSetState::dsInsert)
        return;
    if (m_rows.empty()) {
        append();
        return;
    }
    m_editOriginal = m_rows[std::size_t(m_cursor)];
    setState(TDataSetState::dsEdit);
}

void TDataSet::startInsert(int position) {
    checkBrowseMode();
    m_cursorBeforeInsert = m_cursor;
    m_rows.insert(m_rows.begin() + position, TRow(m_storageWidth));
    m_rowIds.insert(m_rowIds.begin() + position, nextRowId());
    m_cursor = position;
    m_bof = m_eof = false;
    m_editOriginal.clear();
    setState(TDataSetState::dsInsert);
    notify(TDataEvent::DataChanged);
}

void TDataSet::append() {
    checkBrowseMode();
    startInsert(int(m_rows.size()));
}

void TDataSet::insert() {
    checkBrowseMode();
    startInsert(m_cursor < 0 ? 0 : m_cursor);
}

void TDataSet::checkRequired() const {
    for (const TField* f : m_fieldList) {
        if (f->required() && f->isNull())
            fail(QStringLiteral("Campo '%1' deve ser informado.").arg(f->displayLabel()));
    }
}

void TDataSet::post() {
    checkActive();
    if (m_state == TDataSetState::dsBrowse)
        return;
    checkRequired();
    const std::size_t i = std::size_t(m_cursor);
    const bool inserted = m_state == TDataSetState::dsInsert;
    TRow& current = m_rows[i];
    if (current.size() < m_storageWidth)
        current.resize(m_storageWidth);
    TRow original = std::move(m_editOriginal);
    m_editOriginal.clear();
    if (original.size() < m_storageWidth)
        original.resize(m_storageWidth);
    m_state = TDataSetState::dsBrowse;
    if (inserted || original != current)
        rowPosted(m_rowIds[i], original, current, inserted);
    notify(TDataEvent::StateChanged);
    notify(TDataEvent::DataChanged);
}

void TDataSet::cancel() {
    if (m_state == TDataSetState::dsEdit) {
        m_rows[std::size_t(m_cursor)] = std::move(m_editOriginal);
        m_editOriginal.clear();
        m_state = TDataSetState::dsBrowse;
    } else if (m_state == TDataSetState::dsInsert) {
        m_rows.erase(m_rows.begin() + m_cursor);
        m_rowIds.erase(m_rowIds.begin() + m_cursor);
        const int count = int(m_rows.size());
        m_cursor = count == 0 ? -1 : std::clamp(m_cursorBeforeInsert, 0, count - 1);
        m_bof = m_cursor <= 0;
        m_eof = count == 0;
        m_state = TDataSetState::dsBrowse;
    } else {
        return;
    }
    notify(TDataEvent::StateChanged);
    notify(TDataEvent::DataChanged);
}

void TDataSet::deleteRecord() {
    checkActive();
    if (m_state == TDataSetState::dsInsert) {
        cancel();
        return;
    }
    if (m_state == TDataSetState::dsEdit)
        cancel();
    if (m_rows.empty())
        fail(QStringLiteral("Não há registro para excluir."));
    const std::size_t i = std::size_t(m_cursor);
    rowDeleted(m_rowIds[i], m_rows[i], false);
    m_rows.erase(m_rows.begin() + m_cursor);
    m_rowIds.erase(m_rowIds.begin() + m_cursor);
    const int count = int(m_rows.size());
    if (m_cursor >= count)
        m_cursor = count - 1;
    m_eof = count == 0;
    m_bof = m_cursor <= 0;
    notify(TDataEvent::DataChanged);
}

void TDataSet::rowPosted(int, const TRow&, const TRow&, bool) {}

void TDataSet::rowDeleted(int, const TRow&, bool) {}

void TDataSet::restoreRows(std::vector<TRow> rows, std::vector<int> ids) {
    m_rows = std::move(rows);
    m_rowIds = std::move(ids);
    const int count = int(m_rows.size());
    m_cursor = count == 0 ? -1 : std::clamp(m_cursor, 0, count - 1);
    m_bof = m_cursor <= 0;
    m_eof = count == 0;
    notify(TDataEvent::DataChanged);
}

// ---- controls and observers --------------------------------------------------------

void TDataSet::disableControls() {
    ++m_disableCount;
}

void TDataSet::enableControls() {
    if (m_disableCount == 0)
        return;
    if (--m_disableCount == 0)
        notify(TDataEvent::Refresh);
}

TDataSet::DisplayRow::DisplayRow(TDataSet& dataSet, int index)
    : m_dataSet(dataSet)
    , m_previous(dataSet.m_displayRow) {
    dataSet.m_displayRow = index;
}

TDataSet::DisplayRow::~DisplayRow() {
    m_dataSet.m_displayRow = m_previous;
}

int TDataSet::addObserver(Observer observer) {
    const int id = m_nextObserverId++;
    m_observers.push_back({id, std::move(observer)});
    return id;
}

void TDataSet::removeObserver(int id) {
    std::erase_if(m_observers, [id](const ObserverEntry& e) { return e.id == id; });
}

void TDataSet::notify(TDataEvent event) {
    if (m_disableCount > 0)
        return;
    // A copy: an observer may remove itself or others while being told.
    const auto observers = m_observers;
    for (const auto& entry : observers)
        entry.observer(*this, event);
}
