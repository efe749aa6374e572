#include "server/ComputationCancel.h"

#include "server/ServerFailure.h"
#include "server/ServerSql.h"
#include "server/SqlTransaction.h"

#include <QRegularExpression>

ComputationCancel::ComputationCancel(QSqlDatabase db, int leaseSeconds, QString user)
    : m_db(std::move(db))
    , m_leaseSeconds(leaseSeconds)
    , m_user(std::move(user)) {}

QString ComputationCancel::cancel(const QString& number) const {
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,10}$"));
    if (!digits.match(number).hasMatch())
        throw ServerFailure(QStringLiteral("Apuração %1 não encontrada.").arg(number));
    const QString nr = number.rightJustified(10, QLatin1Char('0'));
    // Read once without a lock first: on SQLite the transaction below waits for any
    // writer, and a computation under way is the writer most likely to be found.
    check(number, nr, Lock::None);

    const ServerSql sql(m_db);
    SqlTransaction transaction(sql);
    const QString kind = check(number, nr, Lock::Row);
    if (kind == QLatin1String("F"))
        sql.change(QStringLiteral("UPDATE DELIVERY SET NRAPURACFAT = NULL, NRLANCTONF = NULL "
                                  "WHERE NRAPURACFAT = :nr"),
                   {{"nr", nr}});
    const int deleted =
        sql.change(QStringLiteral("DELETE FROM NOTAFISCAL WHERE NRAPURACFAT = :nr"), {{"nr", nr}});
    sql.change(QStringLiteral("UPDATE CTRLAPURFAT SET IDSTATUS = 'C', DTHRCANCEL = :now, "
                              "CDUSUCANC = :user WHERE NRAPURACFAT = :nr"),
               {{"now", ServerSql::bindDateTime(QDateTime::currentDateTime())},
                {"user", ServerSql::textNotNull(m_user)},
                {"nr", nr}});
    transaction.commit();
    return QStringLiteral("Apuração %1 cancelada: %2 notas fiscais apagadas.").arg(nr).arg(deleted);
}

QString ComputationCancel::check(const QString& number, const QString& nr, Lock lock) const {
    const ServerSql sql(m_db);
    // SQLite's write transaction already holds the whole database.
    const bool forUpdate = lock == Lock::Row && sql.dialect() == TDialect::PostgreSQL;
    QSqlQuery row = sql.exec(QStringLiteral("SELECT IDSTATUS, DTHRINICIO, IDTIPAPUR FROM "
                                            "CTRLAPURFAT WHERE NRAPURACFAT = :nr%1")
                                 .arg(forUpdate ? QStringLiteral(" FOR UPDATE") : QString()),
                             {{"nr", nr}});
    if (!row.next())
        throw ServerFailure(QStringLiteral("Apuração %1 não encontrada.").arg(number));
    const QString status = row.value(0).toString();
    const QDateTime started = ServerSql::toDateTime(row.value(1));
    const QString kind = row.value(2).toString();
    row.finish();
    if (status == QLatin1String("C"))
        throw ServerFailure(QStringLiteral("A apuração %1 já foi cancelada.").arg(nr));
    if (status == QLatin1String("P") &&
        started > QDateTime::currentDateTime().addSecs(-m_leaseSeconds))
        throw ServerFailure(QStringLiteral("A apuração %1 está em andamento; aguarde o fim ou o "
                                           "prazo de %2 segundos.")
                                .arg(nr)
                                .arg(m_leaseSeconds));
    const QVariant issued =
        sql.scalar(QStringLiteral("SELECT MIN(NRLANCTONF) FROM NOTAFISCAL "
                                  "WHERE NRAPURACFAT = :nr AND IDEMITIDA = 'S'"),
                   {{"nr", nr}});
    if (!issued.isNull())
        throw ServerFailure(QStringLiteral("A apuração %1 tem nota fiscal emitida (%2) e não pode "
                                           "ser cancelada.")
                                .arg(nr, issued.toString()));
    if (kind == QLatin1String("F")) {
        QSqlQuery fee =
            sql.exec(QStringLiteral("SELECT N.NRLANCTONF, T.NRAPURACFAT FROM NOTAFISCAL N "
                                    "JOIN NOTAFISCAL T ON T.NRLANCTONFORIG = N.NRLANCTONF "
                                    "JOIN CTRLAPURFAT C ON C.NRAPURACFAT = T.NRAPURACFAT "
                                    "WHERE N.NRAPURACFAT = :nr AND C.IDSTATUS <> 'C' "
                                    "ORDER BY N.NRLANCTONF, T.NRAPURACFAT"),
                     {{"nr", nr}});
        if (fee.next())
            throw ServerFailure(
                QStringLiteral("A nota fiscal %1 da apuração %2 tem taxa "
                               "aeroportuária na apuração %3; cancele aquela antes.")
                    .arg(fee.value(0).toString(), nr, fee.value(1).toString()));
    }
    return kind;
}
