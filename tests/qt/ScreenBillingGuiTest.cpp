// The billing screen and the viewer through their real widgets.
#include "ScreenGuiFixture.h"

#include "server/AppServer.h"

#include "external/shared/TBtnPesquisa.h"
#include "external/shared/TDateEditPlus.h"
#include "external/shared/TdtmDBGeral.h"
#include "platform/qt/ControlBinder.h"
#include "platform/qt/FormView.h"
#include "platform/qt/Glyphs.h"
#include "platform/qt/QtPresenter.h"
#include "platform/qt/WaitWindow.h"
#include "platform/TButtonFlat.h"
#include "platform/TDBEdit.h"
#include "platform/TDBGrid.h"
#include "platform/TMaskEdit.h"
#include "platform/TSpeedButton.h"
#include "screens/billing/Cli_Zel00100.h"
#include "screens/billing/TfrmApuracao.h"
#include "screens/viewer/Cli_Zel00101.h"
#include "screens/viewer/TfrmNotasApur.h"

#include <QAbstractItemModel>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace {

class ScreenBillingGui : public ScreenGuiFixture {
protected:
    QLineEdit* company() const { return qobject_cast<QLineEdit*>(widgetOf(form->medSgCia)); }
    // Clicks the check column of a row of the flight grid.
    void checkRow(int row) {
        QTableView* table = flightTable();
        gui::click(table->viewport(), table->visualRect(table->model()->index(row, 0)).center());
    }
    // Enough of ABC's February deliveries on flight 1010 for a computation of seconds with
    // several progress reports.
    void bigFebruary() {
        startServer({QStringLiteral("--fixture"), QStringLiteral("basic")});
        QSqlQuery bulk(dtmDBGeral->database());
        ASSERT_TRUE(bulk.exec(QStringLiteral(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 200000) "
            "INSERT INTO DELIVERY (NRDELIVERY, CDFILIAL, CDCIA, DTDELIVERY, NRVOO, SGBASEORI, "
            "SGBASEDES, CDLOCAFATCIA, CDGRUPPROD, VRSERVICO, VRMOEDESTR, NRFATURAMENTO) "
            "SELECT printf('X%011d', i), '0001', '0001', printf('2024-02-%02d', 1 + i % 28), "
            "'1010', 'GRU', 'REC', 'GRU-TECA', NULL, 100, 20, printf('FX%010d', i) FROM n")))
            << bulk.lastError().text().toStdString();
    }
    QString statusOf(const QString& number) const {
        QSqlQuery query(dtmDBGeral->database());
        query.exec(QStringLiteral("SELECT IDSTATUS FROM CTRLAPURFAT WHERE NRAPURACFAT = '%1'")
                       .arg(number));
        return query.next() ? query.value(0).toString() : QString();
    }
    // ABC chosen and the header left: the flight legs are loaded.
    void chooseAbc() {
        open();
        gui::click(company());
        gui::typeText(company(), QStringLiteral("abc"));
        ASSERT_TRUE(tabTo(form->depDataIniDeliv));
    }
};

TEST_F(ScreenBillingGui, ACompanyTypedInLowerCaseShowsUpperCase) {
    open();
    gui::click(company());
    ASSERT_EQ(form->activeControl(), form->medSgCia);
    gui::typeText(company(), QStringLiteral("abc"));
    EXPECT_EQ(company()->text(), QStringLiteral("ABC"));
    EXPECT_EQ(form->medSgCia->text(), QStringLiteral("ABC"));
}

// The pictures come from the model: the lookup buttons and the base form's confirmation
// have theirs, the carrier kind button none.
TEST_F(ScreenBillingGui, ButtonsShowTheirModelsPictures) {
    open();
    const auto iconOf = [this](const TControl* control) {
        return qobject_cast<QToolButton*>(widgetOf(control))->icon().cacheKey();
    };
    const qint64 lookup = qtview::Glyphs::icon(TButtonGlyph::bgLookup).cacheKey();
    EXPECT_EQ(iconOf(form->btpCompanhia), lookup);
    EXPECT_EQ(iconOf(form->btpSerie), lookup);
    EXPECT_EQ(iconOf(form->sbtConfirma), qtview::Glyphs::icon(TButtonGlyph::bgConfirm).cacheKey());
    EXPECT_TRUE(qobject_cast<QToolButton*>(widgetOf(form->sbtCGC))->icon().isNull());
}

