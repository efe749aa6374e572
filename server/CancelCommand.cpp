#include "server/CancelCommand.h"

#include "core/Exception.h"
#include "db/TDatabase.h"
#include "server/ServerSql.h"
#include "server/SqlTransaction.h"
#include "server/TrdmApuracaoZel.h"

namespace {

struct Options {
    QString url;
    QString number;
    int leaseSeconds = ServerOptions().leaseSeconds;
};

QString read(const CommandLine& line, Options* options) {
    options->url = line.value(QStringLiteral("db"));
    options->number = line.positionalArguments().value(0);
    if (line.isSet(QStringLiteral("lease"))) {
        bool numeric = false;
        options->leaseSeconds = line.value(QStringLiteral("lease")).toInt(&numeric);
        if (!numeric || options->leaseSeconds < 0)
            return QStringLiteral("--lease exige um número de segundos não negativo.");
    }
    if (options->url.isEmpty())
        return QStringLiteral("Informe o banco de dados com --db.");
    if (options->number.isEmpty())
        return QStringLiteral("Informe o número da apuração a cancelar.");
    return {};
}

// "42" → "0000000042"; anything but up to ten digits is refused.
QString normalized(const QString& number) {
    const QString trimmed = number.trimmed();
    bool digits = !trimmed.isEmpty() && trimmed.size() <= 10;
    for (QChar c : trimmed)
        digits = digits && c.isDigit();
    if (!digits)
        throw Exception(
            QStringLiteral("Número de apuração inválido: \"%1\" (até 10 dígitos).").arg(number));
    return trimmed.rightJustified(10, QLatin1Char('0'));
}

} // namespace

CommandLine CancelCommand::commandLine() {
    CommandLine line(
        QStringLiteral("zel-appserver cancel"), QStringLiteral("--db URL NRAPURACFAT [opções]"),
        QStringLiteral("Cancela uma apuração interrompida ou terminada com erro: apaga suas notas\n"
                       "fiscais não emitidas e libera suas deliveries. Uma apuração em andamento\n"
                       "(iniciada há menos de --lease segundos) não é cancelada."));
    line.addPositional(QStringLiteral("NRAPURACFAT"),
                       QStringLiteral("o número da apuração (até 10 dígitos)"));
    line.addOptions({
        {QStringLiteral("db"), QStringLiteral("o banco de dados"), QStringLiteral("URL")},
        {QStringLiteral("lease"),
         QStringLiteral("prazo de uma apuração em andamento (padrão %1)")
             .arg(ServerOptions().leaseSeconds),
         QStringLiteral("SEGUNDOS")},
    });
    return line;
}

int CancelCommand::run(const QStringList& args, QTextStream& out, QTextStream& err) {
    CommandLine line = commandLine();
    if (const std::optional<int> exit = line.parse(args, out, err))
        return *exit;
    Options options;
    const QString problem = read(line, &options);
    if (!problem.isEmpty())
        return line.usageError(problem, err);
    try {
        TDatabase database;
        database.open(options.url);
        out << cancel(database.database(), options.number, options.leaseSeconds) << '\n';
        out.flush();
        return ok;
    } catch (const Exception& e) {
        err << e.message() << '\n';
        err.flush();
        return failed;
    }
}

QString CancelCommand::cancel(QSqlDatabase db, const QString& number, int leaseSeconds) {
    const QString nr = normalized(number);
    const ServerSql sql(db);
    SqlTransaction transaction(sql);
    QSqlQuery row =
        sql.exec(QStringLiteral("SELECT IDSTATUS, DTHRINICIO, IDTIPAPUR FROM CTRLAPURFAT "
                                "WHERE NRAPURACFAT = :nr"),
                 {{"nr", nr}});
    if (!row.next())
        throw Exception(QStringLiteral("Apuração %1 não encontrada.").arg(nr));
    const QString status = row.value(0).toString();
    const QDateTime started = ServerSql::toDateTime(row.value(1));
    const QString kind = row.value(2).toString();
    row.finish();
    if (kind != QLatin1String("F"))
        throw Exception(QStringLiteral("A apuração %1 é de taxa aeroportuária; só se cancelam "
                                       "apurações de faturamento.")
                            .arg(nr));
    if (status == QLatin1String("F"))
        throw Exception(QStringLiteral("A apuração %1 foi concluída; só se cancela uma apuração "
                                       "interrompida ou terminada com erro.")
                            .arg(nr));
    if (status == QLatin1String("C"))
        throw Exception(QStringLiteral("A apuração %1 já foi cancelada.").arg(nr));
    const QDateTime limit = QDateTime::currentDateTime().addSecs(-leaseSeconds);
    if (status == QLatin1String("P") && started > limit)
        throw Exception(QStringLiteral("A apuração %1 está em andamento (iniciada em %2); aguarde "
                                       "o fim ou o prazo de %3 segundos.")
                            .arg(nr, started.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")))
                            .arg(leaseSeconds));
    // The same conditions again, under the row lock: a computation that got going meanwhile
    // keeps its row.
    if (sql.change(
            QStringLiteral("UPDATE CTRLAPURFAT SET IDSTATUS = 'C' WHERE NRAPURACFAT = :nr "
                           "AND (IDSTATUS = 'E' OR (IDSTATUS = 'P' AND DTHRINICIO <= :limit))"),
            {{"nr", nr}, {"limit", ServerSql::bindDateTime(limit)}}) != 1)
        throw Exception(
            QStringLiteral("A apuração %1 mudou de situação durante o cancelamento; tente de novo.")
                .arg(nr));
    // Issued invoices stay, and so do the deliveries they bill.
    const int freed = sql.change(
        QStringLiteral("UPDATE DELIVERY SET NRAPURACFAT = NULL, NRLANCTONF = NULL "
                       "WHERE NRAPURACFAT = :nr AND (NRLANCTONF IS NULL OR NRLANCTONF NOT IN "
                       "(SELECT NRLANCTONF FROM NOTAFISCAL WHERE NRAPURACFAT = :nr2 "
                       "AND IDEMITIDA = 'S'))"),
        {{"nr", nr}, {"nr2", nr}});
    const int deleted = sql.change(
        QStringLiteral("DELETE FROM NOTAFISCAL WHERE NRAPURACFAT = :nr AND IDEMITIDA = 'N'"),
        {{"nr", nr}});
    transaction.commit();
    return QStringLiteral("Apuração %1 cancelada: %2 nota(s) fiscal(is) não emitida(s) apagada(s), "
                          "%3 delivery(s) liberada(s).")
        .arg(nr)
        .arg(deleted)
        .arg(freed);
}
