// The fee screen's confirm button: its checks, the request, the server's answers and failures.
#include "tests/screens/FeeHarness.h"

#include "core/EAbort.h"
#include "external/appserver/TCallLog.h"
#include "external/shared/Showavi.h"
#include "external/shared/TDateEditPlus.h"
#include "platform/TApplication.h"
#include "platform/TButtonFlat.h"
#include "platform/TClientDataSet.h"
#include "platform/TClock.h"
#include "platform/TComboBox.h"
#include "platform/TDBGrid.h"
#include "platform/TEdit.h"
#include "platform/TMaskEdit.h"
#include "platform/TScreen.h"
#include "platform/TShiftState.h"
#include "platform/TSpeedButton.h"
#include "screens/billing/Cli_Zel00100.h"
#include "screens/billing/TfrmApuracao.h"
#include "screens/fee/Cli_Zel00102.h"
#include "screens/fee/TfrmApurac.h"
#include "screens/viewer/TfrmNotasApur.h"

class FeeConfirmationTest : public FeeHarness {
protected:
    // The viewer, when it opens, is read by `inspect` and closed.
    void expectViewer(std::function<void(TfrmNotasApur&)> inspect) {
        presenter.pushModal([inspect](TForm& viewer) {
            inspect(static_cast<TfrmNotasApur&>(viewer));
            viewer.close();
        });
    }
    // A fee already computed for `invoice`, so that the server refuses it.
    void charge(const QString& invoice) {
        exec(QStringLiteral(
                 "INSERT INTO NOTAFISCAL (NRLANCTONF, CDFILIAL, NRAPURACFAT, CDCLIENTE, "
                 "CDCIA, DTENTRSAID, VRNOTAFISC, VRTTMOEDESTR, NRLANCTONFORIG, IDEMITIDA) "
                 "VALUES ('X%1', '0001', '0000000050', 'CLI000000005', '0005', "
                 "'2024-03-01', 1, 1, '%2', 'N')")
                 .arg(invoice.right(9), invoice));
    }
};

TEST_F(FeeConfirmationTest, ComputesTheFeesOfTheCheckedInvoicesAndShowsThem) {
    bool viewed = false;
    ASSERT_TRUE(withFee([&](TfrmApurac& fee) {
        ASSERT_TRUE(chooseComputation(fee, QStringLiteral("50")));
        check(fee, {2, 0}); // checked bottom first: the list still follows the grid
        expectViewer([&](TfrmNotasApur& viewer) {
            viewed = true;
            // The fee screen closes only after the viewer.
            EXPECT_TRUE(fee.isShowing());
            EXPECT_EQ(viewer.medSgCia->text(), "GRP");
            ASSERT_EQ(viewer.cdsNotaFiscal->recordCount(), 2);
            viewer.cdsNotaFiscal->first();
            // 2.5 % of 1.234,56 and of 19,99, to the cent, halves up.
            EXPECT_EQ(viewer.cdsNotaFiscal->fieldByName(QStringLiteral("VRNOTAFISC")).displayText(),
                      "30,86");
            viewer.cdsNotaFiscal->next();
            EXPECT_EQ(viewer.cdsNotaFiscal->fieldByName(QStringLiteral("VRNOTAFISC")).displayText(),
                      "0,50");
        });
        ASSERT_TRUE(confirm(fee)) << lastError().toStdString();
        EXPECT_FALSE(fee.isShowing());
    }));
    EXPECT_TRUE(viewed);
    EXPECT_FALSE(Cli_Zel00102::boIdCriado);
    EXPECT_EQ(form->activeControl(), form->medCdFilial);

    const auto args = sent();
    ASSERT_EQ(args.size(), 12);
    EXPECT_EQ(args[0].toString(), "0001");
    EXPECT_EQ(args[1].toString(), "CLI000000005");
    EXPECT_EQ(args[2].toDate(), QDate(2024, 1, 1));
    EXPECT_EQ(args[3].toDate(), QDate(2024, 1, 31));
    EXPECT_EQ(args[4].toString(), "0001");
    EXPECT_EQ(args[5].toString(), "0005");
    EXPECT_EQ(args[6].toDate(), QDate(2024, 2, 6));
    EXPECT_EQ(args[7].toString(), "1");
    EXPECT_EQ(args[8].toString(), ""); // no carrier given
    EXPECT_EQ(args[9].toString(), "");
    EXPECT_EQ(args[10].toString(), "TAXAAERO");
    EXPECT_EQ(args[11].toString(), "_0000000051_0000000053_");
    // The viewer is asked for the number after "NSEQ".
    EXPECT_EQ(TCallLog::instance().lastArgs(QStringLiteral("GetNotaFiscal")).value(1).toString(),
              "0000000051");
    EXPECT_TRUE(presenter.errors().isEmpty()) << presenter.errors().join(u'\n').toStdString();
}

