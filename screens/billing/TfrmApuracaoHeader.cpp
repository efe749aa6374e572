// Creation and close of the screen; branch, company and product group of the header.
#include "screens/billing/TfrmApuracao.h"

#include "core/EAbort.h"
#include "external/shared/Consiste.h"
#include "external/shared/Ostrana.h"
#include "external/shared/Showavi.h"
#include "external/shared/TADOIBQuery.h"
#include "external/shared/TBtnPesquisa.h"
#include "external/shared/TDateEditPlus.h"
#include "external/shared/TMessages.h"
#include "platform/TClientDataSet.h"
#include "platform/TComboBox.h"
#include "platform/TEdit.h"
#include "platform/TLabel.h"
#include "platform/TMaskEdit.h"
#include "screens/billing/Cli_Zel00100.h"
#include "screens/common/FormParts.h"
#include "screens/common/ScreenSteps.h"
#include "screens/common/TBranchField.h"
#include "screens/common/TRemoteCall.h"
#include "screens/common/WaitAnimation.h"

using namespace Cli_Zel00100;

using FormParts::focusOnFailure;

void TfrmApuracao::FormCreate(TComponent& sender) {
    TfrmRotiGeral::FormCreate(sender);
    ScreenSteps::connectUnderWait(netApuracao);
    repaint();

    serieTransp().applyKind(u'J', *msgPadrao);
    cbbTipoVoo->setItemIndex(2);

    medCdFilial->setText(Ostrana::FiliProc());
    Vd_Filial(false);

    m_branch->applyHostMode({lblFilial, btpFilial});

    for (TControl* control : std::initializer_list<TControl*>{lblGrupo, medCdGrupo, btpPesqGrupo})
        control->setEnabled(false);
}

void TfrmApuracao::netApuracaoBeforeConnect(TNetConnection& sender) {
    ScreenSteps::pointAtServer(sender);
}

void TfrmApuracao::FormActivate(TComponent&) {
    repaint();
}

void TfrmApuracao::FormClose(TComponent& sender, TCloseAction& action) {
    netApuracao.disconnect();
    boIdCriado = false;
    TfrmRotiGeral::FormClose(sender, action);
}

QString TfrmApuracao::companyField(const QString& name) const {
    return m_shared.companyField(name);
}

// Branch.

void TfrmApuracao::medCdFilialChange() {
    edtNmFilial->clear();
    medSgCia->clear();
}

void TfrmApuracao::medCdFilialExit() {
    Vd_Filial(false);
}

void TfrmApuracao::btpFilialBeforePesq(TComponent&, bool&) {
    m_branch->beforeLookup();
}

void TfrmApuracao::btpFilialAfterPesq() {
    m_branch->afterLookup();
}

void TfrmApuracao::Vd_Filial(bool reportEmpty) {
    m_branch->Vd_Filial(reportEmpty);
    // Keeps the series lookup on the branch on show, an empty one included.
    qrySerie->close();
    qrySerie->paramByName(QStringLiteral("P_FILIAL")).setAsString(medCdFilial->text());
    qrySerie->open();
}

// Company.

void TfrmApuracao::medSgCiaKeyPress(QChar& key) {
    ScreenSteps::upperCaseKey(key);
}

void TfrmApuracao::medSgCiaChange() {
    medNmCia->clear();
    medTipoApur->clear();
    medCdGrupo->clear();
    edtNmGrupo->clear();
    edtNrPedido->clear();
}

void TfrmApuracao::btpCompanhiaBeforePesq(TComponent&, bool&) {
    qryCompanhia->close();
    qryCompanhia->paramByName(QStringLiteral("P_TODOS")).setAsString(QStringLiteral("T"));
    qryCompanhia->paramByName(QStringLiteral("P_CDFILIAL")).setAsString(medCdFilial->text());
    qryCompanhia->paramByName(QStringLiteral("P_SGCIA")).setAsString(QString());
    qryCompanhia->open();
}

void TfrmApuracao::btpCompanhiaAfterPesq() {
    medSgCia->setText(qryCompanhia->fieldByName(QStringLiteral("SGCIA")).asString());
    medNmCia->setText(qryCompanhia->fieldByName(QStringLiteral("NMCIA")).asString());
    medTipoApur->setText(qryCompanhia->fieldByName(QStringLiteral("DSTIPEMNF")).asString());
    getNrPedido();
}

void TfrmApuracao::medSgCiaExit() {
    try {
        if (!Consiste::EmptyString(medSgCia->text())) {
            Vd_SgCia(false);
            TRemoteCall::load(*cdsFormemIsNF, netApuracao, QStringLiteral("GetFormemIsNF"),
                              {TRemoteArg::S(medCdFilial->text()),
                               TRemoteArg::S(companyField(QStringLiteral("CDCIA")))});
            const bool byGroup =
                cdsFormemIsNF->fieldByName(QStringLiteral("IDTIPEMNF")).asString() == u"09";
            for (TControl* control :
                 std::initializer_list<TControl*>{lblGrupo, medCdGrupo, btpPesqGrupo})
                control->setEnabled(byGroup);
        }
        getNrPedido();
    } catch (...) {
        Showavi::DeactiveShowAvi();
        throw;
    }
}

