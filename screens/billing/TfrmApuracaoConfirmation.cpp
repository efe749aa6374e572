// The confirm button: checks in a focus-dependent order, the computation request and the
// translation of the server's failure texts.
#include "screens/billing/TfrmApuracao.h"

#include "core/EAbort.h"
#include "external/shared/Consiste.h"
#include "external/shared/Ostrana.h"
#include "external/shared/Showavi.h"
#include "external/shared/TADOIBQuery.h"
#include "external/shared/TDateEditPlus.h"
#include "external/shared/TMessages.h"
#include "platform/TApplication.h"
#include "platform/TClientDataSet.h"
#include "platform/TClock.h"
#include "platform/TComboBox.h"
#include "platform/TEdit.h"
#include "platform/TGroupBox.h"
#include "platform/TMaskEdit.h"
#include "platform/TNotebook.h"
#include "platform/TPanel.h"
#include "platform/TPresenter.h"
#include "protocol/CalculaApuracaoArgs.h"
#include "screens/billing/Cli_Zel00100.h"
#include "screens/common/ScreenSteps.h"
#include "screens/common/TFailureTranslation.h"
#include "screens/common/TRemoteCall.h"
#include "screens/common/WaitAnimation.h"
#include "screens/viewer/Cli_Zel00101.h"

#include <algorithm>
#include <functional>
#include <vector>

using namespace Cli_Zel00100;

namespace {

// The failure a translated server text becomes: shown, then the step ends silently.
[[noreturn]] void showAndAbort(const QString& text) {
    Consiste::MensErro(text, true);
    Abort();
}

} // namespace

bool TfrmApuracao::askYesNo(const QString& key) {
    return ScreenSteps::askYesNo(*msgPadrao, key);
}

void TfrmApuracao::checkEntries() {
    const auto start = [this] { Vd_DataInicial(); };
    const auto end = [this] { Vd_DataFinal(); };
    const auto billing = [this] { Vd_Faturamento(); };
    const auto series = [this] { serieTransp().Vd_SerieNF(true); };
    const auto carrier = [this] { serieTransp().medTranspExit(); };

    const TControl* focused = activeControl();
    std::vector<std::function<void()>> checks;
    if (focused == depDataIniDeliv)
        checks = {start, end, billing, series};
    else if (focused == depDataFimDeliv)
        checks = {end, start, billing, series};
    else if (focused == depDataFatur)
        checks = {billing, end, start, series};
    else if (focused == medSerie)
        checks = {series, start, end, billing};
    else
        checks = {start, end, billing, carrier, series};
    for (const auto& check : checks)
        check();
}

void TfrmApuracao::sbtConfirmaClick() {
    const TControl* focused = activeControl();
    if (focused == medCdFilial || focused == medSgCia || focused == cbbTipoVoo ||
        focused == medCdGrupo || focusPosition() == panData)
        return;

    const QString workingBranch = Ostrana::FiliProc();
    Vd_Filial(true);
    Vd_SgCia(true);
    try {
        checkEntries();

        const QDate startDate = depDataIniDeliv->GetDate();
        const QDate endDate = depDataFimDeliv->GetDate();
        const QDate billingDate = depDataFatur->GetDate();
        if (Clock().today() < endDate && !askYesNo(QStringLiteral("Data_Fim"))) {
            depDataFimDeliv->setFocus();
            Abort();
        }
        if (!Consiste::EmptyString(depDataIniDeliv->text()) &&
            !Consiste::EmptyString(depDataFimDeliv->text()) && endDate < startDate) {
            depDataIniDeliv->setFocus();
            showAndAbort(msgPadrao->Msg(QStringLiteral("DtIni>DtFim")));
        }
        if (!Consiste::EmptyString(depDataFimDeliv->text()) &&
            !Consiste::EmptyString(depDataFatur->text()) && billingDate < endDate &&
            !askYesNo(QStringLiteral("DtFim>DtFatu"))) {
            depDataFimDeliv->setFocus();
            Abort();
        }
        if (grbVoo->enabled() && stVooTrecho.isEmpty() && ntbFaturamento->pageIndex() == 0) {
            dbgVooTrecho->setFocus();
            showAndAbort(msgPadrao->Msg(QStringLiteral("Voo_Inf")));
        }
        if (grbLocal->enabled() && stLocalFat.isEmpty() && ntbFaturamento->pageIndex() == 1) {
            dbgLocal->setFocus();
            showAndAbort(msgPadrao->Msg(QStringLiteral("Local_Inf")));
        }

        // The carrier used is kept for the company (sent with the request).
        cdsDiretorios->edit();
        cdsDiretorios->fieldByName(QStringLiteral("CDPROGRAMA"))
            .setAsString(QStringLiteral("ZEL") + medSgCia->text());
        cdsDiretorios->fieldByName(QStringLiteral("DSDIRETORIO"))
            .setAsString(QString(chIdTipoTransp) + medTransp->text());
        cdsDiretorios->post();

        const int currentYear = Clock().now().date().year();
        if (startDate.year() < currentYear && !askYesNo(QStringLiteral("Data_Inicial")))
            Abort();
        if (billingDate.year() < currentYear && !askYesNo(QStringLiteral("Data_Faturamento")))
            Abort();

        calculaApuracao(workingBranch);
    } catch (...) {
        Showavi::DeactiveShowAvi();
        throw;
    }
}

