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

void TClientDataSet::rowPosted(int rowId, const TRow& original, const TRow& current,
                               bool inserted) {
    if (auto it = m_logIndex.find(rowId); it != m_logIndex.end()) {
        // Already logged: an insert stays an insert, an update keeps its first original.
        m_log[*it].current = current;
        return;
    }
    // The row just inserted was not among the loaded ones.
    if (!m_originalIds) {
        m_originalIds = rowIds();
        if (inserted)
            std::erase(*m_originalIds, rowId);
    }
    m_logIndex.insert(rowId, m_log.size());
    m_log.push_back({inserted ? TChangePacket::Kind::Insert : TChangePacket::Kind::Update, rowId,
                     inserted ? TRow() : original, current});
}

void TClientDataSet::rowDeleted(int rowId, const TRow& values, bool) {
    if (!m_originalIds)
        m_originalIds = rowIds();
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
    m_originalIds.reset();
}

void TClientDataSet::mergeChangeLog() {
    if (state() == TDataSetState::dsEdit || state() == TDataSetState::dsInsert)
        post();
    clearLog();
}

void TClientDataSet::cancelUpdates() {
    cancel();
    if (!m_originalIds)
        return;
    QHash<int, std::size_t> currentIndex;
    currentIndex.reserve(qsizetype(rowIds().size()));
    for (std::size_t i = 0; i < rowIds().size(); ++i)
        currentIndex.insert(rowIds()[i], i);
    // A loaded row is either in the log with its original values or still unchanged.
    std::vector<TRow> restored;
    std::vector<int> ids;
    restored.reserve(m_originalIds->size());
    ids.reserve(m_originalIds->size());
    for (const int id : *m_originalIds) {
        if (auto it = m_logIndex.find(id); it != m_logIndex.end())
            restored.push_back(std::move(m_log[*it].original));
        else if (auto at = currentIndex.find(id); at != currentIndex.end())
            restored.push_back(std::move(rows()[*at]));
        else
            continue;
        ids.push_back(id);
    }
    clearLog();
    restoreRows(std::move(restored), std::move(ids));
}
