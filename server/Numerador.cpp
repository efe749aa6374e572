#include "server/Numerador.h"

namespace {

// CDFILIAL of the counters that every branch shares.
const QString kAllBranches = QStringLiteral("*");
const QString kApuracao = QStringLiteral("APURACAO");
const QString kNotaFiscal = QStringLiteral("NOTAFISCAL");

QString pedidoSequence(const QString& cdcia) {
    return QStringLiteral("PEDIDO.") + cdcia;
}

} // namespace

Numerador::Numerador(const ServerSql& sql)
    : m_sql(sql) {}

qint64 Numerador::nextApuracao() {
    return reserve(kApuracao, QStringLiteral("CTRLAPURFAT"), QStringLiteral("NRAPURACFAT"), 1);
}

qint64 Numerador::reserveNotasFiscais(qint64 count) {
    return reserve(kNotaFiscal, QStringLiteral("NOTAFISCAL"), QStringLiteral("NRLANCTONF"), count);
}

qint64 Numerador::reserve(const QString& sequence, const QString& table, const QString& keyColumn,
                          qint64 count) {
    ensureShared(sequence, table, keyColumn);
    const QString where = QStringLiteral(" WHERE CDFILIAL = :filial AND NMSEQ = :seq");
    m_sql.change(QStringLiteral("UPDATE NUMERADOR SET NRULTIMO = NRULTIMO + :count") + where,
                 {{"count", count}, {"filial", kAllBranches}, {"seq", sequence}});
    const qint64 last = m_sql
                            .scalar(QStringLiteral("SELECT NRULTIMO FROM NUMERADOR") + where,
                                    {{"filial", kAllBranches}, {"seq", sequence}})
                            .toLongLong();
    return last - count + 1;
}

// A database without the shared counter starts it past every number in use, including
// counters kept per branch by older data.
void Numerador::ensureShared(const QString& sequence, const QString& table,
                             const QString& keyColumn) {
    const QVariant existing = m_sql.scalar(
        QStringLiteral("SELECT NRULTIMO FROM NUMERADOR WHERE CDFILIAL = :filial AND NMSEQ = :seq"),
        {{"filial", kAllBranches}, {"seq", sequence}});
    if (existing.isValid())
        return;
    const qint64 fromCounters =
        m_sql
            .scalar(QStringLiteral("SELECT MAX(NRULTIMO) FROM NUMERADOR WHERE NMSEQ = :seq"),
                    {{"seq", sequence}})
            .toLongLong();
    // Keys are zero-filled, so the largest text is the largest number.
    const qint64 fromKeys =
        m_sql.scalar(QStringLiteral("SELECT MAX(%1) FROM %2").arg(keyColumn, table)).toLongLong();
    m_sql.change(
        QStringLiteral("INSERT INTO NUMERADOR (CDFILIAL, NMSEQ, NRULTIMO) "
                       "VALUES (:filial, :seq, :last) "
                       "ON CONFLICT (CDFILIAL, NMSEQ) DO NOTHING"),
        {{"filial", kAllBranches}, {"seq", sequence}, {"last", qMax(fromCounters, fromKeys)}});
}

qint64 Numerador::lastPedido(const QString& filial, const QString& cdcia) const {
    return m_sql
        .scalar(QStringLiteral(
                    "SELECT NRULTIMO FROM NUMERADOR WHERE CDFILIAL = :filial AND NMSEQ = :seq"),
                {{"filial", filial}, {"seq", pedidoSequence(cdcia)}})
        .toLongLong();
}

void Numerador::advancePedido(const QString& filial, const QString& cdcia, qint64 number) {
    m_sql.change(QStringLiteral("INSERT INTO NUMERADOR (CDFILIAL, NMSEQ, NRULTIMO) "
                                "VALUES (:filial, :seq, :number) "
                                "ON CONFLICT (CDFILIAL, NMSEQ) DO UPDATE SET NRULTIMO = "
                                "excluded.NRULTIMO WHERE NUMERADOR.NRULTIMO < excluded.NRULTIMO"),
                 {{"filial", filial}, {"seq", pedidoSequence(cdcia)}, {"number", number}});
}

QString Numerador::format(qint64 number) {
    return QStringLiteral("%1").arg(number, 10, 10, QLatin1Char('0'));
}
