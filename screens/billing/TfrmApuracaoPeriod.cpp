// The header panel as a gate: leaving it loads the computation data and proposes the period.
#include "screens/billing/TfrmApuracao.h"

#include "external/shared/Consiste.h"
#include "external/shared/TADOIBQuery.h"
#include "external/shared/TDateEditPlus.h"
#include "external/shared/TMessages.h"
#include "platform/TApplication.h"
#include "platform/TButtonFlat.h"
#include "platform/TCheckBox.h"
#include "platform/TClientDataSet.h"
#include "platform/TClock.h"
#include "platform/TComboBox.h"
#include "platform/TEdit.h"
#include "platform/TGroupBox.h"
#include "platform/TLabel.h"
#include "platform/TMaskEdit.h"
#include "platform/TNotebook.h"
#include "platform/TPresenter.h"
#include "screens/billing/Cli_Zel00100.h"
#include "screens/common/FormParts.h"
#include "screens/common/TBillingScreen.h"
#include "screens/common/TRemoteCall.h"
#include "screens/common/WaitAnimation.h"
#include "screens/fee/Cli_Zel00102.h"

using namespace Cli_Zel00100;

void TfrmApuracao::panDataEnter() {
    stGrupTaxa = QStringLiteral("N");
    if (cdsLocalFatu->active())
        cdsLocalFatu->close();
    if (cdsVooTrecho->active())
        cdsVooTrecho->close();
    if (sbtConfirma->enabled())
        sbtConfirma->setEnabled(false);
}

QString TfrmApuracao::flightTypeCode() const {
    switch (cbbTipoVoo->itemIndex()) {
    case 0:
        return QStringLiteral("1");
    case 1:
        return QStringLiteral("2");
    default:
        return QString();
    }
}

void TfrmApuracao::loadVooTrecho() {
    QString flightType = flightTypeCode();
    TRemoteCall::load(*cdsVooTrecho, netApuracao, QStringLiteral("GetVooTrecho"),
                      {TRemoteArg::S(medCdFilial->text()),
                       TRemoteArg::S(companyField(QStringLiteral("CDCIA"))),
                       TRemoteArg::R(&flightType), TRemoteArg::D(depDataIniDeliv->GetDate()),
                       TRemoteArg::D(depDataFimDeliv->GetDate())});
}

void TfrmApuracao::panDataExit() {
    Vd_Filial(true);
    WaitAnimation wait(6);
    Vd_SgCia(true);
    Vd_Grupo(true);

    const QString formType = companyField(QStringLiteral("IDTIPEMNF"));
    const bool byFlight = formType == u"02" || formType == u"03" || formType == u"12";
    const bool byLocation = formType == u"10";
    if (byFlight)
        ntbFaturamento->setPageIndex(0);
    else if (byLocation)
        ntbFaturamento->setPageIndex(1);
    grbVoo->setEnabled(byFlight);
    grbLocal->setEnabled(byLocation);
    chkAgrupServ->setEnabled(grbVoo->enabled());

    if (stGrupTaxa == u"S") {
        // The fee screen is worked in: no wait window over it meanwhile.
        wait.hide();
        Cli_Zel00102::CriaApurac();
        wait.show();
        stGrupTaxa = QStringLiteral("N");
        medCdFilial->setFocus();
    }

    if (ntbFaturamento->pageIndex() == 1) {
        if (grbLocal->enabled())
            TRemoteCall::load(*cdsLocalFatu, netApuracao, QStringLiteral("GetLocalFatu"),
                              {TRemoteArg::S(medCdFilial->text()),
                               TRemoteArg::S(companyField(QStringLiteral("CDCIA")))});
        else
            cdsLocalFatu->close();
    } else if (ntbFaturamento->pageIndex() == 0) {
        if (grbVoo->enabled())
            loadVooTrecho();
        else
            cdsVooTrecho->close();
    }
    stVooTrecho.clear();
    stLocalFat.clear();

    // A company without a last closing has no closing day to ask about.
    const QDate lastClosing = qryCompanhia->fieldByName(QStringLiteral("DTULTFECH")).asDate();
    const QString day =
        lastClosing.isValid() ? lastClosing.toString(QStringLiteral("dd")) : QStringLiteral("00");
    const QString cdcia = companyField(QStringLiteral("CDCIA"));
    TRemoteCall::load(
        *cdsPerFecham, netApuracao, QStringLiteral("GetPerFecham"),
        {TRemoteArg::S(medCdFilial->text()), TRemoteArg::S(cdcia), TRemoteArg::S(day)});

    const bool computesClosing = companyField(QStringLiteral("IDCALCPROXFAT")) == u"S";
    lblProxFech->setVisible(computesClosing);
    edtProxFech->setVisible(computesClosing);
    if (!computesClosing) {
        const QDate today = Clock().today();
        depDataIniDeliv->SetDate(today);
        depDataFatur->SetDate(today);
        depDataFimDeliv->SetDate(today);
    } else {
        const QString closingDay =
            cdsPerFecham->isEmpty()
                ? QString()
                : cdsPerFecham->fieldByName(QStringLiteral("MIN(DIFECHCIA)")).asString();
        const QDate nextClosing = TBillingScreen::nextClosing(lastClosing, closingDay);
        if (lastClosing.isValid() && closingDay.isEmpty())
            TRemoteCall::load(*cdsPerFecham, netApuracao, QStringLiteral("GetPerFecham"),
                              {TRemoteArg::S(medCdFilial->text()), TRemoteArg::S(cdcia),
                               TRemoteArg::S(QStringLiteral("0"))});
        edtProxFech->setText(TDateEditPlus::formatDate(nextClosing));

        TRemoteCall::load(*cdsCtrlApurFat, netApuracao, QStringLiteral("GetCtrlApurFat"),
                          {TRemoteArg::S(companyField(QStringLiteral("CDCLIENTE")))});
        wait.hide();
        cdsCtrlApurFat->first();
        if (!cdsCtrlApurFat->isEmpty()) {
            QString text = msgPadrao->Msg(QStringLiteral("Apur_Irreg"));
            text.replace(QStringLiteral("%s"),
                         cdsCtrlApurFat->fieldByName(QStringLiteral("NRAPURACFAT")).asString());
            if (cdsCtrlApurFat->fieldByName(QStringLiteral("IDSTATUS")).asString() == u"P")
                FormParts::refuse(medSgCia, text);
            Application().presenter().showInformation(text, 1);
        }
        defaultPeriod();
    }
    sbtConfirma->setEnabled(true);
}

