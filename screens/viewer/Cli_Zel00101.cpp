#include "screens/viewer/Cli_Zel00101.h"

#include "external/shared/Ostrana.h"
#include "platform/TApplication.h"
#include "screens/common/TBillingScreen.h"
#include "screens/viewer/TfrmNotasApur.h"
#include "screens/viewer/ViewerLaunch.h"

namespace Cli_Zel00101 {

TfrmNotasApur* frmNotasApur = nullptr;

void CriaNotasApur(const QString& viewerKey) {
    ViewerLaunch::show(*TBillingScreen::current()->netApuracao, Ostrana::FiliProc(), viewerKey);
}

void ReportNoInvoices() {
    ViewerLaunch::reportNone(Application().createForm(frmNotasApur));
}

void initialization() {}

void finalization() {}

} // namespace Cli_Zel00101
