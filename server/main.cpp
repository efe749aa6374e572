// zel-appserver: the application server and its administration commands.
#include "core/CommandLine.h"
#include "server/CancelCommand.h"
#include "server/CheckConfigCommand.h"
#include "server/InitDbCommand.h"
#include "server/ServeCommand.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>

namespace {

// One row per command: name, its command line (for the overall help), entry point taking
// the arguments after the name.
struct Command {
    const char* name;
    CommandLine (*commandLine)();
    int (*run)(const QStringList& args, QTextStream& out, QTextStream& err);
};

const Command kCommands[] = {
    {"init-db", &InitDbCommand::commandLine, &InitDbCommand::run},
    {"cancel", &CancelCommand::commandLine, &CancelCommand::run},
    {"serve", &ServeCommand::commandLine, &ServeCommand::run},
    {"check-config", &CheckConfigCommand::commandLine, &CheckConfigCommand::run},
};

CommandLine commandLine() {
    CommandLine line(QStringLiteral("zel-appserver"), QStringLiteral("COMANDO [argumentos]"),
                     QStringLiteral("O servidor de aplicação e seus comandos de administração."));
    line.addPositional(QStringLiteral("COMANDO"), QStringLiteral("um dos comandos abaixo"));
    line.setCommandMode();
    line.setEpilog([] {
        QString commands = QStringLiteral("Comandos:\n");
        for (const Command& c : kCommands) {
            const CommandLine command = c.commandLine();
            commands += QStringLiteral("  ") + command.invocation() + u'\n';
            for (const QString& text : command.description().split(u'\n'))
                commands += QStringLiteral("      ") + text + u'\n';
        }
        return commands + QStringLiteral("Use \"zel-appserver COMANDO --help\" para ver as opções "
                                         "de cada comando.");
    });
    return line;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    CommandLine line = commandLine();
    if (const std::optional<int> exit = line.parse(app.arguments().mid(1), out, err))
        return *exit;
    QStringList args = line.positionalArguments();
    if (args.isEmpty())
        return line.usageError(QStringLiteral("Informe o comando."), err);
    const QString name = args.takeFirst();
    for (const Command& c : kCommands) {
        if (name == QLatin1String(c.name))
            return c.run(args, out, err);
    }
    return line.usageError(QStringLiteral("Comando desconhecido: %1").arg(name), err);
}