TEST_F(FeeConfirmationTest, NothingLoadedOrNothingCheckedSendsNothing) {
    ASSERT_TRUE(withFee([&](TfrmApurac& fee) {
        ASSERT_TRUE(type(*fee.depDataIni, QStringLiteral("01012024")));
        ASSERT_TRUE(type(*fee.depDataFim, QStringLiteral("31012024")));
        ASSERT_TRUE(type(*fee.depDataFatur, QStringLiteral("06022024")));
        presenter.expectError(QStringLiteral("Não existe Nota Fiscal selecionada."));
        EXPECT_FALSE(confirm(fee));
        ASSERT_TRUE(chooseComputation(fee, QStringLiteral("50")));
        presenter.expectError(QStringLiteral("Não existe Nota Fiscal selecionada."));
        EXPECT_FALSE(confirm(fee));
        EXPECT_TRUE(fee.isShowing());
    }));
    EXPECT_EQ(callCount(QStringLiteral("CalcApuracTaxa")), 0);
    EXPECT_EQ(presenter.errors().size(), 2);
    EXPECT_FALSE(presenter.hasUnexpected()) << presenter.unexpected().join(u'\n').toStdString();
}

TEST_F(FeeConfirmationTest, MoreInvoicesThanTheOldListHeldAreSentWhole) {
    for (int i = 0; i < 27; ++i)
        addInvoice(QStringLiteral("00000001%1").arg(i, 2, 10, QLatin1Char('0')), 10000 + i);
    ASSERT_TRUE(withFee([&](TfrmApurac& fee) {
        ASSERT_TRUE(chooseComputation(fee, QStringLiteral("50")));
        ASSERT_EQ(fee.cdsNotasApuradas->recordCount(), 30);
        int key = VK_SPACE;
        fee.dbgNotas->keyDown(key, TShiftState{.ctrl = true});
        expectViewer(
            [](TfrmNotasApur& viewer) { EXPECT_EQ(viewer.cdsNotaFiscal->recordCount(), 30); });
        ASSERT_TRUE(confirm(fee)) << lastError().toStdString();
    }));
    const QString list = sent().value(11).toString();
    EXPECT_EQ(list.size(), 1 + 30 * 11);
    EXPECT_TRUE(list.endsWith(QStringLiteral("_0000000126_")));
}

TEST_F(FeeConfirmationTest, DatesAreCheckedBeforeAnythingIsSent) {
    ASSERT_TRUE(withFee([&](TfrmApurac& fee) {
        ASSERT_TRUE(chooseComputation(fee, QStringLiteral("50")));
        check(fee, {0});
        // A billing date a day before the end of the period is refused, without a choice.
        ASSERT_TRUE(type(*fee.depDataFatur, QStringLiteral("30012024")));
        presenter.expectError(
            QStringLiteral("Data final maior que a data de faturamento. Confirma?"));
        EXPECT_FALSE(confirm(fee));
        EXPECT_EQ(fee.activeControl(), fee.depDataFim);
        EXPECT_EQ(presenter.records(TScriptedPresenter::Kind::Question).size(), 1u); // the group's
        // Back in the header the grid was closed: the marks go with it.
        EXPECT_FALSE(fee.cdsNotasApuradas->active());
        ASSERT_TRUE(focus(*fee.dbgNotas));
        check(fee, {0});

        // Entering the grid again proposed the billing date anew; the user erases it.
        EXPECT_EQ(fee.depDataFatur->GetDate(), QDate(2024, 2, 6));
        ASSERT_TRUE(focus(*fee.depDataFatur));
        fee.depDataFatur->clear();
        presenter.expectError(QStringLiteral("Data faturamento deve ser informada."));
        EXPECT_FALSE(confirm(fee));
        EXPECT_EQ(fee.activeControl(), fee.depDataFatur);

        ASSERT_TRUE(type(*fee.medSerie, QStringLiteral("9")));
        presenter.expectError(QStringLiteral("Série de documentos de saída não cadastrada."));
        EXPECT_FALSE(focus(*fee.depDataFatur));
        ASSERT_TRUE(type(*fee.medSerie, QStringLiteral("1")));
        ASSERT_TRUE(type(*fee.depDataFatur, QStringLiteral("31012024")));
        // Equal dates pass.
        expectViewer([](TfrmNotasApur&) {});
        ASSERT_TRUE(confirm(fee)) << lastError().toStdString();
    }));
    EXPECT_EQ(callCount(QStringLiteral("CalcApuracTaxa")), 1);
    EXPECT_FALSE(presenter.hasUnexpected()) << presenter.unexpected().join(u'\n').toStdString();
}

