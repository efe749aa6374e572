#include "server/CarrierUpserts.h"

#include "server/ServerFailure.h"
#include "server/ServerSql.h"
#include "server/SqlTransaction.h"

using protocol::RemoteValue;

namespace {

// The columns of DIRETORIOS.
constexpr qsizetype kKeyWidth = 8;
constexpr qsizetype kValueWidth = 100;
// A carrier row is "ZEL" followed by a company's abbreviation.
const QString kCarrierPrefix = QStringLiteral("ZEL");

} // namespace

std::optional<CarrierUpserts> CarrierUpserts::decode(const RemoteValue& value) {
    CarrierUpserts upserts;
    if (value.isNull())
        return upserts;
    if (value.type() != RemoteValue::Type::ChangePacket)
        return std::nullopt;
    upserts.m_packet = true;
    const TChangePacket& packet = value.changePacket();
    int keyIndex = -1;
    int valueIndex = -1;
    for (qsizetype i = 0; i < packet.fields.size(); ++i) {
        if (packet.fields[i].name.compare(QLatin1String("CDPROGRAMA"), Qt::CaseInsensitive) == 0)
            keyIndex = int(i);
        else if (packet.fields[i].name.compare(QLatin1String("DSDIRETORIO"), Qt::CaseInsensitive) ==
                 0)
            valueIndex = int(i);
    }
    if (keyIndex < 0)
        return std::nullopt;
    for (const TChangePacket::Change& change : packet.changes) {
        const bool remove = change.kind == TChangePacket::Kind::Delete;
        const std::optional<TRow>& row = remove ? change.oldValues : change.newValues;
        if (!row || row->size() <= keyIndex)
            return std::nullopt;
        QVariant key = row->at(keyIndex);
        if (key.isNull() && change.oldValues && change.oldValues->size() > keyIndex)
            key = change.oldValues->at(keyIndex);
        const QVariant newValue =
            valueIndex >= 0 && valueIndex < row->size() ? row->at(valueIndex) : QVariant();
        const QString keyText = key.toString();
        // Only carrier rows: other rows of the table are the server's own settings.
        if (!keyText.startsWith(kCarrierPrefix) || keyText.size() == kCarrierPrefix.size() ||
            keyText.size() > kKeyWidth || newValue.toString().size() > kValueWidth)
            return std::nullopt;
        upserts.m_steps.append({remove, keyText,
                                newValue.isNull() ? QVariant(QMetaType::fromType<QString>())
                                                  : QVariant(newValue.toString())});
    }
    return upserts;
}

void CarrierUpserts::apply(const ServerSql& sql) const {
    if (!m_packet)
        return;
    SqlTransaction transaction(sql);
    // Every key names a company, or nothing of the packet is applied.
    for (const Step& step : m_steps) {
        const QVariant known = sql.scalar(
            QStringLiteral("SELECT COUNT(*) FROM COMPANHIA WHERE UPPER(SGCIA) = UPPER(:sigla)"),
            {{"sigla", step.key.mid(kCarrierPrefix.size())}});
        if (known.toInt() == 0)
            throw ServerFailure(QStringLiteral("Chamada inválida: CalculaApuracao"));
    }
    for (const Step& step : m_steps) {
        if (step.remove)
            sql.change(QStringLiteral("DELETE FROM DIRETORIOS WHERE CDPROGRAMA = :key"),
                       {{"key", step.key}});
        else
            sql.change(QStringLiteral("INSERT INTO DIRETORIOS (CDPROGRAMA, DSDIRETORIO) "
                                      "VALUES (:key, :value) ON CONFLICT (CDPROGRAMA) "
                                      "DO UPDATE SET DSDIRETORIO = excluded.DSDIRETORIO"),
                       {{"key", step.key}, {"value", step.value}});
    }
    transaction.commit();
}
