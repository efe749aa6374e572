// Opening the billing screen, the header (branch, company, group) and leaving it.
#include "tests/screens/ScreenHarness.h"

#include "external/appserver/TCallLog.h"
#include "external/shared/Ostrana.h"
#include "external/shared/TBtnPesquisa.h"
#include "external/shared/TDateEditPlus.h"
#include "platform/TApplication.h"
#include "platform/TButtonFlat.h"
#include "platform/TCheckBox.h"
#include "platform/TClientDataSet.h"
#include "platform/TComboBox.h"
#include "platform/TDBGrid.h"
#include "platform/TEdit.h"
#include "platform/TGroupBox.h"
#include "platform/TLabel.h"
#include "platform/TMaskEdit.h"
#include "platform/TNotebook.h"
#include "platform/TScreen.h"
#include "platform/TSpeedButton.h"
#include "screens/billing/Cli_Zel00100.h"
#include "screens/billing/TfrmApuracao.h"
#include "screens/fee/Cli_Zel00102.h"

using namespace Cli_Zel00100;

namespace {
QString date(int y, int m, int d) {
    return QDate(y, m, d).toString(QStringLiteral("dd/MM/yyyy"));
}
} // namespace

using BillingLaunchTest = ScreenHarness;

TEST_F(BillingLaunchTest, SecondLaunchRestoresTheOpenScreenAndAfterCloseMakesAFreshOne) {
    TfrmApuracao& first = open();
    ASSERT_TRUE(type(*first.medSgCia, QStringLiteral("abc")));
    first.setWindowState(wsMinimized);
    open();
    EXPECT_EQ(form, &first);
    EXPECT_EQ(first.windowState(), wsNormal);
    EXPECT_EQ(first.medSgCia->text(), "ABC");

    stVooTrecho = QStringLiteral("_1010");
    first.close();
    Application().processMessages();
    EXPECT_FALSE(boIdCriado);
    EXPECT_EQ(frmApuracao, nullptr);
    TfrmApuracao& second = open();
    EXPECT_TRUE(boIdCriado);
    EXPECT_TRUE(second.medSgCia->text().isEmpty());
    EXPECT_EQ(stVooTrecho, "_1010"); // closing keeps the unit's state
}

TEST_F(BillingLaunchTest, ClosingKeepsTheAirportFeeMarkAndTheLocationSelection) {
    TfrmApuracao& first = open();
    stGrupTaxa = QStringLiteral("S");
    stLocalFat = QStringLiteral("_GRU-TECA");
    first.close();
    Application().processMessages();
    EXPECT_EQ(frmApuracao, nullptr);
    EXPECT_EQ(stGrupTaxa, "S");
    EXPECT_EQ(stLocalFat, "_GRU-TECA");
    // The new screen's focus enters its header, which clears the airport-fee mark only.
    open();
    EXPECT_EQ(stGrupTaxa, "N");
    EXPECT_EQ(stLocalFat, "_GRU-TECA");
}

TEST_F(BillingLaunchTest, ACreationThatFailsLeavesNoScreenAndTheDefaultCursor) {
    // The host's branch is refused while the screen is created.
    Ostrana::setFiliProc(QStringLiteral("9"));
    EXPECT_FALSE(Application().runUserAction([] { CriaApuracao(); }));
    EXPECT_EQ(frmApuracao, nullptr);
    EXPECT_FALSE(boIdCriado);
    EXPECT_EQ(Screen().cursor(), crDefault);
    EXPECT_EQ(lastError(), "Filial não cadastrada.");
    EXPECT_TRUE(Application().forms().empty());

    // The next launch tries again.
    Ostrana::setFiliProc(QStringLiteral("0001"));
    open();
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(boIdCriado);
    EXPECT_EQ(form->edtNmFilial->text(), "Matriz Guarulhos");
}

using BillingHeaderTest = ScreenHarness;

