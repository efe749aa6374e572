// zel-script: the headless host. Loads the package as zel-host does, runs its screens on the
// headless application with scripted dialogs, and executes a script of user actions and
// expectations, printing a transcript of every command and dialog.
#include "core/CommandLine.h"
#include "host/HostConfig.h"
#include "host/HostSession.h"
#include "host/Script.h"
#include "host/ScriptFailure.h"
#include "host/ScriptPresenter.h"
#include "host/ScriptRunner.h"
#include "platform/TApplication.h"

#include <exception>
#include <QCoreApplication>
#include <QTextStream>

namespace {

constexpr int kFailed = 1;
constexpr int kBadUsage = CommandLine::kBadUsage;

CommandLine commandLine() {
    CommandLine line(QStringLiteral("zel-script"), QStringLiteral("[opções] ROTEIRO"),
                     QStringLiteral("Carrega o pacote como o zel-host, executa um roteiro de ações "
                                    "e expectativas\nsobre as telas e imprime o que o usuário "
                                    "veria."));
    line.addPositional(QStringLiteral("ROTEIRO"), QStringLiteral("o arquivo do roteiro"));
    line.addOptions({
        {QStringLiteral("with-server"),
         QStringLiteral("inicia um zel-appserver próprio numa porta livre de 127.0.0.1, sobre o "
                        "banco de --db")},
        {QStringLiteral("package"),
         QStringLiteral("o pacote (padrão: ../lib/zel/Pkg_Zel00100.so ou ../lib/Pkg_Zel00100.so)"),
         QStringLiteral("ARQUIVO")},
    });
    line.addOptions(HostConfig::options());
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
    HostConfig config;
    QString problem;
    if (!config.load(line, &problem))
        return line.usageError(problem, err);
    const bool withServer = line.isSet(QStringLiteral("with-server"));
    const QString packagePath = line.isSet(QStringLiteral("package"))
                                    ? line.value(QStringLiteral("package"))
                                    : PackageLoader::defaultPath();
    const QString scriptPath = line.positionalArguments().value(0);
    if (scriptPath.isEmpty())
        return line.usageError(QStringLiteral("Informe o roteiro."), err);

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
