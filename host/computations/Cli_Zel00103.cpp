#include "host/computations/Cli_Zel00103.h"

#include "host/computations/TfrmConsApur.h"
#include "platform/TApplication.h"
#include "platform/TScreen.h"

namespace Cli_Zel00103 {

TfrmConsApur* frmConsApur = nullptr;
bool boIdCriado = false;

void CriaConsApur() {
    Screen().setCursor(crHourGlass);
    // The pointer comes back however the opening ends.
    struct RestoreCursor {
        ~RestoreCursor() { Screen().setCursor(crDefault); }
    } restore;
    if (!boIdCriado) {
        Application().createForm(frmConsApur);
        boIdCriado = true;
    }
    frmConsApur->setWindowState(wsNormal);
    frmConsApur->show();
}

} // namespace Cli_Zel00103
