#include "tests/screens/ScreenHarness.h"

#include "external/appserver/TCallLog.h"
#include "external/shared/Ostrana.h"
#include "external/shared/Showavi.h"
#include "external/shared/TDateEditPlus.h"
#include "external/shared/TdtmDBGeral.h"
#include "platform/TApplication.h"
#include "platform/TClock.h"
#include "platform/TCustomEdit.h"
#include "platform/TForm.h"
#include "screens/billing/Cli_Zel00100.h"
#include "screens/billing/TfrmApuracao.h"
#include "screens/fee/Cli_Zel00102.h"
#include "server/AppServer.h"
#include "server/InitDbCommand.h"
#include "server/ServeCommand.h"
#include "server/ServeOptions.h"
#include "server/ServerSettings.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>

namespace {
// One shared data module per process, as in the host; each test points it at its database.
TdtmDBGeral& dataModule() {
    static TdtmDBGeral module;
    return module;
}
} // namespace

void ScreenHarness::SetUp() {
    ASSERT_TRUE(m_dir.isValid());
    m_url = QStringLiteral("sqlite:") + m_dir.filePath(QStringLiteral("zel.db"));
    QString output;
    QTextStream out(&output);
    ASSERT_EQ(
        InitDbCommand::run({m_url, QStringLiteral("--fixture"), QStringLiteral("basic")}, out, out),
        0)
        << output.toStdString();
    dataModule().connect(m_url);

    ServeOptions options;
    options.databaseUrl = m_url;
    server = std::make_unique<AppServer>(ServeCommand::settingsFor(options));
    QString error;
    ASSERT_TRUE(server->listen(QHostAddress(QHostAddress::LocalHost), 0, &error))
        << error.toStdString();

    Ostrana::setWebURL(QStringLiteral("127.0.0.1"));
    Ostrana::setWebPort(server->port());
    Ostrana::setFiliProc(QStringLiteral("0001"));
    Ostrana::setModuFili(false);
    Clock().setToday(QDate(2024, 3, 20));
    Application().setPresenter(&presenter);
    Cli_Zel00100::initialization();
    Cli_Zel00100::stVooTrecho.clear();
    Cli_Zel00100::stLocalFat.clear();
    Cli_Zel00102::initialization();
    TCallLog::instance().clear();
}

void ScreenHarness::TearDown() {
    // Whatever a test left, the wait animation must be off after every step.
    EXPECT_FALSE(Showavi::isActive());
    if (Cli_Zel00100::frmApuracao)
        Cli_Zel00100::frmApuracao->close();
    Application().processMessages();
    if (server)
        server->stop();
    server.reset();
    dataModule().disconnect();
    Application().setPresenter(nullptr);
    Clock().reset();
}

TfrmApuracao& ScreenHarness::open() {
    Application().runUserAction([] { Cli_Zel00100::CriaApuracao(); });
    form = Cli_Zel00100::frmApuracao;
    EXPECT_NE(form, nullptr);
    return *form;
}

void ScreenHarness::exec(const QString& sql) {
    QSqlQuery query(dataModule().database());
    ASSERT_TRUE(query.exec(sql)) << query.lastError().text().toStdString();
}

bool ScreenHarness::focus(TControl& control) {
    return control.form()->userFocus(control);
}

bool ScreenHarness::type(TCustomEdit& edit, const QString& text) {
    if (!focus(edit) || edit.form()->activeControl() != &edit)
        return false;
    edit.selectAll();
    return edit.form()->userTypeText(text);
}

bool ScreenHarness::click(TControl& control) {
    return control.form()->userClick(control);
}

bool ScreenHarness::chooseCompany(const QString& company) {
    return type(*form->medSgCia, company) && focus(*form->depDataIniDeliv) &&
           form->activeControl() == form->depDataIniDeliv;
}

QString ScreenHarness::lastError() const {
    const QStringList errors = presenter.errors();
    return errors.isEmpty() ? QString() : errors.last();
}

int ScreenHarness::callCount(const QString& method) const {
    return TCallLog::instance().count(method);
}
