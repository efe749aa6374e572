// The fee screen from its opening to the invoice grid: what it copies, the computation number,
// the period checks and the proposed billing date.
#include "tests/screens/FeeHarness.h"

#include "external/appserver/TCallLog.h"
#include "external/shared/TADOIBQuery.h"
#include "external/shared/TBtnPesquisa.h"
#include "external/shared/TDateEditPlus.h"
#include "platform/TClientDataSet.h"
#include "platform/TDBGrid.h"
#include "platform/TEdit.h"
#include "platform/TMaskEdit.h"
#include "platform/TScreen.h"
#include "platform/TSpeedButton.h"
#include "screens/billing/Cli_Zel00100.h"
#include "screens/billing/TfrmApuracao.h"
#include "screens/fee/Cli_Zel00102.h"
#include "screens/fee/TfrmApurac.h"

namespace {
QString date(int y, int m, int d) {
    return QDate(y, m, d).toString(QStringLiteral("dd/MM/yyyy"));
}
} // namespace

using FeeHeaderTest = FeeHarness;

TEST_F(FeeHeaderTest, OpensFromTheBillingHeaderWithTheBillingScreensEntries) {
    TfrmApurac* opened = nullptr;
    ASSERT_TRUE(withFee([&](TfrmApurac& fee) {
        opened = &fee;
        EXPECT_TRUE(Cli_Zel00102::boIdCriado);
        EXPECT_EQ(Cli_Zel00102::frmApurac, &fee);
        EXPECT_EQ(Screen().cursor(), crHourGlass);
        EXPECT_EQ(fee.caption(), " Apuração");
        EXPECT_EQ(fee.medCdFilial->text(), "0001");
        EXPECT_EQ(fee.edtNmFilial->text(), "Matriz Guarulhos");
        EXPECT_EQ(fee.medSgCia->text(), "GRP");
        EXPECT_EQ(fee.medNmCia->text(), "Grupo Aéreo Pantanal");
        EXPECT_EQ(fee.medSerie->text(), "1");
        EXPECT_FALSE(fee.medCdFilial->enabled());
        EXPECT_FALSE(fee.medSgCia->enabled());
        // Nothing of the computation yet; the company's row is current.
        EXPECT_EQ(fee.activeControl(), fee.medNrApuracao);
        EXPECT_TRUE(fee.medNrApuracao->text().isEmpty());
        EXPECT_TRUE(fee.depDataIni->text().isEmpty());
        EXPECT_TRUE(fee.depDataFim->text().isEmpty());
        EXPECT_TRUE(fee.depDataFatur->text().isEmpty());
        EXPECT_TRUE(fee.medTransp->text().isEmpty());
        EXPECT_FALSE(fee.cdsNotasApuradas->active());
        EXPECT_EQ(fee.qryCia->fieldByName(QStringLiteral("CDCLIENTE")).asString(), "CLI000000005");
        EXPECT_EQ(fee.sbtCGC->caption(), "&Transp. (C.G.C.)");
        EXPECT_EQ(fee.medTransp->editMask(), "99.999.999/9999-99;0; ");
    }));
    // Closed by the user: the billing screen takes over on its branch field.
    EXPECT_FALSE(Cli_Zel00102::boIdCriado);
    EXPECT_EQ(Cli_Zel00100::stGrupTaxa, "N");
    EXPECT_EQ(form->activeControl(), form->medCdFilial);
    EXPECT_EQ(Screen().cursor(), crDefault);

    // A second opening makes a new screen.
    presenter.answerYes();
    ASSERT_TRUE(type(*form->medCdGrupo, QStringLiteral("TAXAAERO")));
    ASSERT_TRUE(focus(*form->edtNrPedido));
    bool again = false;
    presenter.pushModal([&](TForm& modal) {
        again = true;
        EXPECT_TRUE(Cli_Zel00102::boIdCriado);
        modal.close();
    });
    focus(*form->depDataIniDeliv);
    EXPECT_TRUE(again);
    EXPECT_FALSE(Cli_Zel00102::boIdCriado);
    EXPECT_TRUE(presenter.errors().isEmpty()) << presenter.errors().join(u'\n').toStdString();
}

