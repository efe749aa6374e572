// The confirm button: check orders, questions, the request and its failures.
#include "tests/screens/ScreenHarness.h"

#include "core/EAbort.h"
#include "external/appserver/TCallLog.h"
#include "external/shared/Ostrana.h"
#include "external/shared/TDateEditPlus.h"
#include "platform/TApplication.h"
#include "platform/TButtonFlat.h"
#include "platform/TCheckBox.h"
#include "platform/TClientDataSet.h"
#include "platform/TClock.h"
#include "platform/TComboBox.h"
#include "platform/TDBEdit.h"
#include "platform/TDBGrid.h"
#include "platform/TEdit.h"
#include "platform/TMaskEdit.h"
#include "platform/TNotebook.h"
#include "protocol/CalculaApuracaoArgs.h"
#include "screens/billing/Cli_Zel00100.h"
#include "screens/billing/TfrmApuracao.h"
#include "screens/viewer/Cli_Zel00101.h"
#include "screens/viewer/TfrmNotasApur.h"

using namespace Cli_Zel00100;
namespace Args = protocol::CalculaApuracaoArgs;

class BillingConfirmationTest : public ScreenHarness {
protected:
    // ABC at branch 0001 for February 2024, billed on 05/03/2024, nothing checked yet.
    void prepare() {
        open();
        ASSERT_TRUE(chooseCompany(QStringLiteral("ABC")));
        form->depDataFimDeliv->SetDate(QDate(2024, 2, 29));
        form->depDataFatur->SetDate(QDate(2024, 3, 5));
    }
    // Checks the legs of the given rows (ABC: 0 and 1 flight 1010, 2 flight 2020).
    void check(std::initializer_list<int> rows) {
        for (int row : rows)
            ASSERT_TRUE(form->dbgVooTrecho->userClickCell(row, 0));
    }
    bool confirm() { return click(*form->sbtConfirma); }
    QList<protocol::RemoteValue> sent() const {
        return TCallLog::instance().lastArgs(QLatin1String(Args::kMethod));
    }
    // The viewer, when it opens, is read by `inspect` and closed.
    void expectViewer(std::function<void(TfrmNotasApur&)> inspect) {
        presenter.pushModal([inspect](TForm& viewer) {
            inspect(static_cast<TfrmNotasApur&>(viewer));
            viewer.close();
        });
    }
};