TEST_F(FeeConfirmationTest, YearsBeforeTheCurrentOneAreQuestioned) {
    Clock().setToday(QDate(2025, 1, 10));
    ASSERT_TRUE(withFee([&](TfrmApurac& fee) {
        ASSERT_TRUE(chooseComputation(fee, QStringLiteral("50")));
        check(fee, {1});
        presenter.answerNo();
        EXPECT_FALSE(confirm(fee));
        EXPECT_EQ(fee.activeControl(), fee.depDataFim);
        ASSERT_TRUE(focus(*fee.dbgNotas));
        check(fee, {1});
        presenter.answerYes();
        presenter.answerNo();
        EXPECT_FALSE(confirm(fee));
        EXPECT_EQ(fee.activeControl(), fee.depDataFim);
        EXPECT_EQ(callCount(QStringLiteral("CalcApuracTaxa")), 0);
        ASSERT_TRUE(focus(*fee.dbgNotas));
        check(fee, {1});

        presenter.answerYes();
        presenter.answerYes();
        expectViewer([](TfrmNotasApur&) {});
        ASSERT_TRUE(confirm(fee)) << lastError().toStdString();
    }));
    const auto questions = presenter.records(TScriptedPresenter::Kind::Question);
    ASSERT_EQ(questions.size(), 6u); // the group's first
    EXPECT_EQ(questions[1].text, "O ano da data inicial digitada é menor do que o ano da data "
                                 "atual, deseja confirmar?");
    EXPECT_EQ(questions[3].text, "O ano da data de faturamento digitada é menor do que o ano da "
                                 "data atual, deseja confirmar?");
    EXPECT_EQ(callCount(QStringLiteral("CalcApuracTaxa")), 1);
    EXPECT_TRUE(presenter.errors().isEmpty()) << presenter.errors().join(u'\n').toStdString();
}

TEST_F(FeeConfirmationTest, TheCarrierShownIsSentWithTheFeeScreensKind) {
    ASSERT_TRUE(withFee([&](TfrmApurac& fee) {
        ASSERT_TRUE(chooseComputation(fee, QStringLiteral("50")));
        check(fee, {0});
        ASSERT_TRUE(click(*fee.sbtCGC));
        EXPECT_EQ(fee.sbtCGC->caption(), "&Transp. (C.P.F.)");
        ASSERT_TRUE(type(*fee.medTransp, QStringLiteral("52998224725")));
        expectViewer([](TfrmNotasApur&) {});
        ASSERT_TRUE(confirm(fee)) << lastError().toStdString();
    }));
    EXPECT_EQ(sent().value(8).toString(), "F");
    EXPECT_EQ(sent().value(9).toString(), "52998224725");
    EXPECT_EQ(Cli_Zel00100::chIdTipoTransp, u'J'); // the billing screen's kind is its own
    EXPECT_TRUE(presenter.errors().isEmpty()) << presenter.errors().join(u'\n').toStdString();
}

TEST_F(FeeConfirmationTest, ServerFailuresAreTranslatedAndTheScreenStays) {
    addInvoice(QStringLiteral("ORA0000001"), 5000);
    ASSERT_TRUE(withFee([&](TfrmApurac& fee) {
        ASSERT_TRUE(chooseComputation(fee, QStringLiteral("50")));
        check(fee, {0});
        // No product group: the key's text from the billing screen's table, value trimmed.
        form->medCdGrupo->setText(QString());
        presenter.expectError(
            QStringLiteral("Produto para taxa de aeroporto nacional deve ser informado."));
        EXPECT_FALSE(confirm(fee));
        EXPECT_EQ(sent().value(10).toString(), "");
        // A group without a rate.
        form->medCdGrupo->setText(QStringLiteral("CARGA"));
        presenter.expectError(QStringLiteral(
            "Não há Produto para taxa de aeroporto cadastrado no agrupamento informado."));
        EXPECT_FALSE(confirm(fee));
        form->medCdGrupo->setText(QStringLiteral("TAXAAERO"));

        // A server text holding "ORA" reaches the error display as it came.
        check(fee, {0, 3}); // 0000000051 off, ORA0000001 on
        charge(QStringLiteral("ORA0000001"));
        presenter.expectError(
            QStringLiteral("Nota fiscal ORA0000001 não pode receber taxa aeroportuária."));
        EXPECT_FALSE(confirm(fee));

        // Any other text is dropped: no number, so no invoices to show, and the screen stays.
        check(fee, {3, 1});
        charge(QStringLiteral("0000000052"));
        presenter.expectError(
            QStringLiteral("Não foram geradas notas fiscais no período informado."));
        EXPECT_FALSE(confirm(fee));
        EXPECT_TRUE(fee.isShowing());
        EXPECT_EQ(callCount(QStringLiteral("GetNotaFiscal")), 0);
    }));
    EXPECT_EQ(callCount(QStringLiteral("CalcApuracTaxa")), 4);
    EXPECT_FALSE(presenter.hasUnexpected()) << presenter.unexpected().join(u'\n').toStdString();
}

