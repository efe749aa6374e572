// zel-script: the headless host. Loads the package as zel-host does, runs its screens on the
// headless application with scripted dialogs, and executes a script of user actions and
// expectations, printing a transcript of every command and dialog.
#include "external/shared/TdtmDBGeral.h"
#include "host/AppServerProcess.h"
#include "host/HostConfig.h"
#include "host/PackageLoader.h"
#include "host/Script.h"
#include "host/ScriptFailure.h"
#include "host/ScriptPresenter.h"
#include "host/ScriptRunner.h"
#include "platform/TApplication.h"
#include "platform/TForm.h"

#include <cstdio>
#include <exception>
#include <memory>
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

// Forms run the package's code: they go before the package does.
void destroyForms() {
    for (TForm* form : Application().forms())
        delete form;
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

    AppServerProcess server;
    std::unique_ptr<TdtmDBGeral> database;
    PackageLoader package;
    ScriptPresenter presenter(out);
    try {
        if (withServer) {
            server.start(AppServerProcess::defaultProgram(), config.database);
            config.server = server.address();
            out << "Servidor de aplicação em " << server.address() << '\n';
        }
        config.apply();
        database = config.connectDatabase();
        Application().setPresenter(&presenter);
        package.load(packagePath);
    } catch (const std::exception& error) {
        err << "zel-script: " << QString::fromUtf8(error.what()) << '\n';
        Application().setPresenter(nullptr);
        return kBadUsage;
    }

    int status = 0;
    try {
        ScriptRunner runner(package, presenter);
        runner.run(script);
        out << "Roteiro concluído: " << script.lines().size() << " comandos.\n";
    } catch (const ScriptFailure& failure) {
        out.flush();
        err << "zel-script: " << scriptPath << ": " << failure.message() << '\n';
        status = kFailed;
    }
    out.flush();
    destroyForms();
    try {
        package.unload();
    } catch (const std::exception& error) {
        err << "zel-script: " << QString::fromUtf8(error.what()) << '\n';
        status = kFailed;
    }
    Application().setPresenter(nullptr);
    return status;
}
