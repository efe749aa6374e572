// zel-appserver: the application server and its administration commands.
#include "server/CancelCommand.h"
#include "server/InitDbCommand.h"
#include "server/ServeCommand.h"

#include <cstdio>
#include <QCoreApplication>
#include <QStringList>
#include <QTextStream>

namespace {

int initDb(const QStringList& args, QTextStream& out, QTextStream& err) {
    return InitDbCommand::run(args, out, err);
}

// One row per command: name, usage text, entry point taking the arguments after the name.
struct Command {
    const char* name;
    QString (*usage)();
    int (*run)(const QStringList& args, QTextStream& out, QTextStream& err);
};

const Command kCommands[] = {
    {"init-db", &InitDbCommand::usage, &initDb},
    {"cancel", &CancelCommand::usage, &CancelCommand::run},
    {"serve", &ServeCommand::usage, &ServeCommand::run},
};

constexpr int kBadUsage = 2;

void printUsage(QTextStream& err) {
    err << "Uso: zel-appserver COMANDO [argumentos]\nComandos:\n";
    for (const Command& c : kCommands)
        err << c.usage();
    err.flush();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        printUsage(err);
        return kBadUsage;
    }
    const QString name = args.takeFirst();
    for (const Command& c : kCommands) {
        if (name == QLatin1String(c.name))
            return c.run(args, out, err);
    }
    err << "Comando desconhecido: " << name << '\n';
    printUsage(err);
    return kBadUsage;
}