TEST_F(BillingHeaderTest, CreationPresetsAndValidatesTheHostBranch) {
    open();
    EXPECT_EQ(form->medCdFilial->text(), "0001");
    EXPECT_EQ(form->edtNmFilial->text(), "Matriz Guarulhos");
    EXPECT_EQ(form->cbbTipoVoo->itemIndex(), 2);
    EXPECT_EQ(form->sbtCGC->caption(), "&Transp. (C.G.C.)");
    EXPECT_FALSE(form->sbtConfirma->enabled());
    EXPECT_FALSE(form->medCdGrupo->enabled());
    EXPECT_FALSE(form->btpPesqGrupo->enabled());
    EXPECT_TRUE(form->medCdFilial->enabled());
    EXPECT_EQ(form->activeControl(), form->medCdFilial);
}

TEST_F(BillingHeaderTest, SingleBranchModeLocksTheBranchButStillValidatesIt) {
    Ostrana::setModuFili(true);
    Ostrana::setFiliProc(QStringLiteral("2"));
    open();
    EXPECT_FALSE(form->lblFilial->enabled());
    EXPECT_FALSE(form->medCdFilial->enabled());
    EXPECT_FALSE(form->btpFilial->enabled());
    EXPECT_EQ(form->medCdFilial->color(), clBtnFace);
    EXPECT_EQ(form->medCdFilial->text(), "0002"); // brought to its width, then found
    EXPECT_EQ(form->edtNmFilial->text(), "Filial Galeão");
}

TEST_F(BillingHeaderTest, ARefusedBranchHasTheFocusBeforeItsMessageShows) {
    open();
    ASSERT_TRUE(type(*form->medCdFilial, QStringLiteral("9")));
    EXPECT_FALSE(focus(*form->medSgCia));
    EXPECT_EQ(lastError(), "Filial não cadastrada.");
    EXPECT_EQ(form->activeControl(), form->medCdFilial);

    // Checked again by the confirmation, away from the field.
    ASSERT_TRUE(type(*form->medCdFilial, QStringLiteral("1")));
    ASSERT_TRUE(chooseCompany(QStringLiteral("ABC")));
    form->medCdFilial->clear();
    EXPECT_FALSE(click(*form->sbtConfirma));
    const auto errors = presenter.records(TScriptedPresenter::Kind::Error);
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[1].text, "Filial deve ser informada.");
    EXPECT_EQ(errors[1].focus, "medCdFilial");
    EXPECT_EQ(errors[1].dialogType, TMsgDlgType::mtError);
    EXPECT_EQ(form->activeControl(), form->medCdFilial);
}

TEST_F(BillingHeaderTest, ABranchLookupClearsTheCompany) {
    open();
    ASSERT_TRUE(type(*form->medSgCia, QStringLiteral("ABC")));
    ASSERT_TRUE(focus(*form->cbbTipoVoo));
    ASSERT_EQ(form->medNmCia->text(), "Aerovias Brasil Central");
    presenter.chooseRowIndex(1);
    ASSERT_TRUE(click(*form->btpFilial));
    EXPECT_EQ(form->medCdFilial->text(), "0002");
    EXPECT_EQ(form->edtNmFilial->text(), "Filial Galeão");
    EXPECT_TRUE(form->medSgCia->text().isEmpty());
    EXPECT_TRUE(form->medNmCia->text().isEmpty());
    EXPECT_TRUE(form->edtNrPedido->text().isEmpty());
}

TEST_F(BillingHeaderTest, CompanyFillsNameSeriesCarrierAndOrderNumber) {
    open();
    ASSERT_TRUE(type(*form->medSgCia, QStringLiteral("abc")));
    EXPECT_EQ(form->medSgCia->text(), "ABC");
    ASSERT_TRUE(focus(*form->cbbTipoVoo));
    EXPECT_EQ(form->medNmCia->text(), "Aerovias Brasil Central");
    EXPECT_EQ(form->medTipoApur->text(), "Por número de vôo");
    EXPECT_EQ(form->medSerie->text(), "1");
    EXPECT_EQ(form->edtSerie->text(), "Série 1");
    EXPECT_EQ(form->medTransp->text(), "11222333000181");
    EXPECT_EQ(form->edtTransp->text(), "Rápido Cargas Ltda");
    EXPECT_EQ(chIdTipoTransp, u'J');
    EXPECT_EQ(form->edtNrPedido->text(), "2");
    EXPECT_FALSE(form->medCdGrupo->enabled());

    // A company stored in lower case is found all the same, at the other branch.
    ASSERT_TRUE(type(*form->medCdFilial, QStringLiteral("0002")));
    EXPECT_TRUE(form->medSgCia->text().isEmpty()); // the branch change cleared the company
    EXPECT_TRUE(form->medNmCia->text().isEmpty());
    EXPECT_TRUE(form->edtNrPedido->text().isEmpty());
    form->medSerie->clear();
    ASSERT_TRUE(type(*form->medSgCia, QStringLiteral("EXT")));
    ASSERT_TRUE(focus(*form->cbbTipoVoo));
    EXPECT_EQ(form->medNmCia->text(), "Expresso Transatlântico");
    EXPECT_EQ(form->medSerie->text(), "3");
    // The carrier came with the first company and is not loaded again.
    EXPECT_EQ(callCount(QStringLiteral("GetDiretorios")), 1);
    EXPECT_EQ(form->medTransp->text(), "11222333000181");
}

