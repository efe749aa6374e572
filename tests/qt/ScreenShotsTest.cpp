// Pictures of the three screens and of a lookup on the demo data, for the documentation.
// Runs only when ZEL_SCREENSHOTS names the folder to write them to.
#include "ScreenGuiFixture.h"

#include "external/shared/TBtnPesquisa.h"
#include "external/shared/TDateEditPlus.h"
#include "external/shared/TdtmDBGeral.h"
#include "host/computations/Cli_Zel00103.h"
#include "host/computations/TfrmConsApur.h"
#include "platform/qt/ControlBinder.h"
#include "platform/qt/FormView.h"
#include "platform/qt/LookupDialog.h"
#include "platform/TApplication.h"
#include "platform/TButtonFlat.h"
#include "platform/TClientDataSet.h"
#include "platform/TClock.h"
#include "platform/TDBGrid.h"
#include "platform/TMaskEdit.h"
#include "screens/billing/TfrmApuracao.h"
#include "screens/fee/Cli_Zel00102.h"
#include "screens/fee/TfrmApurac.h"
#include "screens/viewer/Cli_Zel00101.h"
#include "screens/viewer/TfrmNotasApur.h"
#include "server/AppServer.h"

#include <QDir>
#include <QSqlQuery>
#include <QTableView>
#include <QTest>
#include <QTimer>

namespace {

class ScreenShots : public ScreenGuiFixture {
protected:
    void SetUp() override {
        m_dir = qEnvironmentVariable("ZEL_SCREENSHOTS");
        if (m_dir.isEmpty())
            GTEST_SKIP() << "ZEL_SCREENSHOTS não definido";
        ScreenGuiFixture::SetUp();
        QDir().mkpath(m_dir);
        Clock().setToday(QDate(2025, 6, 20));
    }

    void save(QWidget* widget, const QString& name) {
        const QString path = QDir(m_dir).filePath(name);
        EXPECT_TRUE(widget->grab().save(path)) << path.toStdString();
    }

    // Runs `action` and, when the modal view of `form()` shows, has `prepare` fill it,
    // photographs it and has `leave` close it.
    void whileModal(std::function<TForm*()> modalForm, const QString& name,
                    std::function<void(qtview::FormView&)> leave, std::function<void()> action,
                    std::function<void(qtview::FormView&)> prepare = {}) {
        bool seen = false;
        QTimer poll;
        poll.setInterval(30);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            TForm* shown = modalForm();
            qtview::FormView* view = shown ? presenter->viewOf(*shown) : nullptr;
            if (!view || !view->isVisible())
                return;
            poll.stop();
            seen = true;
            gui::settle();
            if (prepare) {
                prepare(*view);
                gui::settle();
            }
            save(view, name);
            leave(*view);
        });
        poll.start();
        action();
        poll.stop();
        EXPECT_TRUE(seen) << name.toStdString();
    }

    QString m_dir;
};

TForm* topModal() {
    const auto& modal = Application().modalForms();
    return modal.empty() ? nullptr : modal.back();
}

// The first company of branch 0001 that is billed by flight legs.
QString flightCompany() {
    QSqlQuery query(dtmDBGeral->database());
    query.exec(QStringLiteral(
        "SELECT CO.SGCIA FROM COMPANHIA CO, CIAFILI C, FORMEMISNF F "
        "WHERE C.CDFILIAL = '0001' AND C.CDCIA = CO.CDCIA AND C.CDTIPEMNF = F.CDTIPEMNF "
        "AND F.IDTIPEMNF IN ('02', '03', '12') ORDER BY CO.SGCIA"));
    return query.next() ? query.value(0).toString() : QString();
}

TEST_F(ScreenShots, OfTheScreensAndALookup) {
    useDemoData();
    gui::DialogAnswerer dialogs;
    open();
    const QString company = flightCompany();
    ASSERT_FALSE(company.isEmpty());

    dialogs.onDialog([&](QWidget* dialog) {
        auto* lookup = qobject_cast<qtview::LookupDialog*>(dialog);
        QAbstractItemModel* rows = lookup->table()->model();
        for (int r = 0; r < rows->rowCount(); ++r) {
            if (rows->data(rows->index(r, 0)).toString() == company)
                lookup->table()->selectRow(r);
        }
        save(lookup, QStringLiteral("pesquisa-companhia.png"));
        QTest::keyClick(lookup->table(), Qt::Key_Return);
    });
    gui::click(widgetOf(form->btpCompanhia));
    ASSERT_EQ(form->medSgCia->text(), company);
    ASSERT_TRUE(tabTo(form->depDataIniDeliv));
    // A month of deliveries, so that the legs have something to compute.
    form->depDataFimDeliv->SetDate(QDate(2025, 6, 30));
    gui::settle();
    QTableView* table = flightTable();
    ASSERT_GT(table->model()->rowCount(), 1);
    // The first two flights with something to compute.
    QList<int> rows;
    QStringList flights;
    TClientDataSet& legs = *form->cdsVooTrecho;
    for (legs.first(); !legs.eof() && rows.size() < 2; legs.next()) {
        const QString flight = legs.fieldByName(QStringLiteral("NRVOO")).asString();
        if (legs.fieldByName(QStringLiteral("QTDE_SERVICO")).asFloat() > 0 &&
            !flights.contains(flight)) {
            rows << legs.recNo() - 1;
            flights << flight;
        }
    }
    ASSERT_EQ(rows.size(), 2);
    for (int row : rows)
        gui::click(table->viewport(), table->visualRect(table->model()->index(row, 0)).center());
    gui::settle();
    save(billingView(), QStringLiteral("apuracao.png"));

    dialogs.answer(QStringLiteral("Sim"));
    dialogs.answer(QStringLiteral("Sim"));
    whileModal(
        topModal, QStringLiteral("notas-apuradas.png"),
        [](qtview::FormView& view) {
            auto* viewer = static_cast<TfrmNotasApur*>(view.form());
            gui::click(view.binder(viewer->sbtConfirma)->widget());
        },
        [&] { gui::click(widgetOf(form->sbtConfirma)); });

    // The fee screen on the invoices just computed, two of them checked.
    whileModal(
        topModal, QStringLiteral("apuracao-taxa.png"),
        [](qtview::FormView& view) { view.frame()->close(); },
        [] { Application().runUserAction([] { Cli_Zel00102::CriaApurac(); }); },
        [](qtview::FormView& view) {
            auto* fee = static_cast<TfrmApurac*>(view.form());
            auto* number = view.binder(fee->medNrApuracao)->widget();
            gui::click(number);
            gui::typeText(number, QStringLiteral("1"));
            gui::pressKey(number, Qt::Key_Tab);
            gui::settle();
            auto* grid = qobject_cast<QTableView*>(view.binder(fee->dbgNotas)->widget());
            for (int row : {0, 1})
                gui::click(grid->viewport(),
                           grid->visualRect(grid->model()->index(row, 0)).center());
        });
    // Only the two questions of a period that ends after today and after the billing date.
    EXPECT_EQ(dialogs.texts().size(), 2) << dialogs.texts().join('\n').toStdString();

    // The host's computations screen, with what the demo holds and what was just computed.
    Application().runUserAction([] { Cli_Zel00103::CriaConsApur(); });
    gui::settle();
    ASSERT_NE(Cli_Zel00103::frmConsApur, nullptr);
    save(presenter->viewOf(*Cli_Zel00103::frmConsApur), QStringLiteral("consulta-apuracoes.png"));
}

} // namespace
