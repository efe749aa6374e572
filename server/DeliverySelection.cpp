#include "server/DeliverySelection.h"

#include "server/ServerSql.h"

#include <QSet>

namespace {

bool byFlights(const QString& type) {
    return type == QLatin1String("02") || type == QLatin1String("03") ||
           type == QLatin1String("12");
}

QStringList keyColumnsOf(const QString& type) {
    if (type == QLatin1String("02"))
        return {QStringLiteral("NRVOO")};
    if (type == QLatin1String("03"))
        return {QStringLiteral("NRVOO"), QStringLiteral("SGBASEORI"), QStringLiteral("SGBASEDES")};
    if (type == QLatin1String("10"))
        return {QStringLiteral("CDLOCAFATCIA")};
    return {};
}

} // namespace

DeliverySelection::DeliverySelection(const Criteria& c)
    : m_keyColumns(keyColumnsOf(c.type)) {
    m_where = QStringLiteral("CDFILIAL = :sel_filial AND CDCIA = :sel_cdcia "
                             "AND DTDELIVERY >= :sel_start AND DTDELIVERY <= :sel_end "
                             "AND NRAPURACFAT IS NULL");
    m_binds = {{QStringLiteral("sel_filial"), c.filial},
               {QStringLiteral("sel_cdcia"), c.cdcia},
               {QStringLiteral("sel_start"), ServerSql::bindDate(c.start)},
               {QStringLiteral("sel_end"), ServerSql::bindDate(c.end)}};
    if (!c.grupo.isEmpty()) {
        m_where += QStringLiteral(" AND CDGRUPPROD = :sel_grupo");
        m_binds.append({QStringLiteral("sel_grupo"), c.grupo});
    }
    if (byFlights(c.type) && !c.allFlights)
        addList(QStringLiteral("NRVOO"), entries(c.flights), QStringLiteral("sel_voo"));
    const QStringList locations = entries(c.locations);
    if (c.type == QLatin1String("10") && !locations.isEmpty())
        addList(QStringLiteral("CDLOCAFATCIA"), locations, QStringLiteral("sel_local"));
}

DeliverySelection::Binds DeliverySelection::bindsFor(const QDate& from, const QDate& to) const {
    Binds binds = m_binds;
    for (auto& [name, value] : binds) {
        if (name == QLatin1String("sel_start"))
            value = ServerSql::bindDate(from);
        else if (name == QLatin1String("sel_end"))
            value = ServerSql::bindDate(to);
    }
    return binds;
}

// An empty list selects nothing, like a screen that checked no flight.
void DeliverySelection::addList(const QString& column, const QStringList& values,
                                const QString& prefix) {
    if (values.size() > kMaxListed) {
        m_listTooLong = true;
        return;
    }
    if (values.isEmpty()) {
        m_where += QStringLiteral(" AND 1 = 0");
        return;
    }
    QStringList names;
    for (qsizetype i = 0; i < values.size(); ++i) {
        const QString name = prefix + QString::number(i);
        names.append(QLatin1Char(':') + name);
        m_binds.append({name, values[i]});
    }
    m_where += QStringLiteral(" AND %1 IN (%2)").arg(column, names.join(QStringLiteral(", ")));
}

QStringList DeliverySelection::entries(const QString& list) {
    QStringList result;
    QSet<QString> seen;
    for (const QString& entry : list.split(QLatin1Char('_'), Qt::SkipEmptyParts)) {
        if (!seen.contains(entry)) {
            seen.insert(entry);
            result.append(entry);
        }
    }
    return result;
}