TEST_F(BillingHeaderTest, FourPressesOfTheKindButtonComeBackToTheCompanyRegister) {
    open();
    ASSERT_TRUE(chooseCompany(QStringLiteral("ABC")));
    struct Step {
        char16_t kind;
        const char* caption;
        const char* mask;
    };
    const Step steps[] = {{u'F', "&Transp. (C.P.F.)", "999.999.999-99;0; "},
                          {u'O', "&Transp. (Código)", ""},
                          {u'I', "&Transp. (Jurídica)", ""},
                          {u'J', "&Transp. (C.G.C.)", "99.999.999/9999-99;0; "}};
    for (const Step& step : steps) {
        form->medTransp->setText(QStringLiteral("123"));
        ASSERT_TRUE(click(*form->sbtCGC));
        EXPECT_EQ(chIdTipoTransp, QChar(step.kind));
        EXPECT_EQ(form->sbtCGC->caption(), QString::fromUtf8(step.caption));
        EXPECT_EQ(form->medTransp->editMask(), QString::fromUtf8(step.mask));
        EXPECT_TRUE(form->medTransp->text().isEmpty());
        EXPECT_EQ(form->activeControl(), form->medTransp);
    }
    EXPECT_EQ(Cli_Zel00102::chIdTipoTransp, u'J'); // the fee screen's kind is its own
}

TEST_F(BillingHeaderTest, TypedSeriesStaysAndUnknownCompanyIsRefused) {
    open();
    form->medSerie->setText(QStringLiteral("u")); // the user's series, in lower case
    ASSERT_TRUE(type(*form->medSgCia, QStringLiteral("ABC")));
    ASSERT_TRUE(focus(*form->cbbTipoVoo));
    EXPECT_EQ(form->medSerie->text(), "U");
    EXPECT_EQ(form->edtSerie->text(), "Série única");

    ASSERT_TRUE(type(*form->medSgCia, QStringLiteral("ZZZ")));
    EXPECT_FALSE(focus(*form->cbbTipoVoo));
    EXPECT_EQ(lastError(), "Companhia não cadastrada.");
    EXPECT_EQ(form->activeControl(), form->medSgCia);
    EXPECT_EQ(callCount(QStringLiteral("GetFormemIsNF")), 1);
}