void TfrmApuracao::calculaApuracao(const QString& workingBranch) {
    protocol::RemoteValue changes;
    if (cdsDiretorios->changeCount() > 0)
        changes = protocol::RemoteValue(cdsDiretorios->delta());

    QString viewerKey;
    {
        WaitAnimation wait(1);
        QString branch = workingBranch;
        QString flights = stVooTrecho;
        QString allFlights = stVooTrecho.isEmpty() ? QStringLiteral("T") : QStringLiteral("N");
        QString group = medCdGrupo->text();
        namespace Args = protocol::CalculaApuracaoArgs;
        QList<TRemoteArg> args = Args::inOrder<TRemoteArg>({
            {Args::WorkingBranch, TRemoteArg::R(&branch)},
            {Args::BranchCode, TRemoteArg::S(medCdFilial->text())},
            {Args::CustomerCode, TRemoteArg::S(companyField(QStringLiteral("CDCLIENTE")))},
            {Args::DeliveryPeriodStart, TRemoteArg::D(depDataIniDeliv->GetDate())},
            {Args::DeliveryPeriodEnd, TRemoteArg::D(depDataFimDeliv->GetDate())},
            {Args::BillingDate, TRemoteArg::D(depDataFatur->GetDate())},
            {Args::CompanyKey, TRemoteArg::S(companyField(QStringLiteral("CDCIA")))},
            {Args::FlightList, TRemoteArg::R(&flights)},
            {Args::AllFlightsFlag, TRemoteArg::R(&allFlights)},
            {Args::InvoiceSeries, TRemoteArg::S(medSerie->text())},
            {Args::CarrierKind, TRemoteArg::S(QString(chIdTipoTransp))},
            {Args::CarrierNumber, TRemoteArg::S(medTransp->text())},
            {Args::ProductGroup, TRemoteArg::R(&group)},
            {Args::CarrierChangePacket, TRemoteArg::V(&changes)},
            {Args::LocationList, TRemoteArg::R(&stLocalFat)},
            {Args::ClosedFlightList, TRemoteArg::S(stVooTrecho + u'_')},
            {Args::OrderNumber, TRemoteArg::S(edtNrPedido->text())},
        });
        try {
            TRemoteCall::value(netApuracao, QLatin1String(Args::kMethod), args);
        } catch (const EAbort&) {
            throw;
        } catch (const Exception& failure) {
            wait.hide();
            Application().processMessages();
            viewerKey = translateFailure(failure.message());
        }
    }

    Ostrana::AtualizaLocalCache({QStringLiteral("CIAFILI")});
    Cli_Zel00101::CriaNotasApur(viewerKey);
    atualizaVooTrecho();
}

QString TfrmApuracao::translateFailure(const QString& failure) {
    TFailureTranslation::translate(failure, *msgPadrao, [this] { depDataIniDeliv->setFocus(); });
    return failure;
}
