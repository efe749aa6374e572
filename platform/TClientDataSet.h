#pragma once

#include "core/TChangePacket.h"
#include "platform/TDataSet.h"

#include <optional>
#include <QHash>

// A dataset filled from a server data packet, keeping a log of the changes made since
// the packet was loaded (or since the log was last merged) so that they can be sent back.
//
// Loading keeps the persistent fields (labels, visibility, handlers) and matches them to
// the packet's columns by name, whatever order the packet uses; packet columns no
// persistent field names are added as fields; a persistent field the packet lacks reads
// as null and can be written like any other.
class TClientDataSet : public TDataSet {
public:
    explicit TClientDataSet(TComponent* owner = nullptr)
        : TDataSet(owner) {}

    // Closes, then opens with the packet's rows (BeforeOpen/AfterOpen fire) and an empty
    // change log. The rows are moved, not copied.
    void setData(TDataPacket&& packet);
    // The current rows and fields, in field order.
    TDataPacket data() const;

    // Rows inserted, modified or deleted since the load: each row once.
    int changeCount() const { return int(m_log.size()); }
    // Every changed row once, in the order it was first changed: a modified row with the
    // values it had when loaded and its current ones, an inserted row with its current
    // values, a deleted row with the values it had when loaded. A row inserted and then
    // deleted is not in it.
    TChangePacket delta() const;
    // The current rows become the original ones.
    void mergeChangeLog();
    // Puts the rows back as they were when loaded (or last merged).
    void cancelUpdates();

protected:
    TDataPacket produceData() override;
    void rowPosted(int rowId, const TRow& original, const TRow& current, bool inserted) override;
    void rowDeleted(int rowId, const TRow& values, bool inserted) override;
    void closed() override;

private:
    struct LogEntry {
        TChangePacket::Kind kind;
        int rowId;
        TRow original; // storage order; empty for an insert
        TRow current;  // storage order; empty for a delete
    };

    void clearLog();

    std::optional<TDataPacket> m_pending;
    std::vector<LogEntry> m_log;
    QHash<int, std::size_t> m_logIndex; // row id -> entry
    // The ids of the rows as loaded, in their order, taken when the first change is
    // logged. The log keeps the original values of every changed or deleted row, so with
    // the unchanged current rows cancelUpdates can rebuild the loaded list without a copy
    // of every row.
    std::optional<std::vector<int>> m_originalIds;
};
