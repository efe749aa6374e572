// zel-host: the desktop host. Opens the main window, loads the package and opens the billing
// screen from the menu; the screens run in the Qt view.
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
constexpr int kBadUsage = 2;

QString usage() {
    return QStringLiteral(
               "Uso: zel-host [opções]\n"
               "Opções:\n"
               "  --with-server          inicia um zel-appserver próprio numa porta livre de\n"
               "                         127.0.0.1, sobre o banco de --db, e o encerra ao sair\n"
               "  --package ARQUIVO      o pacote (padrão: ../lib/Pkg_Zel00100.so)\n"
               "  --open                 abre o Cálculo da Apuração ao iniciar\n") +
           HostConfig::usage();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zel-host"));
    QApplication::setApplicationDisplayName(QStringLiteral("Apuração de Faturamento"));
    qtview::ViewStyle::install(app);
    QTextStream err(stderr);

    QStringList args = app.arguments().mid(1);
    HostConfig config;
    QString problem;
    if (!config.load(args, &problem)) {
        err << "zel-host: " << problem << '\n' << usage();
        return kBadUsage;
    }
    bool withServer = false;
    bool openAtStart = false;
    QString packagePath = PackageLoader::defaultPath();
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (arg == QLatin1String("--with-server")) {
            withServer = true;
        } else if (arg == QLatin1String("--open")) {
            openAtStart = true;
        } else if (arg == QLatin1String("--package") && i + 1 < args.size()) {
            packagePath = args.at(++i);
        } else if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            QTextStream(stdout) << usage();
            return 0;
        } else {
            err << "zel-host: argumento inesperado: " << arg << '\n' << usage();
            return kBadUsage;
        }
    }

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
