#pragma once

#include "protocol/RemoteValue.h"

#include <optional>
#include <QList>
#include <QString>
#include <QVariant>

class ServerSql;

// The carrier rows the billing screen edited (its change log of DIRETORIOS), as upserts
// keyed by CDPROGRAMA: a row edited from one key to another never renames or removes the
// first key's row, and a deleted row is removed. Only carrier rows ("ZEL" and a company's
// abbreviation) may be touched: the other rows are the server's settings.
class CarrierUpserts {
public:
    // Null: no change. Nothing when the value is not a change packet of carrier rows (no
    // CDPROGRAMA field, a row without its values, a key that is not "ZEL" and up to five
    // characters, a too long text).
    static std::optional<CarrierUpserts> decode(const protocol::RemoteValue& value);

    // The rows of the packet, in its order; none for null.
    qsizetype size() const { return m_steps.size(); }

    // All in one transaction of its own (a packet without rows too): the carrier choice is
    // kept whatever follows. Nothing for null. A key whose abbreviation is no company's
    // raises "Chamada inválida: CalculaApuracao" and nothing is applied.
    void apply(const ServerSql& sql) const;

private:
    struct Step {
        bool remove;
        QString key;
        QVariant value; // a null text when the row has none
    };

    bool m_packet = false;
    QList<Step> m_steps;
};
