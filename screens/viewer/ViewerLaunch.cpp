#include "screens/viewer/ViewerLaunch.h"

#include "core/EAbort.h"
#include "external/shared/Consiste.h"
#include "external/shared/TMessages.h"
#include "platform/TApplication.h"
#include "platform/TClientDataSet.h"
#include "platform/TMaskEdit.h"
#include "screens/common/TRemoteCall.h"
#include "screens/common/WaitAnimation.h"
#include "screens/viewer/Cli_Zel00101.h"
#include "screens/viewer/TfrmNotasApur.h"

void ViewerLaunch::show(TNetConnection& connection, const QString& workingBranch,
                        const QString& key, const Company* company) {
    TfrmNotasApur* viewer = Application().createForm(Cli_Zel00101::frmNotasApur);
    if (company) {
        viewer->medSgCia->setText(company->sgCia);
        viewer->medNmCia->setText(company->nmCia);
    }
    QString branch = workingBranch;
    QString viewerKey = key;
    try {
        WaitAnimation wait(6);
        TRemoteCall::load(*viewer->cdsNotaFiscal, connection, QStringLiteral("GetNotaFiscal"),
                          {TRemoteArg::R(&branch), TRemoteArg::R(&viewerKey)});
    } catch (...) {
        // Never shown: nothing keeps it.
        viewer->release();
        throw;
    }
    if (viewer->cdsNotaFiscal->isEmpty())
        reportNone(viewer);
    viewer->showModal();
}

void ViewerLaunch::reportNone(TfrmNotasApur* viewer) {
    // The viewer's own words for an empty result; the viewer is closed unshown.
    Consiste::MensErro(viewer->msgPadrao->Msg(QStringLiteral("Gera_Nota")), false);
    viewer->close();
    Abort();
}