TEST_F(FeeHeaderTest, ATypedNumberBringsThePeriodAndLoadsTheInvoices) {
    ASSERT_TRUE(withFee([&](TfrmApurac& fee) {
        ASSERT_TRUE(chooseComputation(fee, QStringLiteral("50")));
        EXPECT_EQ(fee.medNrApuracao->text(), "0000000050");
        const auto asked = TCallLog::instance().lastArgs(QStringLiteral("GetCtrlApurTaxa"));
        ASSERT_EQ(asked.size(), 4);
        EXPECT_EQ(asked[0].toString(), "0001");
        EXPECT_EQ(asked[1].toString(), "CLI000000005");
        EXPECT_EQ(asked[2].toString(), "0000000050");
        EXPECT_EQ(asked[3].toString(), "N");
        EXPECT_EQ(fee.depDataIni->text(), date(2024, 1, 1));
        EXPECT_EQ(fee.depDataFim->text(), date(2024, 1, 31));
        // Last closing 31/01, no closing day after the 31st: 1st of February plus 5 days.
        EXPECT_EQ(fee.depDataFatur->text(), date(2024, 2, 6));
        EXPECT_EQ(TCallLog::instance().lastArgs(QStringLiteral("GetPerFecham")).value(2).toString(),
                  "31");

        const auto listed = TCallLog::instance().lastArgs(QStringLiteral("GetNotasApuradas"));
        ASSERT_EQ(listed.size(), 5);
        EXPECT_EQ(listed[0].toString(), "CLI000000005");
        EXPECT_EQ(listed[1].toDate(), QDate(2024, 1, 1));
        EXPECT_EQ(listed[2].toDate(), QDate(2024, 1, 31));
        EXPECT_EQ(listed[3].toString(), "0000000050");
        EXPECT_EQ(listed[4].toString(), "N");
        ASSERT_EQ(fee.cdsNotasApuradas->recordCount(), 3);
        EXPECT_EQ(fee.cdsNotasApuradas->recNo(), 1);
        EXPECT_EQ(marks(fee), "NNN");
        EXPECT_EQ(fee.cdsNotasApuradas->fieldByName(QStringLiteral("VRNOTAFISC")).displayText(),
                  "1.234,56");

        // Typed dates give way to the computation's own period on the next entry.
        ASSERT_TRUE(type(*fee.depDataFim, QStringLiteral("15012024")));
        ASSERT_TRUE(focus(*fee.dbgNotas));
        EXPECT_EQ(fee.depDataFim->text(), date(2024, 1, 31));
    }));
    EXPECT_TRUE(presenter.errors().isEmpty()) << presenter.errors().join(u'\n').toStdString();
}

TEST_F(FeeHeaderTest, UnknownNumbersAndAnEmptyNumber) {
    ASSERT_TRUE(withFee([&](TfrmApurac& fee) {
        ASSERT_TRUE(type(*fee.depDataIni, QStringLiteral("01022024")));
        // An empty number does nothing and keeps the focus in the header.
        ASSERT_TRUE(focus(*fee.medNrApuracao));
        ASSERT_TRUE(focus(*fee.depDataIni));
        EXPECT_EQ(fee.activeControl(), fee.depDataIni);

        // ABC's computation is not GRP's customer's.
        presenter.expectError(QStringLiteral("Apuração não cadastrada."));
        ASSERT_TRUE(type(*fee.medNrApuracao, QStringLiteral("1")));
        EXPECT_FALSE(focus(*fee.depDataFim));
        EXPECT_EQ(fee.medNrApuracao->text(), "0000000001");
        EXPECT_EQ(fee.activeControl(), fee.medNrApuracao);
        EXPECT_EQ(fee.depDataIni->text(), date(2024, 2, 1));
        EXPECT_FALSE(fee.cdsNotasApuradas->active());
    }));
    EXPECT_FALSE(presenter.hasUnexpected()) << presenter.unexpected().join(u'\n').toStdString();
}