void TfrmApuracao::Vd_SgCia(bool reportEmpty) {
    if (Consiste::EmptyString(medSgCia->text())) {
        if (reportEmpty)
            FormParts::refuse(medSgCia, msgPadrao->Msg(QStringLiteral("Sigla_Inf")));
        return;
    }
    qryCompanhia->close();
    qryCompanhia->paramByName(QStringLiteral("P_CDFILIAL")).setAsString(medCdFilial->text());
    qryCompanhia->paramByName(QStringLiteral("P_SGCIA")).setAsString(medSgCia->text());
    qryCompanhia->paramByName(QStringLiteral("P_TODOS")).setAsString(QStringLiteral("N"));
    qryCompanhia->open();
    if (qryCompanhia->isEmpty())
        FormParts::refuse(medSgCia, msgPadrao->Msg(QStringLiteral("Sigla_Cad")));
    if (Consiste::EmptyString(medSerie->text()))
        medSerie->setText(companyField(QStringLiteral("CDSERIE")));
    medSgCia->setText(companyField(QStringLiteral("SGCIA")));
    medNmCia->setText(companyField(QStringLiteral("NMCIA")));
    medTipoApur->setText(companyField(QStringLiteral("DSTIPEMNF")));
    serieTransp().medSerieExit();

    // The company's last carrier, once per screen.
    if (cdsDiretorios->active())
        return;
    TRemoteCall::load(*cdsDiretorios, netApuracao, QStringLiteral("GetDiretorios"),
                      {TRemoteArg::S(QStringLiteral("ZEL") + medSgCia->text())});
    const QString carrier =
        cdsDiretorios->isEmpty()
            ? QString()
            : cdsDiretorios->fieldByName(QStringLiteral("DSDIRETORIO")).asString();
    if (carrier.isEmpty())
        return;
    medTransp->setText(carrier.mid(1, 21));
    serieTransp().applyKind(carrier.at(0), *msgPadrao);
    serieTransp().medTranspExit();
}

void TfrmApuracao::getNrPedido() {
    WaitAnimation wait(1);
    QList<TRemoteArg> args{TRemoteArg::S(medCdFilial->text()),
                           TRemoteArg::S(companyField(QStringLiteral("CDCIA")))};
    const protocol::RemoteValue answer =
        TRemoteCall::value(netApuracao, QStringLiteral("GetUltimoNrPedido"), args);
    const QList<protocol::RemoteValue>& items = answer.toArray();
    edtNrPedido->setText(items.isEmpty() ? answer.toString() : items.first().toString());
}

// Product group.

void TfrmApuracao::medCdGrupoChange() {
    edtNmGrupo->clear();
}

void TfrmApuracao::btpPesqGrupoBeforePesq(TComponent&, bool&) {
    qryGrupo->close();
    qryGrupo->paramByName(QStringLiteral("P_CDGRUPO")).clear();
    qryGrupo->paramByName(QStringLiteral("P_TCDGRUPO")).setAsString(QStringLiteral("T"));
    qryGrupo->open();
}

void TfrmApuracao::btpPesqGrupoAfterPesq() {
    medCdGrupo->setText(qryGrupo->fieldByName(QStringLiteral("CDGRUPPROD")).asString());
    edtNmGrupo->setText(qryGrupo->fieldByName(QStringLiteral("NMGRUPPROD")).asString());
}

void TfrmApuracao::medCdGrupoExit() {
    Vd_Grupo(true);
    const int answer =
        msgPadrao->ShowMsgAlertEx(QStringLiteral("Grup_Taxa"), TMsgDlgType::mtInformation,
                                  {QStringLiteral("Sim"), QStringLiteral("Nao")}, 2, 10, 0);
    if (answer == 11) {
        stGrupTaxa = QStringLiteral("N");
        depDataIniDeliv->setFocus();
    } else {
        stGrupTaxa = QStringLiteral("S");
    }
}

void TfrmApuracao::Vd_Grupo(bool reportEmpty) {
    if (!medCdGrupo->enabled())
        return;
    focusOnFailure(medCdGrupo, [&] {
        if (Consiste::EmptyString(medCdGrupo->text())) {
            if (reportEmpty)
                FormParts::refuse(medCdGrupo, msgPadrao->Msg(QStringLiteral("Grupo_Inf")));
            return;
        }
        medCdGrupo->setText(Consiste::Ajusta(medCdGrupo->text(), 10));
        qryGrupo->close();
        qryGrupo->paramByName(QStringLiteral("P_CDGRUPO")).setAsString(medCdGrupo->text());
        qryGrupo->paramByName(QStringLiteral("P_TCDGRUPO")).setAsString(QString());
        qryGrupo->open();
        if (qryGrupo->isEmpty())
            FormParts::refuse(medCdGrupo, msgPadrao->Msg(QStringLiteral("Grupo_Cad")));
        edtNmGrupo->setText(qryGrupo->fieldByName(QStringLiteral("NMGRUPPROD")).asString());
    });
}
