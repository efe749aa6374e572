#include "platform/TClientDataSet.h"

#include <algorithm>

void TClientDataSet::setData(TDataPacket&& packet) {
    close();
    m_pending = std::move(packet);
    try {
        open();
    } catch (...) {
        m_pending.reset();
        throw;
    }
}

TDataPacket TClientDataSet::produceData() {
    clearLog();
    if (!m_pending)
        return TDataSet::produceData();
    TDataPacket packet = std::move(*m_pending);
    m_pending.reset();
    return packet;
}

void TClientDataSet::closed() {
    clearLog();
}

TDataPacket TClientDataSet::data() const {
    TDataPacket packet;
    packet.fields = fieldDefs();
    packet.rows.reserve(rows().size());
    for (const TRow& row : rows())
        packet.rows.push_back(rowInFieldOrder(row));
    return packet;
}

void TClientDataSet::snapshotBeforeFirstChange() {
    if (m_originalRows)
        return;
    m_originalRows = rows();
    m_originalIds = rowIds();
}

void TClientDataSet::rowPosted(int rowId, const TRow& original, const TRow& current,
                               bool inserted) {
    if (auto it = m_logIndex.find(rowId); it != m_logIndex.end()) {
        // Already logged: an insert stays an insert, an update keeps its first original.
        m_log[*it].current = current;
        return;
    }
    // The snapshot must hold the rows as they were before this edit: the edited row with
    // its original values, and no row that was just inserted.
    if (!m_originalRows) {
        snapshotBeforeFirstChange();
        const auto it = std::find(m_originalIds.begin(), m_originalIds.end(), rowId);
        const auto i = it - m_originalIds.begin();
        if (it != m_originalIds.end() && inserted) {
            m_originalRows->erase(m_originalRows->begin() + i);
            m_originalIds.erase(it);
        } else if (it != m_originalIds.end()) {
            (*m_originalRows)[std::size_t(i)] = original;
        }
    }
    m_logIndex.insert(rowId, m_log.size());
    m_log.push_back({inserted ? TChangePacket::Kind::Insert : TChangePacket::Kind::Update, rowId,
                     inserted ? TRow() : original, current});
}

void TClientDataSet::rowDeleted(int rowId, const TRow& values, bool) {
    snapshotBeforeFirstChange();
    if (auto it = m_logIndex.find(rowId); it != m_logIndex.end()) {
        LogEntry& entry = m_log[*it];
        if (entry.kind == TChangePacket::Kind::Insert) {
            // Never reached the server: forget it.
            const std::size_t index = *it;
            m_log.erase(m_log.begin() + qsizetype(index));
            m_logIndex.clear();
            for (std::size_t i = 0; i < m_log.size(); ++i)
                m_logIndex.insert(m_log[i].rowId, i);
            return;
        }
        entry.kind = TChangePacket::Kind::Delete;
        entry.current.clear();
        return;
    }
    m_logIndex.insert(rowId, m_log.size());
    m_log.push_back({TChangePacket::Kind::Delete, rowId, values, TRow()});
}

TChangePacket TClientDataSet::delta() const {
    TChangePacket packet;
    packet.fields = fieldDefs();
    for (const LogEntry& entry : m_log) {
        TChangePacket::Change change;
        change.kind = entry.kind;
        if (entry.kind != TChangePacket::Kind::Insert)
            change.oldValues = rowInFieldOrder(entry.original);
        if (entry.kind != TChangePacket::Kind::Delete)
            change.newValues = rowInFieldOrder(entry.current);
        packet.changes.append(change);
    }
    return packet;
}

void TClientDataSet::clearLog() {
    m_log.clear();
    m_logIndex.clear();
    m_originalRows.reset();
    m_originalIds.clear();
}

void TClientDataSet::mergeChangeLog() {
    if (state() == TDataSetState::dsEdit || state() == TDataSetState::dsInsert)
        post();
    clearLog();
}

void TClientDataSet::cancelUpdates() {
    cancel();
    if (!m_originalRows)
        return;
    std::vector<TRow> rows = std::move(*m_originalRows);
    std::vector<int> ids = std::move(m_originalIds);
    clearLog();
    restoreRows(std::move(rows), std::move(ids));
}
