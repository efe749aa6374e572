#include "screens/fee/Cli_Zel00102.h"

#include "platform/Exception.h"

namespace Cli_Zel00102 {

TfrmApurac* frmApurac = nullptr;
bool boIdCriado = false;
QChar chIdTipoTransp = u'J';

void CriaApurac() {
    throw Exception(QStringLiteral("Tela de apuração de taxas ainda não disponível."));
}

void initialization() {
    boIdCriado = false;
    chIdTipoTransp = u'J';
}

void finalization() {}

} // namespace Cli_Zel00102