TEST_F(BillingHeaderTest, ProductGroupFollowsTheIssueFormAndAsksTheAirportFeeQuestion) {
    open();
    ASSERT_TRUE(type(*form->medSgCia, QStringLiteral("GRP")));
    ASSERT_TRUE(focus(*form->cbbTipoVoo));
    EXPECT_TRUE(form->medCdGrupo->enabled());
    EXPECT_TRUE(form->lblGrupo->enabled());

    ASSERT_TRUE(type(*form->medCdGrupo, QStringLiteral("NADA")));
    EXPECT_FALSE(focus(*form->edtNrPedido));
    EXPECT_EQ(lastError(), "Agrupamento de Produtos não cadastrado.");
    EXPECT_EQ(form->activeControl(), form->medCdGrupo);
    EXPECT_EQ(presenter.records(TScriptedPresenter::Kind::Error).back().focus, "medCdGrupo");
    EXPECT_TRUE(presenter.records(TScriptedPresenter::Kind::Question).empty());

    ASSERT_TRUE(type(*form->medCdGrupo, QStringLiteral("CARGA")));
    presenter.answerNo();
    ASSERT_TRUE(focus(*form->edtNrPedido));
    const auto questions = presenter.records(TScriptedPresenter::Kind::Question);
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0].text, "Agrupamento de produtos corresponde a um agrupamento relativo "
                                 "a taxa aeroportuária?");
    EXPECT_EQ(questions[0].yesCaption, "Sim");
    EXPECT_EQ(questions[0].noCaption, "Não");
    // An information dialog with "Não" as its default button, and no help topic of its own.
    EXPECT_EQ(questions[0].dialogType, TMsgDlgType::mtInformation);
    EXPECT_EQ(questions[0].defaultButton, 1);
    EXPECT_EQ(questions[0].helpContext, 0);
    EXPECT_EQ(stGrupTaxa, "N");
    EXPECT_EQ(form->edtNmGrupo->text(), "Carga geral");
    // "Não" goes on to the period, which leaves the header.
    EXPECT_EQ(form->activeControl(), form->depDataIniDeliv);
    EXPECT_TRUE(form->sbtConfirma->enabled());
    EXPECT_FALSE(form->grbVoo->enabled());
    EXPECT_FALSE(form->grbLocal->enabled());

    // Another company of another kind disables the group again; its change cleared the group.
    ASSERT_TRUE(type(*form->medSgCia, QStringLiteral("ABC")));
    ASSERT_TRUE(focus(*form->cbbTipoVoo));
    EXPECT_FALSE(form->medCdGrupo->enabled());
    EXPECT_TRUE(form->medCdGrupo->text().isEmpty());
}

TEST_F(BillingHeaderTest, AirportFeeGroupOpensTheFeeScreenOnLeavingTheHeader) {
    open();
    ASSERT_TRUE(type(*form->medSgCia, QStringLiteral("GRP")));
    ASSERT_TRUE(focus(*form->cbbTipoVoo));
    ASSERT_TRUE(type(*form->medCdGrupo, QStringLiteral("TAXAAERO")));
    presenter.answerYes();
    ASSERT_TRUE(focus(*form->edtNrPedido));
    EXPECT_EQ(stGrupTaxa, "S");
    // The fee screen comes up modally; once it closes the billing screen starts over at the
    // branch, with the airport-fee mark cleared.
    QString shown;
    presenter.pushModal([&](TForm& fee) {
        shown = fee.name();
        fee.close();
    });
    ASSERT_TRUE(focus(*form->depDataIniDeliv));
    EXPECT_EQ(shown, "frmApurac");
    EXPECT_EQ(stGrupTaxa, "N");
    EXPECT_EQ(form->activeControl(), form->medCdFilial);
}

TEST_F(BillingHeaderTest, AGroupRefusedOnLeavingTheHeaderKeepsTheAirportFeeMark) {
    open();
    ASSERT_TRUE(type(*form->medSgCia, QStringLiteral("GRP")));
    ASSERT_TRUE(focus(*form->cbbTipoVoo));
    ASSERT_TRUE(type(*form->medCdGrupo, QStringLiteral("TAXAAERO")));
    presenter.answerYes();
    ASSERT_TRUE(focus(*form->edtNrPedido));
    ASSERT_EQ(stGrupTaxa, "S");
    // The company typed again clears the group; leaving the header from there, the group's
    // check refuses it, the focus goes back to it inside the header, and the header is not
    // entered again.
    ASSERT_TRUE(type(*form->medSgCia, QStringLiteral("GRP")));
    ASSERT_TRUE(form->medCdGrupo->text().isEmpty());
    EXPECT_FALSE(focus(*form->depDataIniDeliv)); // a fee screen would need a script
    EXPECT_EQ(lastError(), "Agrupamento de Produtos deve ser informado.");
    EXPECT_EQ(form->activeControl(), form->medCdGrupo);
    EXPECT_EQ(presenter.records(TScriptedPresenter::Kind::Error).back().focus, "medCdGrupo");
    EXPECT_EQ(stGrupTaxa, "S");
    EXPECT_FALSE(form->sbtConfirma->enabled());
    EXPECT_FALSE(presenter.hasUnexpected()) << presenter.unexpected().join(u'\n').toStdString();
}

using BillingPeriodTest = ScreenHarness;

