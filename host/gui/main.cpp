// zel-host: the desktop host. Opens the main window, loads the package and opens the billing
// screen from the menu; the screens run in the Qt view.
#include "core/CommandLine.h"
#include "host/gui/MainWindow.h"
#include "host/HostConfig.h"
#include "host/HostSession.h"
#include "host/PackageLoader.h"
#include "platform/qt/MessageDialogs.h"
#include "platform/qt/QtPresenter.h"
#include "platform/qt/ViewStyle.h"

#include <QApplication>
#include <QTextStream>

#include <exception>

namespace {

constexpr int kFailed = 1;

CommandLine commandLine() {
    CommandLine line(QStringLiteral("zel-host"), QStringLiteral("[opções]"),
                     QStringLiteral("A janela principal: carrega o pacote e abre o Cálculo da "
                                    "Apuração pelo menu."));
    line.addOptions({
        {QStringLiteral("with-server"),
         QStringLiteral("inicia um zel-appserver próprio numa porta livre de 127.0.0.1, sobre o "
                        "banco de --db, e o encerra ao sair")},
        {QStringLiteral("package"),
         QStringLiteral("o pacote (padrão: ../lib/zel/Pkg_Zel00100.so ou ../lib/Pkg_Zel00100.so)"),
         QStringLiteral("ARQUIVO")},
        {QStringLiteral("open"), QStringLiteral("abre o Cálculo da Apuração ao iniciar")},
    });
    line.addOptions(HostConfig::options());
    return line;
}

} // namespace

int main(int argc, char** argv) {
    // Read before the application exists: --help, --version and a bad option need no display.
    QTextStream out(stdout);
    QTextStream err(stderr);
    CommandLine line = commandLine();
    if (const std::optional<int> exit = line.parse(CommandLine::arguments(argc, argv), out, err))
        return *exit;
    QString problem;
    if (!HostConfig::check(line, &problem))
        return line.usageError(problem, err);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zel-host"));
    QApplication::setApplicationDisplayName(QStringLiteral("Apuração de Faturamento"));
    qtview::ViewStyle::install(app);

    HostConfig config;
    if (!config.load(line, &problem))
        return line.usageError(problem, err);
    const bool withServer = line.isSet(QStringLiteral("with-server"));
    const bool openAtStart = line.isSet(QStringLiteral("open"));
    const QString packagePath = line.isSet(QStringLiteral("package"))
                                    ? line.value(QStringLiteral("package"))
                                    : PackageLoader::defaultPath();

    HostSession session;
    int status = 0;
    {
        qtview::QtPresenter presenter;
        try {
            session.start(config, withServer, packagePath);
        } catch (const std::exception& error) {
            const QString text = QString::fromUtf8(error.what());
            err << "zel-host: " << text << '\n';
            qtview::MessageDialogs::showError(nullptr, text);
            return kFailed;
        }

        MainWindow window(config);
        presenter.setMdiArea(window.mdiArea());
        presenter.setMainWindow(&window);
        QObject::connect(&presenter, &qtview::QtPresenter::helpRequested, &window,
                         &MainWindow::showHelp);
        window.setOpenBilling([&session] { session.package().iniProc(); });
        window.show();
        if (openAtStart)
            window.openBilling();
        status = app.exec();
        if (const QString failure = session.finish(); !failure.isEmpty()) {
            err << "zel-host: " << failure << '\n';
            status = kFailed;
        }
    }
    return status;
}
