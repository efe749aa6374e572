// The header checks (branch, company, computation number, period) and the billing date the
// screen proposes on leaving the header.
#include "screens/fee/TfrmApurac.h"

#include "external/shared/Consiste.h"
#include "external/shared/TADOIBQuery.h"
#include "external/shared/TDateEditPlus.h"
#include "external/shared/TMessages.h"
#include "platform/TClientDataSet.h"
#include "platform/TEdit.h"
#include "platform/TMaskEdit.h"
#include "screens/common/FormParts.h"
#include "screens/common/ScreenSteps.h"
#include "screens/common/TBillingScreen.h"
#include "screens/common/TBranchField.h"
#include "screens/common/TRemoteCall.h"
#include "screens/common/WaitAnimation.h"

using FormParts::focusOnFailure;

// Branch.

void TfrmApurac::Vd_Filial(bool confirm) {
    m_branch->Vd_Filial(confirm);
}

void TfrmApurac::medCdFilialChange() {
    edtNmFilial->clear();
}

void TfrmApurac::medCdFilialExit() {
    Vd_Filial(false);
}

void TfrmApurac::btpFilialBeforePesq(TComponent&, bool&) {
    m_branch->beforeLookup();
    qryFilial->open();
}

void TfrmApurac::btpFilialAfterPesq() {
    m_branch->afterLookup();
}

// Company.

void TfrmApurac::Vd_SgCia(bool confirm) {
    focusOnFailure(medSgCia, [&] {
        if (Consiste::EmptyString(medSgCia->text())) {
            if (confirm)
                FormParts::refuse(medSgCia, msgPadrao->Msg(QStringLiteral("Sigla_Inf")));
            return;
        }
        if (confirm && activeControl() != medSgCia)
            return;
        openCompany(QStringLiteral("N"));
        if (qryCia->isEmpty())
            FormParts::refuse(medSgCia, msgPadrao->Msg(QStringLiteral("Sigla_Cad")));
        medNmCia->setText(companyField(QStringLiteral("NMCIA")));
        medSerie->setText(companyField(QStringLiteral("CDSERIE")));
        serieTransp().medSerieExit();
    });
}

void TfrmApurac::medSgCiaKeyPress(QChar& key) {
    ScreenSteps::upperCaseKey(key);
}

void TfrmApurac::medSgCiaChange() {
    medNmCia->clear();
    cdsNotasApuradas->close();
}

void TfrmApurac::medSgCiaExit() {
    Vd_SgCia(false);
    const QDate lastClosing = qryCia->fieldByName(QStringLiteral("DTULTFECH")).asDate();
    depDataIni->SetDate(lastClosing);
    depDataFim->SetDate(lastClosing);
}

void TfrmApurac::btpCompanhiaBeforePesq(TComponent&, bool&) {
    qryCia->close();
    qryCia->paramByName(QStringLiteral("P_SGCIA")).setAsString(QString());
    qryCia->paramByName(QStringLiteral("P_TODOS")).setAsString(QStringLiteral("T"));
    qryCia->open();
}

void TfrmApurac::btpCompanhiaAfterPesq() {
    medSgCia->setText(qryCia->fieldByName(QStringLiteral("SGCIA")).asString());
    medNmCia->setText(qryCia->fieldByName(QStringLiteral("NMCIA")).asString());
}

// Computation number.

void TfrmApurac::Vd_NrApuracao() {
    if (Consiste::EmptyString(medNrApuracao->text()))
        return;
    focusOnFailure(medNrApuracao, [&] {
        medNrApuracao->setText(Consiste::Ajusta(medNrApuracao->text(), 10));
        if (!qryCia->active() || qryCia->isEmpty())
            openCompany(QStringLiteral("N"));
        {
            WaitAnimation wait(6);
            TRemoteCall::load(*cdsCtrlApurFat, netApurac, QStringLiteral("GetCtrlApurTaxa"),
                              {TRemoteArg::S(medCdFilial->text()),
                               TRemoteArg::S(companyField(QStringLiteral("CDCLIENTE"))),
                               TRemoteArg::S(medNrApuracao->text()),
                               TRemoteArg::S(QStringLiteral("N"))});
        }
        if (cdsCtrlApurFat->isEmpty())
            FormParts::refuse(medNrApuracao, msgPadrao->Msg(QStringLiteral("Apurac_Cad")));
        cdsCtrlApurFat->first();
        depDataIni->SetDate(cdsCtrlApurFat->fieldByName(QStringLiteral("DTINIAPURAC")).asDate());
        depDataFim->SetDate(cdsCtrlApurFat->fieldByName(QStringLiteral("DTFIMAPURAC")).asDate());
    });
}