TEST_F(BillingConfirmationTest, ComputesTheCheckedFlightsAndShowsTheInvoices) {
    open();
    ASSERT_TRUE(type(*form->medSgCia, QStringLiteral("abc")));
    ASSERT_TRUE(type(*form->edtNrPedido, QStringLiteral("77"))); // over the proposed "2"
    ASSERT_TRUE(focus(*form->depDataIniDeliv));
    form->depDataFimDeliv->SetDate(QDate(2024, 2, 29));
    form->depDataFatur->SetDate(QDate(2024, 3, 5));
    ASSERT_TRUE(type(*form->medTransp, QStringLiteral("45997418000153"))); // another carrier
    check({2, 0});
    EXPECT_EQ(form->edtTransp->text(), "Aero Log Transportes S.A.");
    QStringList refreshed;
    const int listener =
        Ostrana::addCacheListener([&](const QStringList& tables) { refreshed += tables; });
    bool viewed = false;
    expectViewer([&](TfrmNotasApur& viewer) {
        viewed = true;
        EXPECT_EQ(viewer.medSgCia->text(), "ABC");
        EXPECT_EQ(viewer.medNmCia->text(), "Aerovias Brasil Central");
        ASSERT_EQ(viewer.cdsNotaFiscal->recordCount(), 2);
        viewer.cdsNotaFiscal->first();
        EXPECT_EQ(viewer.cdsNotaFiscal->fieldByName(QStringLiteral("VRNOTAFISC")).displayText(),
                  "2.300,50");
        EXPECT_EQ(viewer.dbeVrTotal->text(), "2.720,50");
        EXPECT_EQ(viewer.dbeVrMoedEstr->text(), "544,10");
    });
    ASSERT_TRUE(confirm()) << lastError().toStdString();
    Ostrana::removeCacheListener(listener);
    EXPECT_TRUE(viewed);

    const auto args = sent();
    ASSERT_EQ(args.size(), 17);
    EXPECT_EQ(args[Args::WorkingBranch].toString(), "0001");
    EXPECT_EQ(args[Args::BranchCode].toString(), "0001");
    EXPECT_EQ(args[Args::CustomerCode].toString(), "CLI000000001");
    EXPECT_EQ(args[Args::DeliveryPeriodStart].toDate(), QDate(2024, 2, 1));
    EXPECT_EQ(args[Args::DeliveryPeriodEnd].toDate(), QDate(2024, 2, 29));
    EXPECT_EQ(args[Args::BillingDate].toDate(), QDate(2024, 3, 5));
    EXPECT_EQ(args[Args::CompanyKey].toString(), "0001");
    EXPECT_EQ(args[Args::FlightList].toString(), "_2020_1010");
    EXPECT_EQ(args[Args::AllFlightsFlag].toString(), "N");
    EXPECT_EQ(args[Args::InvoiceSeries].toString(), "1");
    EXPECT_EQ(args[Args::CarrierKind].toString(), "J");
    EXPECT_EQ(args[Args::CarrierNumber].toString(), "45997418000153");
    EXPECT_EQ(args[Args::ProductGroup].toString(), "");
    ASSERT_EQ(args[Args::CarrierChangePacket].type(), protocol::RemoteValue::Type::ChangePacket);
    const TChangePacket& carrier = args[Args::CarrierChangePacket].changePacket();
    ASSERT_EQ(carrier.changes.size(), 1);
    ASSERT_TRUE(carrier.changes[0].newValues.has_value());
    EXPECT_EQ(carrier.changes[0].newValues->value(1).toString(), "J45997418000153");
    EXPECT_EQ(args[Args::ClosedFlightList].toString(), "_2020_1010_");
    EXPECT_EQ(args[Args::OrderNumber].toString(), "77");

    EXPECT_EQ(refreshed, QStringList{QStringLiteral("CIAFILI")});
    // The server's progress reached the wait animation, ending at its total.
    const auto progress = presenter.records(TScriptedPresenter::Kind::WaitProgress);
    ASSERT_FALSE(progress.empty());
    EXPECT_GT(progress.back().total, 0);
    EXPECT_EQ(progress.back().done, progress.back().total);
    EXPECT_TRUE(progress.back().text.startsWith(QStringLiteral("Apuração ")))
        << progress.back().text.toStdString();
    // The legs are reloaded with nothing checked, and the computed ones have no data left.
    EXPECT_TRUE(stVooTrecho.isEmpty());
    form->cdsVooTrecho->first();
    EXPECT_EQ(form->cdsVooTrecho->fieldByName(QStringLiteral("QTDE_SERVICO")).asFloat(), 0);
    EXPECT_TRUE(presenter.errors().isEmpty()) << presenter.errors().join(u'\n').toStdString();
}

TEST_F(BillingConfirmationTest, ClickInTheHeaderSendsNothing) {
    prepare();
    check({0});
    ASSERT_TRUE(focus(*form->edtNrPedido));
    ASSERT_TRUE(focus(*form->medSgCia));
    form->sbtConfirmaClick(); // even were the button enabled
    EXPECT_EQ(callCount(QStringLiteral("CalculaApuracao")), 0);
    EXPECT_TRUE(presenter.errors().isEmpty());
}

TEST_F(BillingConfirmationTest, TheFocusedFieldDecidesWhichCheckSpeaksFirst) {
    // SFN has no default series (which the company check would put back) and no list.
    open();
    ASSERT_TRUE(chooseCompany(QStringLiteral("SFN")));
    form->depDataFatur->clear();
    ASSERT_TRUE(focus(*form->depDataFatur));
    EXPECT_FALSE(confirm());
    EXPECT_EQ(lastError(), "Data faturamento deve ser informada.");
    EXPECT_EQ(form->activeControl(), form->depDataFatur);
    ASSERT_TRUE(focus(*form->medSerie));
    EXPECT_FALSE(confirm());
    EXPECT_EQ(lastError(), "Série N.F. deve ser informada.");
    EXPECT_EQ(form->activeControl(), form->medSerie);
    EXPECT_EQ(callCount(QStringLiteral("CalculaApuracao")), 0);

    // The carrier is checked again only when no date and not the series has the focus.
    form->depDataFatur->SetDate(QDate(2024, 3, 20));
    ASSERT_TRUE(type(*form->medSerie, QStringLiteral("1")));
    form->medTransp->setText(QStringLiteral("99999999000199"));
    ASSERT_TRUE(focus(*form->depDataIniDeliv));
    EXPECT_FALSE(confirm());
    EXPECT_EQ(callCount(QStringLiteral("CalculaApuracao")), 1); // sent, refused by the server
    ASSERT_TRUE(focus(*form->medTransp));
    EXPECT_FALSE(confirm());
    EXPECT_EQ(lastError(), "Transportadora não cadastrada.");
    EXPECT_EQ(form->activeControl(), form->medTransp);
    EXPECT_EQ(callCount(QStringLiteral("CalculaApuracao")), 1);
}

