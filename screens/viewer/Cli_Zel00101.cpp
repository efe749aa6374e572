#include "screens/viewer/Cli_Zel00101.h"

#include "core/EAbort.h"
#include "external/shared/Consiste.h"
#include "external/shared/Ostrana.h"
#include "external/shared/TMessages.h"
#include "platform/TApplication.h"
#include "platform/TClientDataSet.h"
#include "screens/common/TBillingScreen.h"
#include "screens/common/TRemoteCall.h"
#include "screens/common/WaitAnimation.h"
#include "screens/viewer/TfrmNotasApur.h"

namespace Cli_Zel00101 {

TfrmNotasApur* frmNotasApur = nullptr;

namespace {
// The viewer's own words for an empty result; the viewer is closed unshown.
[[noreturn]] void reportNone(TfrmNotasApur* viewer) {
    Consiste::MensErro(viewer->msgPadrao->Msg(QStringLiteral("Gera_Nota")), false);
    viewer->close();
    Abort();
}
} // namespace

void CriaNotasApur(const QString& viewerKey) {
    TfrmNotasApur* viewer = Application().createForm(frmNotasApur);
    QString branch = Ostrana::FiliProc();
    QString key = viewerKey;
    try {
        WaitAnimation wait(6);
        TRemoteCall::load(*viewer->cdsNotaFiscal, *TBillingScreen::current()->netApuracao,
                          QStringLiteral("GetNotaFiscal"),
                          {TRemoteArg::R(&branch), TRemoteArg::R(&key)});
    } catch (...) {
        // Never shown: nothing keeps it.
        viewer->release();
        throw;
    }
    if (viewer->cdsNotaFiscal->isEmpty())
        reportNone(viewer);
    viewer->showModal();
}

void ReportNoInvoices() {
    reportNone(Application().createForm(frmNotasApur));
}

void initialization() {}

void finalization() {}

} // namespace Cli_Zel00101