TEST_F(FeeConfirmationTest, ATranslatedFailureFillsItsValueIntoTheBillingScreensText) {
    ASSERT_TRUE(withFee([&](TfrmApurac&) {
        Showavi::ActiveShowAvi(nullptr, 6);
        presenter.expectError(QStringLiteral(
            "Última apuração realizada 0000000050 para a companhia foi interrompida, podendo os "
            "dados não estarem consistentes. Realize o cancelamento da mesma e apure novamente."));
        EXPECT_THROW(
            TfrmApurac::translateFailure(QStringLiteral("¿Apur_Irreg0000000050          *")),
            EAbort);
        EXPECT_FALSE(Showavi::isActive());
        // A text none of the rules knows is left for the caller to drop.
        EXPECT_NO_THROW(TfrmApurac::translateFailure(QStringLiteral("Falha qualquer")));
    }));
    EXPECT_FALSE(presenter.hasUnexpected()) << presenter.unexpected().join(u'\n').toStdString();
}

TEST_F(FeeConfirmationTest, TheRequestStartsNoWaitAnimationOfItsOwn) {
    bool viewed = false;
    ASSERT_TRUE(withFee([&](TfrmApurac& fee) {
        ASSERT_TRUE(chooseComputation(fee, QStringLiteral("50")));
        check(fee, {0});
        ASSERT_TRUE(type(*fee.depDataFatur, QStringLiteral("20032024")));
        expectViewer([&](TfrmNotasApur&) { viewed = true; });
        const std::size_t from = presenter.records().size();
        EXPECT_TRUE(confirm(fee));
        // The only animation is the viewer's load, just before it shows.
        std::vector<TScriptedPresenter::Record> after(presenter.records().begin() + from,
                                                      presenter.records().end());
        int waits = 0;
        for (const auto& record : after) {
            if (record.kind == TScriptedPresenter::Kind::WaitBegin) {
                ++waits;
                EXPECT_EQ(record.kindNumber, 6);
            }
            if (record.kind == TScriptedPresenter::Kind::Modal)
                break;
        }
        EXPECT_EQ(waits, 1);
    }));
    EXPECT_TRUE(viewed);
    EXPECT_TRUE(presenter.errors().isEmpty()) << presenter.errors().join(u'\n').toStdString();
}

TEST_F(FeeConfirmationTest, AFeeScreenThatCannotBeCreatedLeavesTheFlagFalse) {
    open();
    ASSERT_TRUE(type(*form->medSgCia, QStringLiteral("GRP")));
    ASSERT_TRUE(focus(*form->cbbTipoVoo));
    ASSERT_TRUE(type(*form->medCdGrupo, QStringLiteral("TAXAAERO")));
    presenter.answerYes();
    ASSERT_TRUE(focus(*form->edtNrPedido));
    // The connecting animation cannot be shown while the fee screen is created.
    struct NoConnectingAnimation : TScriptedPresenter {
        void waitBegin(int kind) override {
            if (kind == 0)
                throw Exception(QStringLiteral("Animação indisponível."));
            TScriptedPresenter::waitBegin(kind);
        }
    } failing;
    Application().setPresenter(&failing);
    EXPECT_FALSE(focus(*form->depDataIniDeliv));
    Application().setPresenter(&presenter);
    EXPECT_EQ(failing.errors(), QStringList{QStringLiteral("Animação indisponível.")});
    EXPECT_FALSE(Cli_Zel00102::boIdCriado);
    EXPECT_EQ(Cli_Zel00102::frmApurac, nullptr);
    EXPECT_EQ(Screen().cursor(), crDefault);
    EXPECT_TRUE(presenter.records(TScriptedPresenter::Kind::Modal).empty());
    EXPECT_FALSE(form->sbtConfirma->enabled());
}

TEST(FeeDatabaseError, RebuiltFromTheEntriesAfterTheFirst) {
    EXPECT_EQ(TfrmApurac::rebuildDatabaseError(
                  {"Erro geral", "ORA-20001: Nota bloqueada\nlinha 12", "não lido"}),
              "Nota bloqueada");
    EXPECT_EQ(TfrmApurac::rebuildDatabaseError({"Erro geral", "Tabela", "travada\nno banco", "x"}),
              " Tabela travada");
    EXPECT_EQ(TfrmApurac::rebuildDatabaseError({"Erro geral", "sem quebra"}), " sem quebra");
    EXPECT_EQ(TfrmApurac::rebuildDatabaseError({"Erro geral"}), "");
}