TEST_F(FeeHeaderTest, TheLookupListsEveryComputationAndWritesOnlyTheNumber) {
    exec(QStringLiteral(
        "INSERT INTO CTRLAPURFAT (NRAPURACFAT, IDTIPAPUR, CDFILIALTRAB, CDFILIAL, CDCIA, "
        "CDCLIENTE, DTINIAPURAC, DTFIMAPURAC, DTFATURA, IDSTATUS, DTHRINICIO) VALUES "
        "('0000000060', 'F', '0001', '0001', '0005', 'CLI000000005', '2024-02-01', '2024-02-29', "
        "'2024-03-05', 'F', '2024-03-05 09:00:00')"));
    ASSERT_TRUE(withFee([&](TfrmApurac& fee) {
        presenter.chooseRowIndex(1);
        ASSERT_TRUE(click(*fee.btnCtrlApurFat));
        const auto lookups = presenter.records(TScriptedPresenter::Kind::Lookup);
        ASSERT_EQ(lookups.size(), 1u);
        EXPECT_EQ(lookups[0].title, "Apuração");
        EXPECT_EQ(
            TCallLog::instance().lastArgs(QStringLiteral("GetCtrlApurTaxa")).value(3).toString(),
            "T");
        ASSERT_EQ(fee.cdsCtrlApurFat->recordCount(), 2); // newest first
        EXPECT_EQ(fee.medNrApuracao->text(), "0000000050");
        EXPECT_TRUE(fee.depDataIni->text().isEmpty());
        // Leaving the number fills the period and loads the grid.
        ASSERT_TRUE(focus(*fee.depDataIni));
        EXPECT_EQ(fee.activeControl(), fee.dbgNotas);
        EXPECT_EQ(fee.depDataIni->text(), date(2024, 1, 1));
        EXPECT_EQ(fee.cdsNotasApuradas->recordCount(), 3);
    }));
    EXPECT_TRUE(presenter.errors().isEmpty()) << presenter.errors().join(u'\n').toStdString();
}

TEST_F(FeeHeaderTest, PeriodMessages) {
    ASSERT_TRUE(withFee([&](TfrmApurac& fee) {
        const auto leaveWith = [&](TDateEditPlus* field, const QString& text,
                                   const QString& message) {
            presenter.expectError(message);
            EXPECT_TRUE(type(*field, text));
            EXPECT_FALSE(focus(*fee.dbgNotas)) << message.toStdString();
            EXPECT_EQ(presenter.errors().value(presenter.errors().size() - 1), message);
        };
        // Both empty: the start date is asked for.
        ASSERT_TRUE(focus(*fee.depDataIni));
        presenter.expectError(QStringLiteral("Período inicial deve ser informado."));
        EXPECT_FALSE(focus(*fee.depDataFim));
        EXPECT_EQ(fee.activeControl(), fee.depDataIni);

        leaveWith(fee.depDataIni, QStringLiteral("31022024"),
                  QStringLiteral("'31/02/2024'  não é uma data válida."));
        EXPECT_EQ(fee.activeControl(), fee.depDataIni);

        ASSERT_TRUE(type(*fee.depDataIni, QStringLiteral("10012024")));
        ASSERT_TRUE(focus(*fee.depDataFim));
        leaveWith(fee.depDataFim, QString(), QStringLiteral("Período final deve ser informado."));
        EXPECT_EQ(fee.activeControl(), fee.depDataFim);

        // Start after end, from either date; the focus goes to the start.
        leaveWith(fee.depDataFim, QStringLiteral("05012024"),
                  QStringLiteral("Período inicial deve ser menor ou igual ao  período final."));
        EXPECT_EQ(fee.activeControl(), fee.depDataIni);
        leaveWith(fee.depDataIni, QStringLiteral("06012024"),
                  QStringLiteral("Período inicial deve ser menor ou igual ao  período final."));
        // Equal dates pass, and with no number the grid lists the customer's invoices dated
        // in the period.
        ASSERT_TRUE(type(*fee.depDataIni, QStringLiteral("05012024")));
        ASSERT_TRUE(type(*fee.depDataFim, QStringLiteral("05022024")));
        ASSERT_TRUE(focus(*fee.dbgNotas));
        const auto listed = TCallLog::instance().lastArgs(QStringLiteral("GetNotasApuradas"));
        EXPECT_EQ(listed.value(3).toString(), "");
        EXPECT_EQ(listed.value(4).toString(), "T");
        EXPECT_EQ(fee.cdsNotasApuradas->recordCount(), 2);
    }));
    EXPECT_FALSE(presenter.hasUnexpected()) << presenter.unexpected().join(u'\n').toStdString();
}

