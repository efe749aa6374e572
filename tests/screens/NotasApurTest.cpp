// The computed-invoice viewer, opened on keys the server knows or not.
#include "tests/screens/ScreenHarness.h"

#include "external/appserver/TCallLog.h"
#include "platform/TApplication.h"
#include "platform/TClientDataSet.h"
#include "platform/TComboBox.h"
#include "platform/TDBEdit.h"
#include "platform/TDBGrid.h"
#include "platform/TMaskEdit.h"
#include "screens/billing/TfrmApuracao.h"
#include "screens/viewer/Cli_Zel00101.h"
#include "screens/viewer/TfrmNotasApur.h"

using namespace Cli_Zel00101;

using NotasApurTest = ScreenHarness;

namespace {
bool openViewer(const QString& key) {
    return Application().runUserAction([&] { CriaNotasApur(key); });
}
} // namespace

TEST_F(NotasApurTest, ListsTheComputationsInvoicesWithBrazilianAmounts) {
    open();
    ASSERT_TRUE(type(*form->medSgCia, QStringLiteral("abc")));
    ASSERT_TRUE(focus(*form->cbbTipoVoo));
    TfrmNotasApur* shown = nullptr;
    presenter.pushModal([&](TForm& viewer) {
        auto& v = static_cast<TfrmNotasApur&>(viewer);
        shown = &v;
        EXPECT_EQ(frmNotasApur, &v);
        EXPECT_EQ(v.medSgCia->text(), "ABC");
        EXPECT_EQ(v.cdsNotaFiscal->recordCount(), 2);
        v.cdsNotaFiscal->first();
        EXPECT_EQ(v.cdsNotaFiscal->fieldByName(QStringLiteral("VRNOTAFISC")).displayText(),
                  "1.000,00");
        EXPECT_EQ(v.cdsNotaFiscal->fieldByName(QStringLiteral("VRTTMOEDESTR")).displayText(),
                  "200,00");
        // The totals are the packet's, the same on every row.
        EXPECT_EQ(v.dbeVrTotal->text(), "1.500,00");
        v.cdsNotaFiscal->next();
        EXPECT_EQ(v.dbeVrTotal->text(), "1.500,00");
        EXPECT_EQ(v.dbeVrMoedEstr->text(), "300,00");
        EXPECT_FALSE(v.dbgCompanhia->hasOption(dgEditing));
        EXPECT_TRUE(v.dbgCompanhia->hasOption(dgTabs));
        v.sbtConfirmaClick();
    });
    ASSERT_TRUE(openViewer(QStringLiteral("0000000001")));
    EXPECT_NE(shown, nullptr);
    const auto args = TCallLog::instance().lastArgs(QStringLiteral("GetNotaFiscal"));
    EXPECT_EQ(args.value(0).toString(), "0001");
    EXPECT_EQ(args.value(1).toString(), "0000000001");

    // A second viewer is a new one; the first was freed when it closed.
    TfrmNotasApur* second = nullptr;
    presenter.pushModal([&](TForm& viewer) {
        second = static_cast<TfrmNotasApur*>(&viewer);
        viewer.close();
    });
    ASSERT_TRUE(openViewer(QStringLiteral("0000000001")));
    EXPECT_NE(second, nullptr);
    Application().processMessages();
    EXPECT_EQ(frmNotasApur, nullptr);
}

TEST_F(NotasApurTest, NothingToShowEndsTheCallersStepWithoutShowingTheViewer) {
    open();
    EXPECT_FALSE(openViewer(QString())); // this session computed nothing yet
    EXPECT_EQ(presenter.errors(),
              QStringList{QStringLiteral("Não foram geradas notas fiscais no período informado.")});
    EXPECT_TRUE(presenter.records(TScriptedPresenter::Kind::Modal).empty());
    Application().processMessages();
    EXPECT_EQ(frmNotasApur, nullptr);
}

TEST_F(NotasApurTest, AServerFailureReachesTheCallerAndNoViewerShows) {
    open();
    EXPECT_FALSE(openViewer(QStringLiteral("xyz")));
    EXPECT_EQ(lastError(), "Nenhuma apuração encontrada para: xyz");
    EXPECT_TRUE(presenter.records(TScriptedPresenter::Kind::Modal).empty());
}
