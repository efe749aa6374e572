// zel-script: the headless host. Loads the package as zel-host does, runs its screens on the
// headless application with scripted dialogs, and executes a script of user actions and
// expectations, printing a transcript of every command and dialog.
#include "host/HostConfig.h"
#include "host/HostSession.h"
#include "host/Script.h"
#include "host/ScriptFailure.h"
#include "host/ScriptPresenter.h"
#include "host/ScriptRunner.h"
#include "platform/TApplication.h"

#include <cstdio>
#include <exception>
#include <QCoreApplication>
#include <QTextStream>

namespace {

constexpr int kFailed = 1;
constexpr int kBadUsage = 2;

QString usage() {
    return QStringLiteral(
               "Uso: zel-script [opções] ROTEIRO\n"
               "Opções:\n"
               "  --with-server          inicia um zel-appserver próprio numa porta livre\n"
               "                         de 127.0.0.1, sobre o banco de --db\n"
               "  --package ARQUIVO      o pacote (padrão: ../lib/Pkg_Zel00100.so)\n") +
           HostConfig::usage();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);

    QStringList args = app.arguments().mid(1);
    HostConfig config;
    QString problem;
    if (!config.load(args, &problem)) {
        err << "zel-script: " << problem << '\n' << usage();
        return kBadUsage;
    }
    bool withServer = false;
    QString packagePath = PackageLoader::defaultPath();
    QString scriptPath;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (arg == QLatin1String("--with-server")) {
            withServer = true;
        } else if (arg == QLatin1String("--package") && i + 1 < args.size()) {
            packagePath = args.at(++i);
        } else if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            out << usage();
            return 0;
        } else if (arg.startsWith(QLatin1String("--")) || !scriptPath.isEmpty()) {
            err << "zel-script: argumento inesperado: " << arg << '\n' << usage();
            return kBadUsage;
        } else {
            scriptPath = arg;
        }
    }
    if (scriptPath.isEmpty()) {
        err << usage();
        return kBadUsage;
    }

    Script script;
    try {
        script = Script::load(scriptPath);
        ScriptRunner::check(script);
    } catch (const ScriptFailure& failure) {
        err << "zel-script: " << scriptPath << ": " << failure.message() << '\n';
        return kFailed;
    }

    HostSession session;
    ScriptPresenter presenter(out);
    try {
        Application().setPresenter(&presenter);
        session.start(config, withServer, packagePath);
        if (withServer)
            out << "Servidor de aplicação em " << session.serverAddress() << '\n';
    } catch (const std::exception& error) {
        err << "zel-script: " << QString::fromUtf8(error.what()) << '\n';
        Application().setPresenter(nullptr);
        return kBadUsage;
    }

    int status = 0;
    try {
        ScriptRunner runner(session.package(), presenter);
        runner.run(script);
        out << "Roteiro concluído: " << script.lines().size() << " comandos.\n";
    } catch (const ScriptFailure& failure) {
        out.flush();
        err << "zel-script: " << scriptPath << ": " << failure.message() << '\n';
        status = kFailed;
    }
    out.flush();
    if (const QString failure = session.finish(); !failure.isEmpty()) {
        err << "zel-script: " << failure << '\n';
        status = kFailed;
    }
    Application().setPresenter(nullptr);
    return status;
}