TEST_F(ScreenBillingGui, AnUnknownCompanyIsReportedAndKeepsTheFocus) {
    gui::DialogAnswerer dialogs;
    open();
    gui::click(company());
    gui::typeText(company(), QStringLiteral("zzz"));
    gui::pressKey(company(), Qt::Key_Tab);
    ASSERT_EQ(dialogs.texts().size(), 1);
    EXPECT_TRUE(dialogs.texts().value(0).endsWith(QStringLiteral(": Companhia não cadastrada.")));
    EXPECT_EQ(form->activeControl(), form->medSgCia);
    EXPECT_EQ(gui::focused(), company());
}

TEST_F(ScreenBillingGui, LeavingTheHeaderLoadsTheFlightGrid) {
    gui::DialogAnswerer dialogs;
    chooseAbc();
    // February's deliveries: every leg of ABC has services in it.
    form->depDataFimDeliv->SetDate(QDate(2024, 2, 29));
    gui::settle();
    QTableView* table = flightTable();
    ASSERT_NE(table, nullptr);
    EXPECT_TRUE(table->isVisible());
    ASSERT_EQ(table->model()->rowCount(), 4);
    EXPECT_EQ(table->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Vôo"));
    EXPECT_EQ(table->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("\u2713"));
    EXPECT_EQ(table->model()->data(table->model()->index(0, 1)).toString(), QStringLiteral("1010"));
    EXPECT_EQ(table->model()->data(table->model()->index(2, 4)).toString(),
              QStringLiteral("Extra"));
    EXPECT_TRUE(qobject_cast<QToolButton*>(widgetOf(form->sbtConfirma))->isEnabled());
    EXPECT_TRUE(dialogs.texts().isEmpty()) << dialogs.texts().join('\n').toStdString();
}

TEST_F(ScreenBillingGui, ClickingTheCheckColumnChecksBothLegsOfAFlight) {
    gui::DialogAnswerer dialogs;
    chooseAbc();
    // February's deliveries: every leg of ABC has services in it.
    form->depDataFimDeliv->SetDate(QDate(2024, 2, 29));
    gui::settle();
    QTableView* table = flightTable();
    const QRect secondLeg = table->visualRect(table->model()->index(1, 0));
    const QImage before = table->viewport()->grab().toImage().copy(secondLeg);
    checkRow(0);
    EXPECT_EQ(Cli_Zel00100::stVooTrecho, QStringLiteral("_1010"));
    EXPECT_EQ(form->activeControl(), form->dbgVooTrecho);
    // The other leg of flight 1010 now shows the mark too.
    const QImage after = table->viewport()->grab().toImage().copy(secondLeg);
    EXPECT_NE(before, after);
    EXPECT_TRUE(dialogs.texts().isEmpty()) << dialogs.texts().join('\n').toStdString();
}

TEST_F(ScreenBillingGui, ConfirmingComputesAndTheViewerListsTheInvoices) {
    gui::DialogAnswerer dialogs;
    chooseAbc();
    form->depDataFimDeliv->SetDate(QDate(2024, 2, 29));
    form->depDataFatur->SetDate(QDate(2024, 3, 5));
    checkRow(2);
    checkRow(0);

    QStringList amounts;
    QString total;
    bool modal = false;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        TfrmNotasApur* viewer = Cli_Zel00101::frmNotasApur;
        qtview::FormView* view = viewer ? presenter->viewOf(*viewer) : nullptr;
        if (!view || !view->isVisible())
            return;
        poll.stop();
        modal = view->windowModality() == Qt::ApplicationModal;
        auto* grid = qobject_cast<QTableView*>(view->binder(viewer->dbgCompanhia)->widget());
        for (int row = 0; row < grid->model()->rowCount(); ++row)
            amounts << grid->model()->data(grid->model()->index(row, 1)).toString();
        total = qobject_cast<QLineEdit*>(view->binder(viewer->dbeVrTotal)->widget())->text();
        gui::click(view->binder(viewer->sbtConfirma)->widget());
    });
    poll.start();
    gui::click(widgetOf(form->sbtConfirma));
    poll.stop();
    EXPECT_TRUE(modal);
    EXPECT_EQ(amounts, QStringList({QStringLiteral("2.300,50"), QStringLiteral("420,00")}));
    EXPECT_EQ(total, QStringLiteral("2.720,50"));
    EXPECT_TRUE(dialogs.texts().isEmpty()) << dialogs.texts().join('\n').toStdString();
    // Back on the billing screen, the legs were reloaded with nothing checked.
    EXPECT_TRUE(Cli_Zel00100::stVooTrecho.isEmpty());
}