TEST_F(FeeHeaderTest, RefusedEntriesHaveTheFocusBeforeTheirMessageShows) {
    ASSERT_TRUE(withFee([&](TfrmApurac& fee) {
        using Kind = TScriptedPresenter::Kind;
        ASSERT_TRUE(type(*fee.depDataIni, QStringLiteral("01012024")));
        ASSERT_TRUE(type(*fee.depDataFim, QStringLiteral("31012024")));
        // A number the grid's entry checks, the field never left.
        fee.medNrApuracao->setText(QStringLiteral("1"));
        presenter.expectError(QStringLiteral("Apuração não cadastrada."));
        EXPECT_FALSE(focus(*fee.dbgNotas));
        EXPECT_EQ(presenter.records(Kind::Error).back().focus, "medNrApuracao");
        EXPECT_EQ(fee.activeControl(), fee.medNrApuracao);
        fee.medNrApuracao->clear();

        // The confirmation's checks, clicked from elsewhere.
        fee.depDataIni->clear();
        presenter.expectError(QStringLiteral("Período inicial deve ser informado."));
        EXPECT_FALSE(confirm(fee));
        EXPECT_EQ(presenter.records(Kind::Error).back().focus, "depDataIni");

        ASSERT_TRUE(type(*fee.depDataIni, QStringLiteral("01012024")));
        fee.depDataFatur->clear();
        presenter.expectError(QStringLiteral("Data faturamento deve ser informada."));
        EXPECT_FALSE(confirm(fee));
        EXPECT_EQ(presenter.records(Kind::Error).back().focus, "depDataFatur");
        EXPECT_EQ(fee.activeControl(), fee.depDataFatur);
    }));
    EXPECT_FALSE(presenter.hasUnexpected()) << presenter.unexpected().join(u'\n').toStdString();
}

TEST_F(FeeHeaderTest, TheOrderOfTheDatesIsCheckedOnlyAgainstAValidEndDate) {
    ASSERT_TRUE(withFee([&](TfrmApurac& fee) {
        // End date empty: leaving a start date passes.
        ASSERT_TRUE(type(*fee.depDataIni, QStringLiteral("10012024")));
        ASSERT_TRUE(focus(*fee.depDataFatur));
        // End date not a date: the start date still leaves without the order message.
        fee.depDataFim->setText(QStringLiteral("31/02/2024"));
        ASSERT_FALSE(fee.depDataFim->IsDateValid());
        ASSERT_TRUE(focus(*fee.depDataIni));
        ASSERT_TRUE(focus(*fee.depDataFatur));
        EXPECT_EQ(fee.activeControl(), fee.depDataFatur);
    }));
    EXPECT_TRUE(presenter.errors().isEmpty()) << presenter.errors().join(u'\n').toStdString();
}

TEST_F(FeeHeaderTest, LeavingTheEndDateWithBothDatesEmptyAsksForTheStart) {
    ASSERT_TRUE(withFee([&](TfrmApurac& fee) {
        ASSERT_TRUE(focus(*fee.depDataFim));
        presenter.expectError(QStringLiteral("Período inicial deve ser informado."));
        EXPECT_FALSE(focus(*fee.depDataFatur));
        // The end date is the field left, so it keeps the focus.
        EXPECT_EQ(fee.activeControl(), fee.depDataFim);
    }));
    EXPECT_FALSE(presenter.hasUnexpected()) << presenter.unexpected().join(u'\n').toStdString();
}