TEST_F(BillingConfirmationTest, NothingCheckedOnThePageOnShowIsRefusedOnItsGrid) {
    prepare();
    ASSERT_TRUE(focus(*form->chkAgrupServ));
    EXPECT_FALSE(confirm());
    EXPECT_EQ(lastError(), "Vôo deve ser informado para apuração.");
    EXPECT_EQ(form->activeControl(), form->dbgVooTrecho);
    EXPECT_EQ(presenter.records(TScriptedPresenter::Kind::Error).back().focus, "dbgVooTrecho");

    // The locations page of a company billed by location.
    ASSERT_TRUE(chooseCompany(QStringLiteral("LOC")));
    ASSERT_EQ(form->ntbFaturamento->pageIndex(), 1);
    EXPECT_FALSE(confirm());
    EXPECT_EQ(lastError(), "Local de faturamento deve ser informado para apuração.");
    EXPECT_EQ(form->activeControl(), form->dbgLocal);
    EXPECT_EQ(presenter.records(TScriptedPresenter::Kind::Error).back().focus, "dbgLocal");
    EXPECT_EQ(callCount(QStringLiteral("CalculaApuracao")), 0);
}

TEST_F(BillingConfirmationTest, QuestionsAreConfirmationsAndRefusalsErrors) {
    prepare();
    check({2});
    form->depDataFimDeliv->SetDate(QDate(2024, 3, 25));
    check({2});
    presenter.answerNo();
    ASSERT_TRUE(focus(*form->chkAgrupServ));
    EXPECT_FALSE(confirm());
    const auto questions = presenter.records(TScriptedPresenter::Kind::Question);
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0].dialogType, TMsgDlgType::mtConfirmation);
    EXPECT_EQ(questions[0].defaultButton, 0);
    EXPECT_EQ(questions[0].helpContext, 0);

    // The platform's own question for an earlier year is a confirmation too.
    Clock().reset();
    Clock().setNow(QDateTime(QDate(2025, 1, 10), QTime(10, 0)));
    form->depDataFimDeliv->SetDate(QDate(2024, 2, 29));
    check({2});
    presenter.answerNo();
    EXPECT_FALSE(confirm());
    EXPECT_EQ(presenter.records(TScriptedPresenter::Kind::Question).back().dialogType,
              TMsgDlgType::mtConfirmation);

    form->depDataFimDeliv->SetDate(QDate(2024, 1, 31));
    EXPECT_FALSE(confirm());
    EXPECT_EQ(presenter.records(TScriptedPresenter::Kind::Error).back().dialogType,
              TMsgDlgType::mtError);
}

TEST_F(BillingConfirmationTest, DateQuestionsAndTheOrderOfTheDates) {
    prepare();
    check({2});
    // End date after today: "No" stops on the end date.
    form->depDataFimDeliv->SetDate(QDate(2024, 3, 25));
    check({2});
    presenter.answerNo();
    ASSERT_TRUE(focus(*form->chkAgrupServ));
    EXPECT_FALSE(confirm());
    EXPECT_EQ(presenter.records(TScriptedPresenter::Kind::Question).back().text,
              "Data final de apuração de deliverys maior que a data atual. Confirma?");
    EXPECT_EQ(form->activeControl(), form->depDataFimDeliv);

    // "Yes" goes on; a billing date one day before the end date asks again.
    form->depDataFatur->SetDate(QDate(2024, 3, 24));
    presenter.answerYes();
    presenter.answerNo();
    ASSERT_TRUE(focus(*form->chkAgrupServ));
    EXPECT_FALSE(confirm());
    EXPECT_EQ(presenter.records(TScriptedPresenter::Kind::Question).back().text,
              "Data final maior que a data de faturamento. Confirma?");
    EXPECT_EQ(form->activeControl(), form->depDataFimDeliv);

    // Start after end is refused outright.
    form->depDataFimDeliv->SetDate(QDate(2024, 1, 31));
    ASSERT_TRUE(focus(*form->chkAgrupServ));
    EXPECT_FALSE(confirm());
    EXPECT_EQ(lastError(),
              "Data inicial (delivery) deve ser menor ou igual a data final (delivery).");
    EXPECT_EQ(form->activeControl(), form->depDataIniDeliv);
    EXPECT_EQ(callCount(QStringLiteral("CalculaApuracao")), 0);
    EXPECT_EQ(presenter.pendingAnswers(), 0);
}

