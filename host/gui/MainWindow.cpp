#include "host/gui/MainWindow.h"

#include "host/computations/Cli_Zel00103.h"
#include "host/HostConfig.h"
#include "platform/qt/ActionQueue.h"
#include "platform/qt/HelpWindow.h"
#include "platform/TApplication.h"
#include "platform/TForm.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMenuBar>
#include <QStatusBar>

MainWindow::MainWindow(const HostConfig& config, QWidget* parent)
    : QMainWindow(parent)
    , m_mdiArea(new QMdiArea(this))
    , m_topics(HelpTopics::installedDirectory()) {
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

    // No F1 shortcut here: it would take the key from the screens inside the MDI area.
    QMenu* help = menuBar()->addMenu(QStringLiteral("Aj&uda"));
    QAction* contents = help->addAction(QStringLiteral("&Conteúdo"));
    contents->setObjectName(QStringLiteral("actAjudaConteudo"));
    connect(contents, &QAction::triggered, this,
            [this] { showHelp(m_topics.helpFiles().value(0), 0); });

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

void MainWindow::showHelp(const QString& helpFile, int helpContext) {
    if (!m_help)
        m_help = new qtview::HelpWindow(this);
    m_help->showTopic(m_topics.resolve(helpFile, helpContext));
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Screens still open close first; their close handlers disconnect from the server.
    for (TForm* form : Application().forms()) {
        if (form->isShowing())
            Application().runUserAction([form] { form->close(); });
    }
    event->accept();
}
