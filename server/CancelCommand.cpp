#include "server/CancelCommand.h"

#include "core/Exception.h"
#include "core/SystemUser.h"
#include "db/TDatabase.h"
#include "server/ComputationCancel.h"
#include "server/SchemaVersion.h"
#include "server/ServeCommand.h"
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

} // namespace

CommandLine CancelCommand::commandLine() {
    CommandLine line(
        QStringLiteral("zel-appserver cancel"), QStringLiteral("--db URL NRAPURACFAT [opções]"),
        QStringLiteral(
            "Cancela uma apuração interrompida, terminada com erro ou concluída: apaga\n"
            "suas notas fiscais e libera suas deliveries. Não cancela uma apuração em\n"
            "andamento (iniciada há menos de --lease segundos), nem uma com nota fiscal\n"
            "emitida, nem uma cujas notas tenham taxa aeroportuária não cancelada."));
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
        const int found = SchemaVersion::bringUpToDate(database.database());
        if (found > 0 && found < SchemaVersion::kCurrent) {
            err << ServeCommand::upgradedText(found) << '\n';
            err.flush();
        }
        out << cancel(database.database(), options.number, options.leaseSeconds) << '\n';
        out.flush();
        return ok;
    } catch (const Exception& e) {
        err << e.message() << '\n';
        err.flush();
        return failed;
    }
}

// The operator at the server's console is who cancels.
QString CancelCommand::cancel(QSqlDatabase db, const QString& number, int leaseSeconds) {
    return ComputationCancel(std::move(db), leaseSeconds, SystemUser::name().left(30))
        .cancel(number);
}
