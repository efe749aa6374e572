#include "host/gui/MainWindow.h"

#include "host/computations/Cli_Zel00103.h"
#include "host/HostConfig.h"
#include "platform/qt/ActionQueue.h"
#include "platform/TApplication.h"
#include "platform/TForm.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMenuBar>
#include <QStatusBar>

MainWindow::MainWindow(const HostConfig& config, QWidget* parent)
    : QMainWindow(parent)
    , m_mdiArea(new QMdiArea(this)) {
    setObjectName(QStringLiteral("zelHost"));
    setWindowTitle(QStringLiteral("Faturamento de Carga Aérea"));
    m_mdiArea->setObjectName(QStringLiteral("mdiArea"));
    m_mdiArea->setBackground(QColor(171, 171, 171));
    setCentralWidget(m_mdiArea);

    QMenu* billing = menuBar()->addMenu(QStringLiteral("&Faturamento"));
    QAction* open = billing->addAction(QStringLiteral("&Cálculo da Apuração"));
    open->setObjectName(QStringLiteral("actCalculoApuracao"));
    connect(open, &QAction::triggered, this, &MainWindow::openBilling);
    QAction* computations = billing->addAction(QStringLiteral("Consulta de &Apurações"));
    computations->setObjectName(QStringLiteral("actConsultaApuracoes"));
    connect(computations, &QAction::triggered, this, &MainWindow::openComputations);
    billing->addSeparator();
    QAction* quit = billing->addAction(QStringLiteral("&Sair"));
    connect(quit, &QAction::triggered, this, &QWidget::close);

    const QString branch =
        config.branch + (config.singleBranch ? QStringLiteral(" (filial única)") : QString());
    for (const QString& text :
         {QStringLiteral("Filial: ") + branch, QStringLiteral("Servidor: ") + config.server,
          QStringLiteral("Banco: ") + config.database})
        statusBar()->addWidget(new QLabel(text, this));
    resize(1000, 680);
}

void MainWindow::openBilling() {
    // Through the queue, like every user action: a remote call during the opening then
    // holds later input, and an exception is shown (EAbort silently) instead of escaping.
    qtview::ActionQueue::instance().post([this] {
        if (m_openBilling)
            Application().runUserAction(m_openBilling);
    });
}

void MainWindow::openComputations() {
    qtview::ActionQueue::instance().post(
        [] { Application().runUserAction([] { Cli_Zel00103::CriaConsApur(); }); });
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Screens still open close first; their close handlers disconnect from the server.
    for (TForm* form : Application().forms()) {
        if (form->isShowing())
            Application().runUserAction([form] { form->close(); });
    }
    event->accept();
}
