// The computations screen through the real widgets: opened from the host's menu, an
// interrupted computation picked and cancelled with the mouse, the grid showing the change;
// and the report the view prints, read back with pdftotext.
#include "ScreenGuiFixture.h"

#include "server/AppServer.h"

#include "external/shared/TdtmDBGeral.h"
#include "host/computations/Cli_Zel00103.h"
#include "host/computations/TfrmConsApur.h"
#include "host/gui/MainWindow.h"
#include "host/HostConfig.h"
#include "platform/qt/ControlBinder.h"
#include "platform/qt/FormView.h"
#include "platform/qt/ReportPdf.h"
#include "platform/TButtonFlat.h"
#include "platform/TClientDataSet.h"
#include "platform/TDBGrid.h"
#include "platform/TReport.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTableView>

namespace {

class ScreenConsApurGui : public ScreenGuiFixture {
protected:
    QWidget* widget(const TControl* control) const {
        qtview::FormView* view = presenter->viewOf(*Cli_Zel00103::frmConsApur);
        qtview::ControlBinder* binder = view ? view->binder(control) : nullptr;
        return binder ? binder->widget() : nullptr;
    }

    // The grid row showing `number`, or -1.
    static int rowOf(const QTableView& table, const QString& number) {
        const QAbstractItemModel& model = *table.model();
        for (int row = 0; row < model.rowCount(); ++row) {
            if (model.data(model.index(row, 0)).toString() == number)
                return row;
        }
        return -1;
    }
};

} // namespace

TEST_F(ScreenConsApurGui, OpensFromTheMenuAndCancelsAnInterruptedComputationWithTheMouse) {
    startServer({QStringLiteral("--fixture"), QStringLiteral("basic")});
    QSqlQuery insert(dtmDBGeral->database());
    ASSERT_TRUE(insert.exec(QStringLiteral(
        "INSERT INTO CTRLAPURFAT (NRAPURACFAT, IDTIPAPUR, CDFILIALTRAB, CDFILIAL, CDCIA, "
        "CDCLIENTE, DTINIAPURAC, DTFIMAPURAC, DTFATURA, CDSERIE, IDSTATUS, DTHRINICIO) VALUES "
        "('0000000003', 'F', '0001', '0001', '0002', 'CLI000000002', '2024-02-01', "
        "'2024-02-29', '2024-03-05', '1', 'P', '2024-03-01 08:00:00')")));

    HostConfig config;
    MainWindow window(config);
    presenter->setMdiArea(window.mdiArea());
    presenter->setMainWindow(&window);
    window.show();
    // The entry sits in Faturamento, beside the billing screen's.
    QMenu* menu = window.menuBar()->findChildren<QMenu*>().value(0);
    ASSERT_NE(menu, nullptr);
    QStringList entries;
    for (const QAction* action : menu->actions())
        entries << action->text();
    ASSERT_GE(entries.size(), 2);
    EXPECT_EQ(entries.at(0), "&Cálculo da Apuração");
    EXPECT_EQ(entries.at(1), "Consulta de &Apurações");
    window.findChild<QAction*>(QStringLiteral("actConsultaApuracoes"))->trigger();
    gui::settle();
    TfrmConsApur* screen = Cli_Zel00103::frmConsApur;
    ASSERT_NE(screen, nullptr);
    auto* table = qobject_cast<QTableView*>(widget(screen->dbgApuracoes));
    ASSERT_NE(table, nullptr);
    ASSERT_TRUE(table->isVisible());
    EXPECT_EQ(table->model()->rowCount(), 3);

    const int row = rowOf(*table, QStringLiteral("0000000003"));
    ASSERT_GE(row, 0);
    const int statusColumn = 6;
    EXPECT_EQ(table->model()->data(table->model()->index(row, statusColumn)).toString(),
              "Interrompida");
    gui::click(table->viewport(), table->visualRect(table->model()->index(row, 2)).center());
    gui::settle();
    EXPECT_EQ(screen->cdsApuracoes->fieldByName(QStringLiteral("NRAPURACFAT")).asString(),
              "0000000003");

    gui::DialogAnswerer dialogs;
    dialogs.answer(QStringLiteral("Sim"));
    gui::click(widget(screen->sbtCancela));
    gui::settle();
    ASSERT_EQ(dialogs.texts().size(), 2) << dialogs.texts().join('\n').toStdString();
    EXPECT_TRUE(dialogs.texts().at(0).endsWith(
        "Deseja cancelar a apuração e conseqüentemente apagar todas as Notas Fiscais apuradas e "
        "não emitidas entre 01/02/2024 e 29/02/2024?"));
    EXPECT_TRUE(
        dialogs.texts().at(1).endsWith("Apuração 0000000003 cancelada: 0 notas fiscais apagadas."));
    const int after = rowOf(*table, QStringLiteral("0000000003"));
    ASSERT_GE(after, 0);
    EXPECT_EQ(table->model()->data(table->model()->index(after, statusColumn)).toString(),
              "Cancelada");
}

TEST(ReportPdfTest, PrintsTitleFiltersEveryRowTotalsAndPageNumbers) {
    ASSERT_FALSE(QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        << "pdftotext (poppler-utils) is needed";
    TReport report;
    report.title = QStringLiteral("Consulta de Apurações");
    report.filters = {QStringLiteral("Filial: 0001 - Matriz Guarulhos"),
                      QStringLiteral("Situação: Todas")};
    report.columns = {{QStringLiteral("Apuração"), false},
                      {QStringLiteral("Situação"), false},
                      {QStringLiteral("Total"), true},
                      {QStringLiteral("Erro"), false}};
    for (int i = 1; i <= 120; ++i)
        report.rows.append({QStringLiteral("%1").arg(i, 10, 10, QLatin1Char('0')),
                            QStringLiteral("Concluída"),
                            QStringLiteral("1.234,%1").arg(i % 100, 2, 10, QLatin1Char('0')),
                            // One very long text that cannot fit: only it is cut.
                            i == 7 ? QString(400, u'x') : QString()});
    report.totals = {QStringLiteral("120 apurações; total 148.080,00")};
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("apuracoes.pdf"));
    ASSERT_EQ(qtview::ReportPdf::write(report, path), QString());

    QProcess tool;
    tool.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    ASSERT_TRUE(tool.waitForFinished(30000));
    const QString text = QString::fromUtf8(tool.readAllStandardOutput());
    EXPECT_TRUE(text.contains("Consulta de Apurações"));
    EXPECT_TRUE(text.contains("Filial: 0001 - Matriz Guarulhos"));
    EXPECT_TRUE(text.contains("0000000001"));
    EXPECT_TRUE(text.contains("0000000120"));
    EXPECT_TRUE(text.contains(QStringLiteral("x…")));
    EXPECT_TRUE(text.contains("120 apurações; total 148.080,00"));
    // Pages counted before they are drawn: every foot names the same last page.
    const int pages = text.count(QStringLiteral("Página "));
    ASSERT_GE(pages, 2);
    for (int page = 1; page <= pages; ++page)
        EXPECT_TRUE(text.contains(QStringLiteral("Página %1 de %2").arg(page).arg(pages)));
    // Column titles on every page.
    EXPECT_EQ(text.count(QStringLiteral("Apuração")), pages);

    // A folder that does not exist: said in Portuguese, nothing written.
    const QString missing = dir.filePath(QStringLiteral("nao-existe/x.pdf"));
    EXPECT_FALSE(qtview::ReportPdf::write(report, missing).isEmpty());
    EXPECT_FALSE(QFile::exists(missing));
}