TEST_F(BillingConfirmationTest, EqualDatesAskNothingAndEarlierYearsAreConfirmed) {
    prepare();
    Clock().reset();
    Clock().setNow(QDateTime(QDate(2025, 1, 10), QTime(10, 0)));
    form->depDataFatur->SetDate(QDate(2024, 2, 29));
    form->medTransp->setText(QStringLiteral("45997418000153"));
    check({2});
    presenter.answerNo(); // "Data_Inicial"
    ASSERT_TRUE(focus(*form->chkAgrupServ));
    EXPECT_FALSE(confirm());
    auto questions = presenter.records(TScriptedPresenter::Kind::Question);
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0].text, "O ano da data inicial digitada é menor do que o ano da data "
                                 "atual, deseja confirmar?");
    EXPECT_EQ(form->cdsDiretorios->changeCount(), 1); // the carrier row was already stored

    presenter.answerYes();
    presenter.answerNo(); // "Data_Faturamento"
    EXPECT_FALSE(confirm());
    questions = presenter.records(TScriptedPresenter::Kind::Question);
    ASSERT_EQ(questions.size(), 3u);
    EXPECT_EQ(questions[2].text, "O ano da data de faturamento digitada é menor do que o ano "
                                 "da data atual, deseja confirmar?");
    EXPECT_EQ(callCount(QStringLiteral("CalculaApuracao")), 0);
    EXPECT_TRUE(presenter.errors().isEmpty());
}

TEST_F(BillingConfirmationTest, ServerRefusalsAreShownAsTheScreensMessages) {
    prepare();
    // A delivery without its billing number in the period.
    form->depDataFimDeliv->SetDate(QDate(2024, 3, 10));
    form->depDataFatur->SetDate(QDate(2024, 3, 10));
    check({0});
    ASSERT_TRUE(focus(*form->chkAgrupServ));
    EXPECT_FALSE(confirm());
    EXPECT_EQ(lastError(), "Operação bloqueada! Existe alguma delivery sem Nr. de Faturamento "
                           "no período informado.");
    EXPECT_EQ(form->activeControl(), form->depDataIniDeliv);

    // An export directory that does not exist.
    form->depDataFimDeliv->SetDate(QDate(2024, 2, 29));
    check({2});
    exec(QStringLiteral("INSERT INTO DIRETORIOS (CDPROGRAMA, DSDIRETORIO) "
                        "VALUES ('EXPDELIV', '/nao/existe/zel')"));
    ASSERT_TRUE(focus(*form->chkAgrupServ));
    EXPECT_FALSE(confirm());
    EXPECT_EQ(lastError(), "O diretório parametrizado para exportação de delivery está "
                           "incorreto.");
    exec(QStringLiteral("DELETE FROM DIRETORIOS WHERE CDPROGRAMA = 'EXPDELIV'"));

    // An interrupted computation: "¿Apur_Irreg", its number padded to 20, "*".
    exec(QStringLiteral(
        "INSERT INTO CTRLAPURFAT (NRAPURACFAT, IDTIPAPUR, CDFILIALTRAB, CDFILIAL, CDCIA, "
        "CDCLIENTE, DTINIAPURAC, DTFIMAPURAC, DTFATURA, CDSERIE, IDSTATUS, DTHRINICIO) VALUES "
        "('0000000009', 'F', '0001', '0001', '0001', 'CLI000000001', '2024-02-01', "
        "'2024-02-29', '2024-03-05', '1', 'P', '2024-03-01 08:00:00')"));
    EXPECT_FALSE(confirm());
    EXPECT_EQ(lastError(), "Última apuração realizada 0000000009 para a companhia foi "
                           "interrompida, podendo os dados não estarem consistentes. Realize o "
                           "cancelamento da mesma e apure novamente.");
    EXPECT_EQ(callCount(QStringLiteral("GetNotaFiscal")), 0); // no viewer for any of them
}

TEST_F(BillingConfirmationTest, WithoutFlightSelectionTheRequestTakesAllFlights) {
    open();
    ASSERT_TRUE(chooseCompany(QStringLiteral("SFN"))); // no issue form: no list to choose from
    ASSERT_TRUE(type(*form->medSerie, QStringLiteral("1")));
    EXPECT_FALSE(confirm());
    const auto args = sent();
    ASSERT_EQ(args.size(), 17);
    EXPECT_EQ(args[Args::FlightList].toString(), "");
    EXPECT_EQ(args[Args::AllFlightsFlag].toString(), "T");
    EXPECT_EQ(args[Args::ClosedFlightList].toString(), "_");
    EXPECT_EQ(lastError(), "Tipo de faturamento não cadastrado para a companhia.");
}