void TfrmApuracao::defaultPeriod() {
    const QDate lastClosing = qryCompanhia->fieldByName(QStringLiteral("DTULTFECH")).asDate();
    if (!lastClosing.isValid()) {
        depDataIniDeliv->SetDate(QDate());
        depDataFatur->SetDate(QDate());
        depDataFimDeliv->SetDate(QDate());
        return;
    }
    const QDate closing = TDateEditPlus::parseDate(edtProxFech->text());
    bool whole = false;
    int days = companyField(QStringLiteral("QTDIASFATURA")).toInt(&whole);
    if (!whole)
        days = 0;
    depDataIniDeliv->SetDate(lastClosing.addDays(1));
    depDataFatur->SetDate(closing.addDays(days));
    depDataFimDeliv->SetDate(closing);
}

void TfrmApuracao::depDataIniDelivExit() {
    depDataIniDeliv->CheckValidDate();
}

void TfrmApuracao::depDataFimDelivExit() {
    depDataFimDeliv->CheckValidDate();
}

void TfrmApuracao::depDataFaturExit() {
    depDataFatur->CheckValidDate();
}

void TfrmApuracao::depDataIniDelivDateChange() {
    atualizaVooTrecho();
}

void TfrmApuracao::depDataFimDelivDateChange() {
    atualizaVooTrecho();
}

void TfrmApuracao::atualizaVooTrecho() {
    if (ntbFaturamento->pageIndex() == 0) {
        if (grbVoo->enabled())
            loadVooTrecho();
        else
            cdsVooTrecho->close();
    }
    stVooTrecho.clear();
}

void TfrmApuracao::checkDate(TDateEditPlus* field, const QString& key) {
    if (Consiste::EmptyString(field->text()))
        FormParts::refuse(field, msgPadrao->Msg(key));
    FormParts::focusOnFailure(field, [&] { field->CheckValidDate(); });
}

void TfrmApuracao::Vd_DataInicial() {
    checkDate(depDataIniDeliv, QStringLiteral("DTINI_ni"));
}

void TfrmApuracao::Vd_DataFinal() {
    checkDate(depDataFimDeliv, QStringLiteral("DTFIM_ni"));
}

void TfrmApuracao::Vd_Faturamento() {
    checkDate(depDataFatur, QStringLiteral("DTFATU_ni"));
}