void TfrmApurac::btnCtrlApurFatBeforePesq(TComponent&, bool&) {
    if (!qryCia->active() || qryCia->isEmpty())
        openCompany(QStringLiteral("N"));
    WaitAnimation wait(6);
    TRemoteCall::load(*cdsCtrlApurFat, netApurac, QStringLiteral("GetCtrlApurTaxa"),
                      {TRemoteArg::S(medCdFilial->text()),
                       TRemoteArg::S(companyField(QStringLiteral("CDCLIENTE"))),
                       TRemoteArg::S(medNrApuracao->text()), TRemoteArg::S(QStringLiteral("T"))});
}

void TfrmApurac::btnCtrlApurFatAfterPesq() {
    medNrApuracao->setText(cdsCtrlApurFat->fieldByName(QStringLiteral("NRAPURACFAT")).asString());
}

void TfrmApurac::medNrApuracaoExit() {
    Vd_NrApuracao();
    if (!Consiste::EmptyString(medNrApuracao->text()))
        dbgNotas->setFocus();
}

// Period.

void TfrmApurac::vd_Data(bool confirm, TDateEditPlus* field) {
    TDateEditPlus* const atFault = field == depDataIni ? depDataIni : depDataFim;
    if (Consiste::EmptyString(field->text())) {
        if (confirm) {
            if (field == depDataIni)
                FormParts::refuse(atFault, msgPadrao->Msg(QStringLiteral("DataIni_Deve")));
            return;
        }
        const bool startGiven = !Consiste::EmptyString(depDataIni->text());
        FormParts::refuse(atFault, msgPadrao->Msg(field == depDataFim && startGiven
                                                      ? QStringLiteral("DataFim_Deve")
                                                      : QStringLiteral("DataIni_Deve")));
    }
    if ((!confirm || activeControl() == field) && !field->IsDateValid())
        FormParts::refuse(atFault, u'\'' + field->displayText() + u'\'' +
                                       msgPadrao->Msg(QStringLiteral("Data_inva")));
}

void TfrmApurac::vd_DataMenor(TDateEditPlus* field) {
    if (field != depDataIni)
        return;
    if (Consiste::EmptyString(depDataFim->text()) || !depDataFim->IsDateValid())
        return;
    if (depDataFim->GetDate() < depDataIni->GetDate())
        FormParts::refuse(depDataIni, msgPadrao->Msg(QStringLiteral("Ini_dvmenor_Fim")));
}

void TfrmApurac::depDataIniExit() {
    vd_DataMenor(depDataIni);
    vd_Data(false, depDataIni);
}

void TfrmApurac::depDataFimExit() {
    vd_Data(false, depDataFim);
    vd_DataMenor(depDataIni);
}

// The gate of the header and the billing date.

void TfrmApurac::panDataEnter() {
    cdsNotasApuradas->close();
}

QDate TfrmApurac::proposedBillingDate(const QDate& lastClosing, const QString& closingDay,
                                      const QString& billingDays) {
    const QDate reference = TBillingScreen::nextClosing(lastClosing, closingDay);
    if (!reference.isValid())
        return QDate();
    bool whole = false;
    const int days = billingDays.toInt(&whole);
    return reference.addDays(whole ? days : 0);
}

void TfrmApurac::panDataExit() {
    TBillingScreen& billing = *TBillingScreen::current();
    const QDate billingClosing =
        billing.qryCompanhia->fieldByName(QStringLiteral("DTULTFECH")).asDate();
    const QString day = billingClosing.isValid() ? billingClosing.toString(QStringLiteral("dd"))
                                                 : QStringLiteral("00");
    const QString cdcia = billing.companyField(QStringLiteral("CDCIA"));
    {
        WaitAnimation wait(6);
        TRemoteCall::load(
            *billing.cdsPerFecham, *billing.netApuracao, QStringLiteral("GetPerFecham"),
            {TRemoteArg::S(billing.medCdFilial->text()), TRemoteArg::S(cdcia), TRemoteArg::S(day)});
    }

    const QString closingDay =
        billing.cdsPerFecham->isEmpty()
            ? QString()
            : billing.cdsPerFecham->fieldByName(QStringLiteral("MIN(DIFECHCIA)")).asString();
    const QDate lastClosing = qryCia->active() && !qryCia->isEmpty()
                                  ? qryCia->fieldByName(QStringLiteral("DTULTFECH")).asDate()
                                  : QDate();
    // Without a last closing there is nothing to count from: the billing date stays as typed.
    const QDate proposed =
        proposedBillingDate(lastClosing, closingDay, companyField(QStringLiteral("QTDIASFATURA")));
    if (proposed.isValid())
        depDataFatur->SetDate(proposed);
}

void TfrmApurac::depDataFaturExit() {
    depDataFatur->CheckValidDate();
}

void TfrmApurac::Vd_Faturamento() {
    if (Consiste::EmptyString(depDataFatur->text()))
        FormParts::refuse(depDataFatur,
                          TBillingScreen::current()->msgPadrao->Msg(QStringLiteral("DTFATU_ni")));
    focusOnFailure(depDataFatur, [&] { depDataFatur->CheckValidDate(); });
}