TEST_F(BillingConfirmationTest, AnyOtherFailureOpensTheViewerWithItsText) {
    prepare();
    check({2});
    form->edtNrPedido->setText(QStringLiteral("12345678901")); // wider than the server takes
    ASSERT_TRUE(focus(*form->chkAgrupServ));
    EXPECT_FALSE(confirm());
    const auto viewerArgs = TCallLog::instance().lastArgs(QStringLiteral("GetNotaFiscal"));
    ASSERT_EQ(viewerArgs.size(), 2);
    EXPECT_TRUE(viewerArgs[1].toString().startsWith(QStringLiteral("Chamada inválida")));
    EXPECT_FALSE(lastError().isEmpty()); // the viewer's own call fails for that key
}

TEST_F(BillingConfirmationTest, NoInvoicesSkipsTheReloadOfTheLegs) {
    prepare();
    check({2});
    // Meanwhile another computation took the flight's deliveries.
    exec(QStringLiteral("UPDATE DELIVERY SET NRAPURACFAT = '0000000001', NRLANCTONF = '0000000002' "
                        "WHERE NRVOO = '2020'"));
    const int loads = callCount(QStringLiteral("GetVooTrecho"));
    ASSERT_TRUE(focus(*form->chkAgrupServ));
    EXPECT_FALSE(confirm());
    EXPECT_EQ(presenter.errors(),
              QStringList{QStringLiteral("Não foram geradas notas fiscais no período informado.")});
    EXPECT_EQ(callCount(QStringLiteral("GetVooTrecho")), loads);
    EXPECT_EQ(stVooTrecho, "_2020");
}

TEST_F(BillingConfirmationTest, TheValueIsReadUpToTheStarAfterTheKeyAndNeverFromTheKey) {
    open();
    const auto shownWith = [&](const QString& failure) {
        EXPECT_THROW(form->translateFailure(failure), EAbort) << failure.toStdString();
        return lastError();
    };
    const QString before = QStringLiteral("Última apuração realizada ");
    const QString after = QStringLiteral(" para a companhia foi interrompida");
    // No "*": no value.
    EXPECT_TRUE(shownWith(QStringLiteral("¿Apur_Irreg0000000009")).startsWith(before + after));
    // A "*" before the key is not the one that ends the value.
    EXPECT_TRUE(shownWith(QStringLiteral("*x¿Apur_Irreg0000000009*"))
                    .startsWith(before + "0000000009" + after));
    // A value shorter than its width: the characters before it are the key's, not taken.
    EXPECT_TRUE(shownWith(QStringLiteral("¿Apur_Irreg42*")).startsWith(before + "42" + after));
    EXPECT_TRUE(shownWith(QStringLiteral("#Apur_Irreg7*")).startsWith(before + "7" + after));
    // Exactly the width: all of it, trimmed.
    EXPECT_TRUE(shownWith(QStringLiteral("#Apur_Irreg  123*")).startsWith(before + "123" + after));
}

TEST_F(BillingConfirmationTest, FailureTextsTheServerMayUse) {
    open();
    // "#": the 10-character key after it, the 5 characters before "*".
    EXPECT_THROW(form->translateFailure(QStringLiteral("x#Apur_Irreg  00042*resto")), EAbort);
    EXPECT_EQ(lastError(), "Última apuração realizada 00042 para a companhia foi interrompida, "
                           "podendo os dados não estarem consistentes. Realize o cancelamento da "
                           "mesma e apure novamente.");
    // A database failure reaches the host unchanged.
    try {
        form->translateFailure(QStringLiteral("ORA-00001: unique constraint"));
        ADD_FAILURE() << "passed over";
    } catch (const EAbort&) {
        ADD_FAILURE() << "silenced";
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), "ORA-00001: unique constraint");
    }
    // A key the table lacks shows the server's own text rather than an empty box.
    EXPECT_THROW(form->translateFailure(QStringLiteral("¿Nao_Existe          *")), EAbort);
    EXPECT_EQ(lastError(), "¿Nao_Existe          *");
    EXPECT_EQ(form->translateFailure(QStringLiteral("Falha na apuração 0000000003: disco")),
              "Falha na apuração 0000000003: disco");
}