TEST_F(ScreenBillingGui, TheWaitWindowsBarFollowsTheServersProgressDuringALargeComputation) {
    bigFebruary();
    gui::DialogAnswerer dialogs;
    chooseAbc();
    form->depDataFimDeliv->SetDate(QDate(2024, 2, 29));
    form->depDataFatur->SetDate(QDate(2024, 3, 5));
    checkRow(0);

    // What the bar shows while the call runs, sampled as a person would see it.
    qtview::WaitWindow& wait = presenter->waitWindow();
    wait.setShowDelay(0);
    QList<std::pair<int, int>> seen;
    QStringList texts;
    QTimer sample;
    sample.setInterval(25);
    QObject::connect(&sample, &QTimer::timeout, [&] {
        if (!wait.isVisible() || wait.bar()->maximum() <= 0)
            return;
        const std::pair<int, int> now{wait.bar()->value(), wait.bar()->maximum()};
        if (seen.isEmpty() || seen.last() != now) {
            seen << now;
            texts << wait.label()->text();
        }
    });
    // The viewer that follows is closed with its own button.
    QObject::connect(&sample, &QTimer::timeout, [&] {
        TfrmNotasApur* viewer = Cli_Zel00101::frmNotasApur;
        qtview::FormView* view = viewer ? presenter->viewOf(*viewer) : nullptr;
        if (view && view->isVisible())
            gui::click(view->binder(viewer->sbtConfirma)->widget());
    });
    sample.start();
    gui::click(widgetOf(form->sbtConfirma));
    sample.stop();

    // A determinate bar that moved forward at least twice, with the server's words.
    ASSERT_GE(seen.size(), 3) << texts.join('\n').toStdString();
    for (int i = 1; i < seen.size(); ++i)
        EXPECT_GE(seen.at(i).first, seen.at(i - 1).first);
    EXPECT_GT(seen.last().first, seen.first().first);
    EXPECT_TRUE(texts.last().startsWith(QStringLiteral("Apuração 0000000003")))
        << texts.join('\n').toStdString();
    EXPECT_FALSE(wait.isVisible());
}

// "Cancelar espera" during a long computation: the desktop stops waiting and says so at once;
// the server finishes the computation, whole, and it can be seen (and undone) afterwards.
TEST_F(ScreenBillingGui, StoppingTheWaitLeavesTheServerToFinishTheComputation) {
    bigFebruary();
    gui::DialogAnswerer dialogs;
    chooseAbc();
    form->depDataFimDeliv->SetDate(QDate(2024, 2, 29));
    form->depDataFatur->SetDate(QDate(2024, 3, 5));
    checkRow(0);

    qtview::WaitWindow& wait = presenter->waitWindow();
    wait.setShowDelay(0);
    wait.setCancelDelay(0);
    QTimer press;
    press.setInterval(25);
    bool pressed = false;
    QObject::connect(&press, &QTimer::timeout, [&] {
        if (!pressed && wait.cancelButton()->isVisible() && wait.bar()->maximum() > 0) {
            pressed = true;
            gui::click(wait.cancelButton());
        }
    });
    press.start();
    gui::click(widgetOf(form->sbtConfirma));
    press.stop();
    ASSERT_TRUE(pressed);
    ASSERT_EQ(dialogs.texts().size(), 1) << dialogs.texts().join('\n').toStdString();
    EXPECT_TRUE(dialogs.texts().at(0).endsWith(
        QStringLiteral("Espera pelo servidor de aplicação 127.0.0.1:%1 cancelada. O servidor "
                       "continua o que estava fazendo: confira o resultado na Consulta de "
                       "Apurações.")
            .arg(server->port())))
        << dialogs.texts().at(0).toStdString();
    EXPECT_FALSE(wait.isVisible());
    EXPECT_EQ(Cli_Zel00101::frmNotasApur, nullptr) << "no viewer for a wait given up";

    // The computation (the fixture's third) runs to its end on the server.
    QElapsedTimer clock;
    clock.start();
    while (statusOf(QStringLiteral("0000000003")) != QLatin1String("F") && clock.elapsed() < 60000)
        QTest::qWait(100);
    EXPECT_EQ(statusOf(QStringLiteral("0000000003")), "F");
    QSqlQuery marked(dtmDBGeral->database());
    ASSERT_TRUE(marked.exec(
        QStringLiteral("SELECT COUNT(*) FROM DELIVERY WHERE NRAPURACFAT = '0000000003'")));
    ASSERT_TRUE(marked.next());
    EXPECT_EQ(marked.value(0).toInt(), 200000 + 2);
}

} // namespace
