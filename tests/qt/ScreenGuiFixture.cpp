#include "ScreenGuiFixture.h"

#include "external/shared/Ostrana.h"
#include "external/shared/TdtmDBGeral.h"
#include "platform/qt/ControlBinder.h"
#include "platform/qt/FormView.h"
#include "platform/qt/GridBinder.h"
#include "platform/TApplication.h"
#include "platform/TClock.h"
#include "platform/TForm.h"
#include "screens/billing/Cli_Zel00100.h"
#include "screens/billing/TfrmApuracao.h"
#include "screens/fee/Cli_Zel00102.h"
#include "server/AppServer.h"
#include "server/InitDbCommand.h"
#include "server/ServeCommand.h"
#include "server/ServeOptions.h"

#include <QApplication>
#include <QTableView>
#include <QTextStream>

namespace {
TdtmDBGeral& dataModule() {
    static TdtmDBGeral module;
    return module;
}
} // namespace

void ScreenGuiFixture::SetUp() {
    ASSERT_TRUE(m_dir.isValid());
    m_url = QStringLiteral("sqlite:") + m_dir.filePath(QStringLiteral("zel.db"));
    presenter = std::make_unique<qtview::QtPresenter>();
    Ostrana::setFiliProc(QStringLiteral("0001"));
    Ostrana::setModuFili(false);
    Clock().setToday(QDate(2024, 3, 20));
    Cli_Zel00100::initialization();
    Cli_Zel00100::stVooTrecho.clear();
    Cli_Zel00100::stLocalFat.clear();
    Cli_Zel00102::initialization();
}

void ScreenGuiFixture::startServer(const QStringList& seed) {
    QString output;
    QTextStream out(&output);
    ASSERT_EQ(InitDbCommand::run(QStringList{m_url} + seed, out, out), 0) << output.toStdString();
    dataModule().connect(m_url);
    ServeOptions options;
    options.databaseUrl = m_url;
    server = std::make_unique<AppServer>(ServeCommand::settingsFor(options));
    QString error;
    ASSERT_TRUE(server->listen(QHostAddress(QHostAddress::LocalHost), 0, &error))
        << error.toStdString();
    Ostrana::setWebURL(QStringLiteral("127.0.0.1"));
    Ostrana::setWebPort(server->port());
    m_started = true;
}

void ScreenGuiFixture::useDemoData() {
    startServer(
        {QStringLiteral("--demo"), QStringLiteral("--today"), QStringLiteral("2025-06-20")});
}

void ScreenGuiFixture::TearDown() {
    gui::settle();
    for (TForm* open : Application().forms())
        delete open;
    gui::settle();
    if (server)
        server->stop();
    server.reset();
    dataModule().disconnect();
    presenter.reset();
    Clock().reset();
}

TfrmApuracao& ScreenGuiFixture::open() {
    if (!m_started)
        startServer({QStringLiteral("--fixture"), QStringLiteral("basic")});
    Application().runUserAction([] { Cli_Zel00100::CriaApuracao(); });
    gui::settle();
    form = Cli_Zel00100::frmApuracao;
    EXPECT_NE(form, nullptr);
    return *form;
}

qtview::FormView* ScreenGuiFixture::billingView() const {
    return form ? presenter->viewOf(*form) : nullptr;
}

QWidget* ScreenGuiFixture::widgetOf(const TControl* control) const {
    qtview::ControlBinder* binder = billingView() ? billingView()->binder(control) : nullptr;
    return binder ? binder->widget() : nullptr;
}

QTableView* ScreenGuiFixture::flightTable() const {
    return qobject_cast<QTableView*>(widgetOf(form->dbgVooTrecho));
}

bool ScreenGuiFixture::tabTo(const TControl* control, int limit) {
    for (int i = 0; i < limit && form->activeControl() != control; ++i) {
        QWidget* focused = QApplication::focusWidget();
        if (!focused)
            return false;
        gui::pressKey(focused, Qt::Key_Tab);
    }
    return form->activeControl() == control;
}
