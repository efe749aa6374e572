// The computations screen's filters and the query they run.
#include "host/computations/TfrmConsApur.h"

#include "core/EAbort.h"
#include "external/shared/Consiste.h"
#include "external/shared/TADOIBQuery.h"
#include "external/shared/TDateEditPlus.h"
#include "external/shared/TMessages.h"
#include "platform/TButtonFlat.h"
#include "platform/TClientDataSet.h"
#include "platform/TComboBox.h"
#include "platform/TEdit.h"
#include "platform/TField.h"
#include "platform/TLabel.h"
#include "platform/TMaskEdit.h"
#include "screens/common/FormParts.h"
#include "screens/common/ScreenSteps.h"
#include "screens/common/TBranchField.h"
#include "screens/common/TRemoteCall.h"
#include "screens/common/WaitAnimation.h"

#include <QHash>

using FormParts::focusOnFailure;
using FormParts::refuse;

const QStringList& TfrmConsApur::statusCodes() {
    static const QStringList codes = {QString(),           QStringLiteral("P"),
                                      QStringLiteral("I"), QStringLiteral("E"),
                                      QStringLiteral("F"), QStringLiteral("C")};
    return codes;
}

const QStringList& TfrmConsApur::kindCodes() {
    static const QStringList codes = {QString(), QStringLiteral("F"), QStringLiteral("T")};
    return codes;
}

QString TfrmConsApur::statusText(const QString& code) {
    static const QHash<QString, QString> words = {
        {QStringLiteral("P"), QStringLiteral("Em andamento")},
        {QStringLiteral("I"), QStringLiteral("Interrompida")},
        {QStringLiteral("E"), QStringLiteral("Com erro")},
        {QStringLiteral("F"), QStringLiteral("Concluída")},
        {QStringLiteral("C"), QStringLiteral("Cancelada")}};
    return words.value(code, code);
}

QString TfrmConsApur::kindText(const QString& code) {
    if (code == QLatin1String("F"))
        return QStringLiteral("Faturamento");
    if (code == QLatin1String("T"))
        return QStringLiteral("Taxa aeroportuária");
    return code;
}

// Branch.

void TfrmConsApur::Vd_Filial(bool confirm) {
    m_branch->Vd_Filial(confirm);
}

void TfrmConsApur::medCdFilialChange() {
    edtNmFilial->clear();
}

void TfrmConsApur::medCdFilialExit() {
    Vd_Filial(false);
}

void TfrmConsApur::btpFilialBeforePesq(TComponent&, bool&) {
    m_branch->beforeLookup();
    qryFilial->open();
}

void TfrmConsApur::btpFilialAfterPesq() {
    m_branch->afterLookup();
}

// Company: optional; when given it must be one of the branch's.

void TfrmConsApur::Vd_SgCia() {
    m_cdCia.clear();
    if (Consiste::EmptyString(medSgCia->text())) {
        medNmCia->clear();
        return;
    }
    focusOnFailure(medSgCia, [&] {
        qryCompanhia->close();
        qryCompanhia->paramByName(QStringLiteral("P_SGCIA")).setAsString(medSgCia->text());
        qryCompanhia->paramByName(QStringLiteral("P_TODOS")).setAsString(QStringLiteral("N"));
        qryCompanhia->paramByName(QStringLiteral("P_CDFILIAL")).setAsString(medCdFilial->text());
        qryCompanhia->open();
        if (qryCompanhia->isEmpty())
            refuse(medSgCia, msgPadrao->Msg(QStringLiteral("Sigla_Cad")));
        m_cdCia = qryCompanhia->fieldByName(QStringLiteral("CDCIA")).asString();
        medNmCia->setText(qryCompanhia->fieldByName(QStringLiteral("NMCIA")).asString());
    });
}

void TfrmConsApur::medSgCiaKeyPress(QChar& key) {
    ScreenSteps::upperCaseKey(key);
}

void TfrmConsApur::medSgCiaChange() {
    medNmCia->clear();
    m_cdCia.clear();
}

void TfrmConsApur::medSgCiaExit() {
    Vd_SgCia();
}

void TfrmConsApur::btpCompanhiaBeforePesq(TComponent&, bool&) {
    qryCompanhia->close();
    qryCompanhia->paramByName(QStringLiteral("P_SGCIA")).setAsString(QString());
    qryCompanhia->paramByName(QStringLiteral("P_TODOS")).setAsString(QStringLiteral("T"));
    qryCompanhia->paramByName(QStringLiteral("P_CDFILIAL")).setAsString(medCdFilial->text());
    qryCompanhia->open();
}

void TfrmConsApur::btpCompanhiaAfterPesq() {
    medSgCia->setText(qryCompanhia->fieldByName(QStringLiteral("SGCIA")).asString());
    medNmCia->setText(qryCompanhia->fieldByName(QStringLiteral("NMCIA")).asString());
    m_cdCia = qryCompanhia->fieldByName(QStringLiteral("CDCIA")).asString();
}

// Period: either end may stay open.

void TfrmConsApur::Vd_Periodo() {
    for (TDateEditPlus* date : {depDataIni, depDataFim}) {
        if (!Consiste::EmptyString(date->text()) && !date->IsDateValid())
            refuse(date, date->text() + msgPadrao->Msg(QStringLiteral("Data_inva")));
    }
    const QDate start = depDataIni->GetDate();
    const QDate end = depDataFim->GetDate();
    if (start.isValid() && end.isValid() && start > end)
        refuse(depDataIni, msgPadrao->Msg(QStringLiteral("Ini_dvmenor_Fim")));
}

void TfrmConsApur::sbtConfirmaClick() {
    Vd_Filial(true);
    Vd_SgCia();
    Vd_Periodo();
    Consulta();
}

void TfrmConsApur::Consulta() {
    const QString current =
        cdsApuracoes->active() ? cdsApuracoes->fieldByName(QStringLiteral("NRAPURACFAT")).asString()
                               : QString();
    const QDate start = depDataIni->IsDateValid() ? depDataIni->GetDate() : QDate();
    const QDate end = depDataFim->IsDateValid() ? depDataFim->GetDate() : QDate();
    {
        WaitAnimation wait(6);
        TRemoteCall::load(*cdsApuracoes, netConsApur, QStringLiteral("GetApuracoes"),
                          {TRemoteArg::S(medCdFilial->text()), TRemoteArg::S(m_cdCia),
                           TRemoteArg::V(protocol::RemoteValue(start)),
                           TRemoteArg::V(protocol::RemoteValue(end)),
                           TRemoteArg::S(statusCodes().value(cbbSituacao->itemIndex())),
                           TRemoteArg::S(kindCodes().value(cbbTipo->itemIndex()))});
    }
    if (!current.isEmpty())
        cdsApuracoes->locate(QStringLiteral("NRAPURACFAT"), current);
    refreshSummary();
}

void TfrmConsApur::refreshSummary() {
    const bool any = cdsApuracoes->active() && !cdsApuracoes->isEmpty();
    for (TControl* command :
         std::initializer_list<TControl*>{sbtNotas, sbtCancela, sbtExporta, sbtImprime})
        command->setEnabled(any);
    lblResumo->setCaption(summaryText());
}

void TfrmConsApur::requireCurrent() const {
    if (!cdsApuracoes->active() || cdsApuracoes->isEmpty())
        Consiste::MensErro(msgPadrao->Msg(QStringLiteral("Apur_Sel")), true);
}
