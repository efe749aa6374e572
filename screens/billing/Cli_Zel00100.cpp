#include "screens/billing/Cli_Zel00100.h"

#include "platform/TApplication.h"
#include "platform/TScreen.h"
#include "screens/billing/TfrmApuracao.h"

namespace Cli_Zel00100 {

TfrmApuracao* frmApuracao = nullptr;
bool boIdCriado = false;
QChar chIdTipoTransp = u'J';
QString stVooTrecho;
QString stGrupTaxa = QStringLiteral("N");
QString stLocalFat;

void CriaApuracao() {
    Screen().setCursor(crHourGlass);
    try {
        if (!boIdCriado) {
            Application().createForm(frmApuracao);
            boIdCriado = true;
        }
        frmApuracao->setWindowState(wsNormal);
        frmApuracao->show();
    } catch (...) {
        Screen().setCursor(crDefault);
        throw;
    }
    Screen().setCursor(crDefault);
}

void initialization() {
    chIdTipoTransp = u'J';
    boIdCriado = false;
    stGrupTaxa = QStringLiteral("N");
}

void finalization() {
    stLocalFat.clear();
    stGrupTaxa.clear();
    stVooTrecho.clear();
}

} // namespace Cli_Zel00100