TEST_F(FeeHeaderTest, EveryServerCallOfTheHeaderAndGridShowsTheLoadingAnimation) {
    ASSERT_TRUE(withFee([&](TfrmApurac& fee) {
        using Kind = TScriptedPresenter::Kind;
        const auto waitsOfSix = [&] {
            int n = 0;
            for (const auto& record : presenter.records(Kind::WaitBegin))
                n += record.kindNumber == 6;
            return n;
        };
        const auto calls = [&] {
            return callCount(QStringLiteral("GetCtrlApurTaxa")) +
                   callCount(QStringLiteral("GetPerFecham")) +
                   callCount(QStringLiteral("GetNotasApuradas"));
        };
        // The lookup's call: its animation is over before the list shows.
        int waits = waitsOfSix();
        presenter.chooseRowIndex(0);
        ASSERT_TRUE(click(*fee.btnCtrlApurFat));
        EXPECT_EQ(waitsOfSix(), waits + 1);
        const auto& records = presenter.records();
        ASSERT_GE(records.size(), 3u);
        EXPECT_EQ(records[records.size() - 3].kind, Kind::WaitBegin);
        EXPECT_EQ(records[records.size() - 2].kind, Kind::WaitEnd);
        EXPECT_EQ(records[records.size() - 1].kind, Kind::Lookup);

        // Leaving the number: its check, the billing date, the grid's check and its load.
        waits = waitsOfSix();
        const int before = calls();
        ASSERT_TRUE(focus(*fee.depDataIni));
        ASSERT_EQ(fee.activeControl(), fee.dbgNotas);
        EXPECT_EQ(calls() - before, 4);
        EXPECT_EQ(waitsOfSix() - waits, 4);
        EXPECT_EQ(presenter.records(Kind::WaitBegin).size(),
                  presenter.records(Kind::WaitEnd).size());
    }));
    EXPECT_TRUE(presenter.errors().isEmpty()) << presenter.errors().join(u'\n').toStdString();
}

TEST(FeeBillingDate, ProposedFromTheLastClosingAndTheClosingDay) {
    // Day 31 in April: the month's last day.
    EXPECT_EQ(TfrmApurac::proposedBillingDate(QDate(2024, 4, 10), "31", "0"), QDate(2024, 4, 30));
    // No closing day in December: the first of January.
    EXPECT_EQ(TfrmApurac::proposedBillingDate(QDate(2023, 12, 31), "", "0"), QDate(2024, 1, 1));
    EXPECT_EQ(TfrmApurac::proposedBillingDate(QDate(2024, 2, 29), "15", "3"), QDate(2024, 2, 18));
    // A fractional number of days adds none; so do a day of 0 and a text that is no day.
    EXPECT_EQ(TfrmApurac::proposedBillingDate(QDate(2024, 2, 29), "15", "2,5"), QDate(2024, 2, 15));
    EXPECT_EQ(TfrmApurac::proposedBillingDate(QDate(2024, 2, 29), "00", "1"), QDate(2024, 3, 1));
    EXPECT_EQ(TfrmApurac::proposedBillingDate(QDate(2024, 2, 29), "xx", "1"), QDate(2024, 3, 1));
    EXPECT_FALSE(TfrmApurac::proposedBillingDate(QDate(), "10", "1").isValid());
}

TEST_F(FeeHeaderTest, LeavingTheHeaderProposesTheBillingDateAnew) {
    exec(QStringLiteral("UPDATE CIAFILI SET QTDIASFATURA = 3 WHERE CDCIA = '0005'"));
    exec(QStringLiteral("UPDATE CIAFILI SET DTULTFECH = '2024-04-30' WHERE CDCIA = '0005'"));
    exec(QStringLiteral("INSERT INTO PERFECHAM (CDFILIAL, CDCIA, DIFECHCIA) VALUES "
                        "('0001', '0005', '15')"));
    ASSERT_TRUE(withFee([&](TfrmApurac& fee) {
        ASSERT_TRUE(type(*fee.depDataIni, QStringLiteral("01012024")));
        ASSERT_TRUE(type(*fee.depDataFim, QStringLiteral("31012024")));
        ASSERT_TRUE(focus(*fee.depDataFatur));
        // The closing day after the 30th is the 31st: past April's end, so the 30th, plus 3.
        EXPECT_EQ(fee.depDataFatur->text(), date(2024, 5, 3));
        ASSERT_TRUE(type(*fee.depDataFatur, QStringLiteral("10052024")));
        ASSERT_TRUE(focus(*fee.depDataFim));
        ASSERT_TRUE(focus(*fee.medTransp));
        EXPECT_EQ(fee.depDataFatur->text(), date(2024, 5, 3));
        // The billing screen's closing data was asked through its own connection.
        EXPECT_EQ(form->cdsPerFecham->fieldByName(QStringLiteral("MIN(DIFECHCIA)")).asString(),
                  "31");
    }));
    EXPECT_TRUE(presenter.errors().isEmpty()) << presenter.errors().join(u'\n').toStdString();
}