TEST_F(BillingPeriodTest, LeavingTheHeaderLoadsFlightLegsAndProposesThePeriod) {
    open();
    ASSERT_TRUE(chooseCompany(QStringLiteral("ABC")));
    EXPECT_EQ(form->ntbFaturamento->pageIndex(), 0);
    EXPECT_TRUE(form->grbVoo->enabled());
    EXPECT_FALSE(form->grbLocal->enabled());
    EXPECT_TRUE(form->chkAgrupServ->enabled());
    ASSERT_TRUE(form->cdsVooTrecho->active());
    EXPECT_EQ(form->cdsVooTrecho->recordCount(), 4);
    // Last closing 31/01/2024 and no closing day after the 31st: the 1st of the next month.
    EXPECT_TRUE(form->edtProxFech->visible());
    EXPECT_EQ(form->edtProxFech->text(), date(2024, 2, 1));
    EXPECT_EQ(form->depDataIniDeliv->text(), date(2024, 2, 1));
    EXPECT_EQ(form->depDataFimDeliv->text(), date(2024, 2, 1));
    EXPECT_EQ(form->depDataFatur->text(), date(2024, 2, 6));
    EXPECT_EQ(callCount(QStringLiteral("GetPerFecham")), 2); // the day, then "0"
    EXPECT_TRUE(form->sbtConfirma->enabled());
    // The flight list matches the period on show.
    EXPECT_EQ(TCallLog::instance().lastArgs(QStringLiteral("GetVooTrecho")).value(4).toDate(),
              QDate(2024, 2, 1));

    // Back into the header: lists closed, confirm disabled, dates kept.
    ASSERT_TRUE(focus(*form->medSgCia));
    EXPECT_FALSE(form->cdsVooTrecho->active());
    EXPECT_FALSE(form->sbtConfirma->enabled());
    EXPECT_EQ(form->depDataFatur->text(), date(2024, 2, 6));
}

struct ClosingCase {
    const char* lastClosing;
    const char* closingDays; // replaces the company's closing days
    const char* days;        // QTDIASFATURA
    QDate next, start, billing;
};

class BillingClosingTest : public ScreenHarness,
                           public ::testing::WithParamInterface<ClosingCase> {};

TEST_P(BillingClosingTest, NextClosingAndDefaultPeriod) {
    const ClosingCase c = GetParam();
    exec(QStringLiteral("UPDATE CIAFILI SET DTULTFECH = '%1', QTDIASFATURA = %2 "
                        "WHERE CDFILIAL = '0001' AND CDCIA = '0001'")
             .arg(QLatin1String(c.lastClosing), QLatin1String(c.days)));
    exec(QStringLiteral("DELETE FROM PERFECHAM WHERE CDFILIAL = '0001' AND CDCIA = '0001'"));
    for (const QString& day : QString::fromLatin1(c.closingDays).split(u',', Qt::SkipEmptyParts))
        exec(QStringLiteral("INSERT INTO PERFECHAM (CDFILIAL, CDCIA, DIFECHCIA) "
                            "VALUES ('0001', '0001', '%1')")
                 .arg(day));
    open();
    ASSERT_TRUE(chooseCompany(QStringLiteral("ABC")));
    EXPECT_EQ(form->edtProxFech->text(), date(c.next.year(), c.next.month(), c.next.day()));
    EXPECT_EQ(form->depDataIniDeliv->GetDate(), c.start);
    EXPECT_EQ(form->depDataFimDeliv->GetDate(), c.next);
    EXPECT_EQ(form->depDataFatur->GetDate(), c.billing);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BillingClosingTest,
    ::testing::Values(
        ClosingCase{"2024-03-15", "10,20,31", "5", QDate(2024, 3, 20), QDate(2024, 3, 16),
                    QDate(2024, 3, 25)},
        // Day 31 does not exist in April: the month's last day.
        ClosingCase{"2024-04-10", "31", "5", QDate(2024, 4, 30), QDate(2024, 4, 11),
                    QDate(2024, 5, 5)},
        // No closing day after the last closing in December: 1 January of the next year.
        ClosingCase{"2023-12-31", "31", "5", QDate(2024, 1, 1), QDate(2024, 1, 1),
                    QDate(2024, 1, 6)},
        // A fractional number of days counts as none.
        ClosingCase{"2024-03-15", "20", "2.5", QDate(2024, 3, 20), QDate(2024, 3, 16),
                    QDate(2024, 3, 20)}));

