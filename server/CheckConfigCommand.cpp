#include "server/CheckConfigCommand.h"

#include "server/IniFile.h"
#include "server/ServeOptions.h"

CommandLine CheckConfigCommand::commandLine() {
    CommandLine line(QStringLiteral("zel-appserver check-config"), QStringLiteral("ARQUIVO"),
                     QStringLiteral("Confere um arquivo de configuração de \"serve\" e mostra as "
                                    "opções que\nvaleriam, cada uma com a sua origem."));
    line.addPositional(
        QStringLiteral("ARQUIVO"),
        QStringLiteral("arquivo INI com as opções na seção [%1]").arg(ServeOptions::kSection));
    return line;
}

int CheckConfigCommand::run(const QStringList& args, QTextStream& out, QTextStream& err) {
    CommandLine line = commandLine();
    if (const std::optional<int> exit = line.parse(args, out, err))
        return *exit;
    const QString path = line.positionalArguments().value(0);
    if (path.isEmpty())
        return line.usageError(QStringLiteral("Informe o arquivo de configuração."), err);
    IniFile file;
    QString problem = ServeOptions::readConfig(path, &file);
    ServeOptions options;
    if (problem.isEmpty()) {
        CommandLine serve = ServeOptions::commandLine();
        serve.parse({}, &problem);
        problem = options.read(serve, &file);
    }
    if (!problem.isEmpty())
        return line.usageError(problem, err);
    out << "Configuração válida: " << path << '\n';
    for (const QString& setting : options.describe())
        out << "  " << setting << '\n';
    out.flush();
    return ok;
}
