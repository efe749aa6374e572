#include "server/DemoActivity.h"

#include "server/BulkInsert.h"
#include "server/DemoCalendar.h"
#include "server/Numerador.h"
#include "server/ServerSql.h"

#include <algorithm>
#include <QMap>

namespace {

QString iso(const QDate& d) {
    return d.toString(Qt::ISODate);
}

QString isoTime(const QDateTime& t) {
    return t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

const QString kHome = QStringLiteral("0001");
// Weeks of the airport-fee company's computations, two product groups each.
constexpr int kFeeWeeks = 14;
constexpr int kChargedAlready = 2;

} // namespace

DemoActivity::DemoActivity(QSqlDatabase db, const QDate& today)
    : m_db(db)
    , m_today(today)
    , m_random(0xDE30DA7A) {}

QString DemoActivity::deliveryNumber(qint64 n) {
    return QStringLiteral("D%1").arg(n, 11, 10, QLatin1Char('0'));
}

std::vector<DemoActivity::Company> DemoActivity::companies() {
    ServerSql sql(m_db);
    std::vector<Company> list;
    QSqlQuery q = sql.exec(QStringLiteral(
        "SELECT CF.CDFILIAL, CF.CDCIA, C.SGCIA, C.CDCLIENTE, F.IDTIPEMNF, CF.CDSERIE, "
        "CF.DTULTFECH, CF.QTDIASFATURA, CF.IDCALCPROXFAT FROM CIAFILI CF "
        "JOIN COMPANHIA C ON C.CDCIA = CF.CDCIA JOIN FORMEMISNF F ON F.CDTIPEMNF = CF.CDTIPEMNF "
        "ORDER BY CF.CDCIA, CF.CDFILIAL"));
    while (q.next()) {
        Company c{q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                  q.value(3).toString(), q.value(4).toString(), q.value(5).toString()};
        c.lastClosing = ServerSql::toDate(q.value(6));
        c.billingDays = q.value(7).toInt();
        c.proposesClosing = q.value(8).toString() == QLatin1String("S");
        list.push_back(c);
    }
    for (Company& c : list) {
        QSqlQuery legs =
            sql.exec(QStringLiteral("SELECT NRVOO, SGBASEORI, SGBASEDES FROM VOOTRECHO "
                                    "WHERE CDFILIAL = :filial AND CDCIA = :cdcia "
                                    "ORDER BY 1, 2, 3"),
                     {{"filial", c.filial}, {"cdcia", c.cdcia}});
        while (legs.next())
            c.legs.append(
                {legs.value(0).toString(), legs.value(1).toString(), legs.value(2).toString()});
        QSqlQuery places =
            sql.exec(QStringLiteral("SELECT CDLOCAFATCIA FROM LOCALFATCIA WHERE "
                                    "CDFILIAL = :filial AND CDCIA = :cdcia ORDER BY 1"),
                     {{"filial", c.filial}, {"cdcia", c.cdcia}});
        while (places.next())
            c.locations.append(places.value(0).toString());
        QList<int> days;
        QSqlQuery closings = sql.exec(QStringLiteral("SELECT DIFECHCIA FROM PERFECHAM WHERE "
                                                     "CDFILIAL = :filial AND CDCIA = :cdcia"),
                                      {{"filial", c.filial}, {"cdcia", c.cdcia}});
        while (closings.next())
            days.append(closings.value(0).toInt());
        c.closing = DemoCalendar::closedBy(m_today, days).end;
    }
    return list;
}

QDate DemoActivity::proposedStart(const Company& c) const {
    return c.proposesClosing ? c.lastClosing.addDays(1) : m_today;
}

QDate DemoActivity::proposedEnd(const Company& c) const {
    return c.proposesClosing ? c.closing : m_today;
}

void DemoActivity::write() {
    for (const Company& c : companies()) {
        if (c.legs.isEmpty() || c.locations.isEmpty())
            continue;
        const bool home = c.filial == kHome;
        const QStringList groups =
            c.form == QLatin1String("09")
                ? QStringList{QStringLiteral("CARGA"), QStringLiteral("PEREC")}
                : QStringList{QString()};
        if (home && c.sgcia == QLatin1String("PNT")) {
            writeFeeHistory(c, groups);
        } else {
            // The month before the proposed period, billed already.
            Computation last;
            last.start = c.lastClosing.addMonths(-1).addDays(1);
            last.end = c.lastClosing;
            last.billing = std::min(c.lastClosing.addDays(c.billingDays), m_today);
            last.started = QDateTime(last.end.addDays(1), QTime(9, 30));
            last.issued = home && c.sgcia == QLatin1String("AZC");
            std::vector<Delivery> taken = deliveriesOf(c, last.start, last.end, groups, 0);
            compute(c, last, taken);
        }
        // The proposed period: a few legs of the larger companies have nothing in it.
        const int emptyLegs = c.legs.size() >= 5 ? 1 : 0;
        std::vector<Delivery> open =
            deliveriesOf(c, proposedStart(c), proposedEnd(c), groups, emptyLegs);
        if (home && c.sgcia == QLatin1String("NDT"))
            open.front().billable = false;
        Computation stuck;
        stuck.start = proposedStart(c);
        stuck.end = proposedEnd(c);
        stuck.billing = m_today;
        if (home && c.sgcia == QLatin1String("VBR")) {
            stuck.status = QStringLiteral("P"); // the server went away in the middle of it
            stuck.started = QDateTime(m_today.addDays(-1), QTime(17, 30));
            compute(c, stuck, open);
        } else if (home && c.sgcia == QLatin1String("TRZ")) {
            stuck.status = QStringLiteral("E");
            stuck.started = QDateTime(m_today.addDays(-1), QTime(15, 10));
            stuck.error = QStringLiteral("deliveries tomadas por outra apuração durante o cálculo");
            compute(c, stuck, open);
        } else {
            keep(c, open, QString(), {});
        }
    }
    flush();
}

// Weekly computations by product group over the weeks up to the last closing; their
// invoices wait for the airport fee, the oldest already charged.
void DemoActivity::writeFeeHistory(const Company& c, const QStringList& groups) {
    QStringList invoices;
    for (int week = kFeeWeeks - 1; week >= 0; --week) {
        Computation weekly;
        weekly.end = c.lastClosing.addDays(-7 * week);
        weekly.start = weekly.end.addDays(-6);
        weekly.billing = weekly.end.addDays(1);
        weekly.started = QDateTime(weekly.billing, QTime(8, 15));
        for (const QString& group : groups) {
            weekly.group = group;
            std::vector<Delivery> taken = deliveriesOf(c, weekly.start, weekly.end, {group}, 0);
            invoices += compute(c, weekly, taken);
        }
    }
    writeFees(c, invoices.mid(0, kChargedAlready));
}

std::vector<DemoActivity::Delivery> DemoActivity::deliveriesOf(const Company& c, const QDate& start,
                                                               const QDate& end,
                                                               const QStringList& groups,
                                                               int emptyLegs) {
    std::vector<Delivery> out;
    const qint64 days = start.daysTo(end);
    if (days < 0)
        return out;
    for (qsizetype leg = 0; leg < c.legs.size() - emptyLegs; ++leg) {
        const qint64 count = m_random.between(1, 3) + (days > 7 ? 2 : 0);
        for (qint64 i = 0; i < count; ++i) {
            Delivery d;
            d.number = deliveryNumber(m_nextDelivery++);
            d.leg = c.legs[leg];
            d.location = c.locations[m_random.between(0, c.locations.size() - 1)];
            d.group = groups[m_random.between(0, groups.size() - 1)];
            d.date = start.addDays(m_random.between(0, days));
            d.cents = m_random.between(5000, 900000);
            out.push_back(d);
        }
    }
    return out;
}

QString DemoActivity::invoiceKey(const Company& c, const Delivery& d) {
    if (c.form == QLatin1String("02"))
        return d.leg[0];
    if (c.form == QLatin1String("03"))
        return d.leg.join(u'|');
    if (c.form == QLatin1String("10"))
        return d.location;
    return QString();
}

QStringList DemoActivity::compute(const Company& c, const Computation& computation,
                                  std::vector<Delivery>& taken) {
    const QString nr = Numerador::format(m_nextComputation++);
    const qint64 pedido = ++m_pedidos[c.filial + u'/' + c.cdcia];
    m_computations.push_back(
        {nr, "F", kHome, c.filial, c.cdcia, c.cliente, iso(computation.start), iso(computation.end),
         iso(computation.billing), c.serie, "J", "45997418000153",
         computation.group.isEmpty() ? QVariant() : QVariant(computation.group),
         QString::number(pedido), computation.status, isoTime(computation.started),
         computation.error.isEmpty() ? QVariant() : QVariant(computation.error),
         QStringLiteral("faturamento")});
    if (computation.status != QLatin1String("F")) {
        keep(c, taken, QString(), {});
        return {};
    }
    // One invoice per key, numbered in key order, with the sums of its deliveries.
    QMap<QString, std::pair<qint64, qint64>> sums;
    for (const Delivery& d : taken) {
        auto& sum = sums[invoiceKey(c, d)];
        sum.first += d.cents;
        sum.second += d.cents * 10 / 55;
    }
    QMap<QString, QString> invoiceOf;
    QStringList numbers;
    for (auto it = sums.begin(); it != sums.end(); ++it) {
        const QString nf = Numerador::format(m_nextInvoice++);
        invoiceOf.insert(it.key(), nf);
        numbers.append(nf);
        const Delivery& first = *std::find_if(taken.begin(), taken.end(), [&](const Delivery& d) {
            return invoiceKey(c, d) == it.key();
        });
        const bool byFlight = c.form == QLatin1String("02") || c.form == QLatin1String("03");
        m_invoices.push_back({nf, c.filial, nr, c.cliente, c.cdcia, c.serie,
                              iso(computation.billing), it.value().first, it.value().second,
                              byFlight ? QVariant(first.leg[0]) : QVariant(),
                              c.form == QLatin1String("10") ? QVariant(first.location) : QVariant(),
                              QVariant(), computation.issued ? "S" : "N"});
        m_invoiceValues.insert(nf, it.value());
    }
    keep(c, taken, nr, invoiceOf);
    return numbers;
}

void DemoActivity::keep(const Company& c, const std::vector<Delivery>& deliveries,
                        const QString& nr, const QMap<QString, QString>& invoiceOf) {
    for (const Delivery& d : deliveries) {
        const QString nf = nr.isEmpty() ? QString() : invoiceOf.value(invoiceKey(c, d));
        m_deliveries.push_back(
            {d.number, c.filial, c.cdcia, iso(d.date), d.leg[0], d.leg[1], d.leg[2], d.location,
             d.group.isEmpty() ? QVariant() : QVariant(d.group), d.cents, d.cents * 10 / 55,
             d.billable ? QVariant(QStringLiteral("FD%1").arg(d.number.mid(2))) : QVariant(),
             nr.isEmpty() ? QVariant() : QVariant(nr), nf.isEmpty() ? QVariant() : QVariant(nf)});
    }
}

// A fee computation of the airport-fee group (2.5 %) on `invoices`.
void DemoActivity::writeFees(const Company& c, const QStringList& invoices) {
    if (invoices.isEmpty())
        return;
    const QString nr = Numerador::format(m_nextComputation++);
    const QDate billing = c.lastClosing.addDays(-7 * (kFeeWeeks - 2));
    m_computations.push_back(
        {nr, "T", kHome, c.filial, c.cdcia, c.cliente, iso(billing.addDays(-14)), iso(billing),
         iso(billing), c.serie, "J", "45997418000153", "TAXAAERO", QVariant(), "F",
         isoTime(QDateTime(billing, QTime(11, 0))), QVariant(), QStringLiteral("faturamento")});
    // Half up to the cent, as the server charges it.
    const auto fee = [](qint64 cents) { return (cents * 25 + 500) / 1000; };
    for (const QString& original : invoices) {
        const auto [value, foreign] = m_invoiceValues.value(original);
        m_invoices.push_back({Numerador::format(m_nextInvoice++), c.filial, nr, c.cliente, c.cdcia,
                              c.serie, iso(billing), fee(value), fee(foreign), QVariant(),
                              QVariant(), original, "N"});
    }
}

void DemoActivity::flush() {
    const auto insert = [&](const QString& table, const QStringList& columns,
                            const std::vector<QVariantList>& rows) {
        BulkInsert bulk(m_db, table, columns);
        for (const QVariantList& row : rows)
            bulk.add(row);
        bulk.finish();
    };
    insert(QStringLiteral("CTRLAPURFAT"),
           {"NRAPURACFAT", "IDTIPAPUR", "CDFILIALTRAB", "CDFILIAL", "CDCIA", "CDCLIENTE",
            "DTINIAPURAC", "DTFIMAPURAC", "DTFATURA", "CDSERIE", "IDTPIJURTRAN", "NRINSJURTRAN",
            "CDGRUPPROD", "NRPEDIDO", "IDSTATUS", "DTHRINICIO", "DSERRO", "CDUSUARIO"},
           m_computations);
    insert(QStringLiteral("NOTAFISCAL"),
           {"NRLANCTONF", "CDFILIAL", "NRAPURACFAT", "CDCLIENTE", "CDCIA", "CDSERIE", "DTENTRSAID",
            "VRNOTAFISC", "VRTTMOEDESTR", "NRVOO", "CDLOCAFATCIA", "NRLANCTONFORIG", "IDEMITIDA"},
           m_invoices);
    insert(QStringLiteral("DELIVERY"),
           {"NRDELIVERY", "CDFILIAL", "CDCIA", "DTDELIVERY", "NRVOO", "SGBASEORI", "SGBASEDES",
            "CDLOCAFATCIA", "CDGRUPPROD", "VRSERVICO", "VRMOEDESTR", "NRFATURAMENTO", "NRAPURACFAT",
            "NRLANCTONF"},
           m_deliveries);
    std::vector<QVariantList> counters;
    for (const auto& [pair, last] : m_pedidos)
        counters.push_back(
            {pair.section(u'/', 0, 0), QStringLiteral("PEDIDO.") + pair.section(u'/', 1), last});
    insert(QStringLiteral("NUMERADOR"), {"CDFILIAL", "NMSEQ", "NRULTIMO"}, counters);
}