TEST_F(BillingPeriodTest, CompanyWithoutNextClosingGetsTodayAndNoInterruptionCheck) {
    open();
    ASSERT_TRUE(chooseCompany(QStringLiteral("TRC")));
    EXPECT_FALSE(form->edtProxFech->visible());
    EXPECT_FALSE(form->lblProxFech->visible());
    for (TDateEditPlus* d : {form->depDataIniDeliv, form->depDataFimDeliv, form->depDataFatur})
        EXPECT_EQ(d->GetDate(), QDate(2024, 3, 20));
    EXPECT_EQ(callCount(QStringLiteral("GetCtrlApurFat")), 0);
    EXPECT_TRUE(form->sbtConfirma->enabled());
}

TEST_F(BillingPeriodTest, BillingLocationsAndCompaniesWithoutFlightsOrLocations) {
    open();
    ASSERT_TRUE(chooseCompany(QStringLiteral("LOC")));
    EXPECT_EQ(form->ntbFaturamento->pageIndex(), 1);
    EXPECT_FALSE(form->grbVoo->enabled());
    EXPECT_TRUE(form->grbLocal->enabled());
    EXPECT_FALSE(form->chkAgrupServ->enabled());
    EXPECT_EQ(form->cdsLocalFatu->recordCount(), 3);

    // No issue form: both frames disabled, the list on show closed.
    ASSERT_TRUE(chooseCompany(QStringLiteral("SFN")));
    EXPECT_EQ(form->ntbFaturamento->pageIndex(), 1);
    EXPECT_FALSE(form->grbVoo->enabled());
    EXPECT_FALSE(form->grbLocal->enabled());
    EXPECT_FALSE(form->cdsLocalFatu->active());
}

TEST_F(BillingPeriodTest, NextClosingWithoutLastClosingLeavesTheDatesEmpty) {
    exec(QStringLiteral("UPDATE CIAFILI SET IDCALCPROXFAT = 'S' WHERE CDCIA = '0006'"));
    open();
    ASSERT_TRUE(chooseCompany(QStringLiteral("SFN")));
    EXPECT_TRUE(form->edtProxFech->visible());
    EXPECT_TRUE(form->edtProxFech->text().isEmpty());
    for (TDateEditPlus* d : {form->depDataIniDeliv, form->depDataFimDeliv, form->depDataFatur})
        EXPECT_FALSE(d->GetDate().isValid());
    EXPECT_TRUE(form->sbtConfirma->enabled());
}

TEST_F(BillingPeriodTest, InterruptedComputationStopsOtherStatusesOnlyInform) {
    exec(QStringLiteral(
        "INSERT INTO CTRLAPURFAT (NRAPURACFAT, IDTIPAPUR, CDFILIALTRAB, CDFILIAL, CDCIA, "
        "CDCLIENTE, DTINIAPURAC, DTFIMAPURAC, DTFATURA, CDSERIE, IDSTATUS, DTHRINICIO) VALUES "
        "('0000000009', 'F', '0001', '0001', '0001', 'CLI000000001', '2024-02-01', "
        "'2024-02-29', '2024-03-05', '1', 'P', '2024-03-01 08:00:00')"));
    open();
    EXPECT_FALSE(chooseCompany(QStringLiteral("ABC")));
    EXPECT_EQ(lastError(), "Última apuração realizada 0000000009 para a companhia foi "
                           "interrompida, podendo os dados não estarem consistentes. Realize o "
                           "cancelamento da mesma e apure novamente.");
    EXPECT_EQ(form->activeControl(), form->medSgCia);
    EXPECT_FALSE(form->sbtConfirma->enabled());
    EXPECT_TRUE(form->depDataIniDeliv->text().trimmed().remove(u'/').isEmpty());

    // UNI's computation ended by an error: told, and the step goes on.
    ASSERT_TRUE(chooseCompany(QStringLiteral("UNI")));
    const QStringList info = presenter.informations();
    ASSERT_EQ(info.size(), 1);
    EXPECT_TRUE(info[0].startsWith(QStringLiteral("Última apuração realizada 0000000002 ")));
    EXPECT_TRUE(form->sbtConfirma->enabled());
    EXPECT_EQ(form->depDataIniDeliv->GetDate(), QDate(2024, 1, 16));
}

