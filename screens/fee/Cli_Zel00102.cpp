#include "screens/fee/Cli_Zel00102.h"

#include "platform/TApplication.h"
#include "platform/TScreen.h"
#include "screens/fee/TfrmApurac.h"

namespace Cli_Zel00102 {

TfrmApurac* frmApurac = nullptr;
bool boIdCriado = false;
QChar chIdTipoTransp = u'J';

void CriaApurac() {
    Screen().setCursor(crHourGlass);
    // The pointer comes back however the dialog ends.
    struct RestoreCursor {
        ~RestoreCursor() { Screen().setCursor(crDefault); }
    } restore;
    if (!boIdCriado) {
        Application().createForm(frmApurac);
        boIdCriado = true;
    }
    frmApurac->setWindowState(wsNormal);
    frmApurac->showModal();
}

void initialization() {
    boIdCriado = false;
    chIdTipoTransp = u'J';
}

void finalization() {}

} // namespace Cli_Zel00102
