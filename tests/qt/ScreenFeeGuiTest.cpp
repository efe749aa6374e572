// A fee computation through the real widgets: the billing screen's airport-fee group opens the
// fee screen, whose invoices are checked with the mouse and computed; the viewer lists them.
#include "ScreenGuiFixture.h"

#include "server/AppServer.h"

#include "external/shared/TdtmDBGeral.h"
#include "platform/qt/ControlBinder.h"
#include "platform/qt/FormView.h"
#include "platform/TButtonFlat.h"
#include "platform/TClientDataSet.h"
#include "platform/TDBGrid.h"
#include "platform/TMaskEdit.h"
#include "screens/billing/Cli_Zel00100.h"
#include "screens/billing/TfrmApuracao.h"
#include "screens/fee/Cli_Zel00102.h"
#include "screens/fee/TfrmApurac.h"
#include "screens/viewer/Cli_Zel00101.h"
#include "screens/viewer/TfrmNotasApur.h"

#include <QAbstractItemModel>
#include <QLineEdit>
#include <QSqlQuery>
#include <QTableView>
#include <QTimer>

namespace {

// Runs `body` once the view of the form `current()` returns is on screen.
class WhenShown {
public:
    WhenShown(qtview::QtPresenter& presenter, std::function<TForm*()> current,
              std::function<void(qtview::FormView&)> body) {
        m_poll.setInterval(20);
        QObject::connect(&m_poll, &QTimer::timeout, [this, &presenter, current, body] {
            TForm* form = current();
            qtview::FormView* view = form ? presenter.viewOf(*form) : nullptr;
            if (!view || !view->isVisible())
                return;
            m_poll.stop();
            seen = true;
            body(*view);
        });
        m_poll.start();
    }
    bool seen = false;

private:
    QTimer m_poll;
};

class ScreenFeeGui : public ScreenGuiFixture {
protected:
    QLineEdit* lineEdit(const qtview::FormView& view, const TControl* control) const {
        return qobject_cast<QLineEdit*>(view.binder(control)->widget());
    }
    // GRP's customer gets a finished billing computation with two invoices.
    void addComputation() {
        QSqlQuery query(dtmDBGeral->database());
        ASSERT_TRUE(query.exec(QStringLiteral(
            "INSERT INTO CTRLAPURFAT (NRAPURACFAT, IDTIPAPUR, CDFILIALTRAB, CDFILIAL, CDCIA, "
            "CDCLIENTE, DTINIAPURAC, DTFIMAPURAC, DTFATURA, IDSTATUS, DTHRINICIO) VALUES "
            "('0000000050', 'F', '0001', '0001', '0005', 'CLI000000005', '2024-01-01', "
            "'2024-01-31', '2024-02-05', 'F', '2024-02-05 09:00:00')")));
        ASSERT_TRUE(query.exec(QStringLiteral(
            "INSERT INTO NOTAFISCAL (NRLANCTONF, CDFILIAL, NRAPURACFAT, CDCLIENTE, CDCIA, "
            "DTENTRSAID, VRNOTAFISC, VRTTMOEDESTR, IDEMITIDA) VALUES "
            "('0000000051', '0001', '0000000050', 'CLI000000005', '0005', '2024-02-05', 123456, "
            "24691, 'N'), ('0000000052', '0001', '0000000050', 'CLI000000005', '0005', "
            "'2024-02-05', 80000, 16000, 'N')")));
    }
};

TEST_F(ScreenFeeGui, AFeeComputationWithMouseAndKeyboard) {
    gui::DialogAnswerer dialogs;
    open();
    addComputation();
    auto* company = qobject_cast<QLineEdit*>(widgetOf(form->medSgCia));
    gui::click(company);
    gui::typeText(company, QStringLiteral("grp"));
    ASSERT_TRUE(tabTo(form->medCdGrupo));
    gui::typeText(widgetOf(form->medCdGrupo), QStringLiteral("TAXAAERO"));
    dialogs.answer(QStringLiteral("Sim"));

    QStringList fees;
    QString shownCompany;
    int loaded = 0;
    WhenShown viewer(
        *presenter, [] { return static_cast<TForm*>(Cli_Zel00101::frmNotasApur); },
        [&](qtview::FormView& view) {
            auto* notes = static_cast<TfrmNotasApur*>(view.form());
            auto* grid = qobject_cast<QTableView*>(view.binder(notes->dbgCompanhia)->widget());
            for (int row = 0; row < grid->model()->rowCount(); ++row)
                fees << grid->model()->data(grid->model()->index(row, 1)).toString();
            gui::click(view.binder(notes->sbtConfirma)->widget());
        });
    WhenShown fee(
        *presenter, [] { return static_cast<TForm*>(Cli_Zel00102::frmApurac); },
        [&](qtview::FormView& view) {
            auto* screen = static_cast<TfrmApurac*>(view.form());
            shownCompany = lineEdit(view, screen->medSgCia)->text();
            QLineEdit* number = lineEdit(view, screen->medNrApuracao);
            gui::click(number);
            gui::typeText(number, QStringLiteral("50"));
            gui::pressKey(number, Qt::Key_Tab);
            gui::settle();
            loaded = screen->cdsNotasApuradas->recordCount();
            auto* grid = qobject_cast<QTableView*>(view.binder(screen->dbgNotas)->widget());
            gui::click(grid->viewport(), grid->visualRect(grid->model()->index(1, 0)).center());
            gui::pressKey(grid, Qt::Key_Up);
            gui::pressKey(grid, Qt::Key_Space);
            gui::settle();
            gui::click(view.binder(screen->sbtConfirma)->widget());
        });
    // Leaving the header opens the fee screen; everything above runs while it is up.
    gui::pressKey(widgetOf(form->medCdGrupo), Qt::Key_Tab);
    gui::pressKey(gui::focused(), Qt::Key_Tab);
    gui::settle();

    EXPECT_TRUE(fee.seen);
    EXPECT_TRUE(viewer.seen);
    EXPECT_EQ(shownCompany, QStringLiteral("GRP"));
    EXPECT_EQ(loaded, 2);
    // 2.5 % of 1.234,56 and of 800,00.
    EXPECT_EQ(fees, QStringList({QStringLiteral("30,86"), QStringLiteral("20,00")}));
    EXPECT_FALSE(Cli_Zel00102::boIdCriado);
    EXPECT_EQ(form->activeControl(), form->medCdFilial);
    ASSERT_EQ(dialogs.texts().size(), 1);
    EXPECT_TRUE(dialogs.texts().value(0).contains(QStringLiteral("taxa aeroportuária?")));
}

} // namespace