TEST_F(BillingPeriodTest, AnInterruptedComputationLeavesTheLoadedLegsAndOthersAreANotice) {
    exec(QStringLiteral(
        "INSERT INTO CTRLAPURFAT (NRAPURACFAT, IDTIPAPUR, CDFILIALTRAB, CDFILIAL, CDCIA, "
        "CDCLIENTE, DTINIAPURAC, DTFIMAPURAC, DTFATURA, CDSERIE, IDSTATUS, DTHRINICIO) VALUES "
        "('0000000009', 'F', '0001', '0001', '0001', 'CLI000000001', '2024-02-01', "
        "'2024-02-29', '2024-03-05', '1', 'P', '2024-03-01 08:00:00')"));
    open();
    EXPECT_FALSE(chooseCompany(QStringLiteral("ABC")));
    // The focus went back into the header without entering it again: the legs loaded before
    // the check stay, the dates are not defaulted and the confirm button stays off.
    ASSERT_TRUE(form->cdsVooTrecho->active());
    EXPECT_EQ(form->cdsVooTrecho->recordCount(), 4);
    EXPECT_FALSE(form->sbtConfirma->enabled());
    EXPECT_FALSE(form->depDataFimDeliv->GetDate().isValid());
    const auto errors = presenter.records(TScriptedPresenter::Kind::Error);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].focus, "medSgCia");
    EXPECT_EQ(errors[0].dialogType, TMsgDlgType::mtError);

    // UNI's: an information with help topic 1.
    ASSERT_TRUE(chooseCompany(QStringLiteral("UNI")));
    const auto notices = presenter.records(TScriptedPresenter::Kind::Information);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].dialogType, TMsgDlgType::mtInformation);
    EXPECT_EQ(notices[0].helpContext, 1);
}

TEST_F(BillingPeriodTest, TheNextClosingIsWrittenAfterTheSecondClosingCall) {
    open();
    int callsWhenWritten = -1;
    form->edtProxFech->OnChange = [&](TComponent&) {
        callsWhenWritten = callCount(QStringLiteral("GetPerFecham"));
    };
    ASSERT_TRUE(chooseCompany(QStringLiteral("ABC")));
    EXPECT_EQ(form->edtProxFech->text(), date(2024, 2, 1));
    EXPECT_EQ(callsWhenWritten, 2);
}

TEST_F(BillingPeriodTest, ChangingTheStartDateReloadsTheLegsAndClearsTheSelection) {
    open();
    ASSERT_TRUE(chooseCompany(QStringLiteral("ABC")));
    form->depDataFimDeliv->SetDate(QDate(2024, 2, 29));
    const int loads = callCount(QStringLiteral("GetVooTrecho"));
    ASSERT_TRUE(form->dbgVooTrecho->userClickCell(2, 0));
    ASSERT_EQ(stVooTrecho, "_2020");
    form->depDataIniDeliv->SetDate(QDate(2024, 2, 2));
    EXPECT_EQ(callCount(QStringLiteral("GetVooTrecho")), loads + 1);
    EXPECT_EQ(TCallLog::instance().lastArgs(QStringLiteral("GetVooTrecho")).value(3).toDate(),
              QDate(2024, 2, 2));
    EXPECT_TRUE(stVooTrecho.isEmpty());
}

TEST_F(BillingPeriodTest, ChangingADeliveryDateReloadsTheLegsAndClearsTheSelection) {
    open();
    ASSERT_TRUE(chooseCompany(QStringLiteral("ABC")));
    const int loads = callCount(QStringLiteral("GetVooTrecho"));
    stVooTrecho = QStringLiteral("_1010");
    form->depDataFimDeliv->SetDate(QDate(2024, 2, 29));
    EXPECT_EQ(callCount(QStringLiteral("GetVooTrecho")), loads + 1);
    EXPECT_TRUE(stVooTrecho.isEmpty());
    form->cdsVooTrecho->first();
    EXPECT_GT(form->cdsVooTrecho->fieldByName(QStringLiteral("QTDE_SERVICO")).asFloat(), 0);
}
